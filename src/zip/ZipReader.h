#pragma once

#include "app/AtomicFile.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace kelvarin {

struct ZipArchiveHandle; // opaque; made by OpenZipArchive, freed by CloseZipArchive

// The largest member the reader inflates: a daily file is a few hundred
// kilobytes, and a member claiming more would only fill the disk.
inline constexpr std::uint64_t ZipMemberLimit = std::uint64_t(1) << 30;

// Longest member name a ZipEntryInfo holds; a longer one is cut there.
inline constexpr std::size_t ZipNameLimit = 260;

// One member of an archive. For the pseudo-member -1, `index` holds the count.
struct ZipEntryInfo {
    std::int32_t index = -1;
    char name[ZipNameLimit + 1] = {}; // room for the NUL even when minizip fills 260 bytes
    std::uint32_t attributes = 0;
    std::uint64_t accessTime = 0; // Windows file times: 100 ns since 1601-01-01 UTC
    std::uint64_t creationTime = 0;
    std::uint64_t modificationTime = 0;
    // The real sizes, Zip64 ones included, held at 0xFFFFFFFF when larger.
    std::uint32_t compressedSize = 0;
    std::uint32_t uncompressedSize = 0;
};

enum ZipAttribute : std::uint32_t {
    ZipReadOnly = 0x01,
    ZipHidden = 0x02,
    ZipSystem = 0x04,
    ZipDirectory = 0x10,
    ZipArchiveBit = 0x20,
};

enum ZipResult : std::uint32_t {
    ZipOk = 0,
    ZipCannotOpen = 0x200,
    ZipWriteFailed = 0x400,
    ZipMoreData = 0x600,
    ZipCorruptEntry = 0x700,
    ZipReadFailed = 0x800,
    ZipPasswordNeeded = 0x1000,
    ZipBadArgument = 0x10000,
    ZipWrongHandle = 0x80000,
    ZipAlreadyOpen = 0x1000000,
    ZipNotSeekable = 0x2000000,
    ZipInflateFailed = 0x5000000,
};

// Null when the archive cannot be opened; ZipLastResult() then says why:
// ZipCannotOpen for a missing or unreadable file or one that is no zip
// archive, ZipNotSeekable for a pipe or device. A damaged directory entry
// shows only when that member is looked at (ZipCorruptEntry). The base folder
// starts as the current directory.
ZipArchiveHandle* OpenZipArchive(const std::string& path, const char* password = nullptr);

// A "/" is added unless the folder already ends in "/" or "\". Any length is
// taken, as the system decides which paths it can open; an empty folder, or
// one holding a NUL byte, which would name some other folder, is refused with
// ZipBadArgument and the old base folder kept.
std::uint32_t SetZipBaseFolder(ZipArchiveHandle* handle, const std::string& folder);

// `info` is left as it was when the result is not ZipOk.
std::uint32_t GetZipEntry(ZipArchiveHandle* handle, int index, ZipEntryInfo& info);

// Writes member `index` to base folder + fileName. The file appears under that
// name only once the whole member has been inflated and its size and CRC
// checked; on any failure an earlier file of that name is left untouched. A
// member larger than ZipMemberLimit, or compressed by a method other than
// stored or deflate, is refused with ZipInflateFailed before anything is written. Deferred leaves
// putting the file on disk to the caller. When the file could not be created
// (ZipCannotOpen) or written (ZipWriteFailed), errno tells the cause.
std::uint32_t UnzipEntryToFile(ZipArchiveHandle* handle, int index, const std::string& fileName,
                               Durability durability = Durability::Immediate);

std::uint32_t CloseZipArchive(ZipArchiveHandle* handle);

// The result of the most recent operation of this reader on the calling thread.
std::uint32_t ZipLastResult();

} // namespace kelvarin
