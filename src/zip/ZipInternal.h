#pragma once

// What the zip reader's own files share; nothing outside src/zip includes it.

#include "zip/ZipMemberAccess.h"
#include "zip/ZipReader.h"

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <unzip.h>
#include <vector>

namespace kelvarin {

inline constexpr int ZipReaderKind = 1;

struct ZipArchiveHandle {
    ZipArchiveHandle() = default;
    ZipArchiveHandle(const ZipArchiveHandle&) = delete;
    ZipArchiveHandle& operator=(const ZipArchiveHandle&) = delete;
    ~ZipArchiveHandle();

    int kind = ZipReaderKind;
    unzFile archive = nullptr;
    std::int32_t memberCount = 0;
    std::int32_t position = -1; // the member minizip points at; -1 when unknown
    // Where the directory entries of the members walked so far start, by
    // index, so that a member seen before is reached without walking again.
    std::vector<ZPOS64_T> directoryOffsets;
    std::optional<std::string> password;
    std::int32_t cachedIndex = -1;
    ZipEntryInfo cached;
    ZipMemberFacts cachedFacts;
    std::string baseFolder;
};

// Stores `result` as the last result and hands it back.
std::uint32_t RecordZipResult(std::uint32_t result);

// ZipOk for a live reader handle, else why it cannot be used.
std::uint32_t CheckZipHandle(const ZipArchiveHandle* handle);

// Moves to member `index` (in range) and fills handle.cached and
// handle.cachedFacts, reusing them when that member was the last described.
std::uint32_t DescribeZipMember(ZipArchiveHandle& handle, int index);

// minizip's file access over a descriptor with read-ahead windows. minizip
// positions the file before nearly every read (each 16 KiB of member data,
// each header), and a stdio stream drops its buffer on every such seek: a
// daily archive of a few dozen kilobytes took over a hundred system calls.
// Here a seek only moves a number, and a read outside the windows fetches a
// window with one pread, so an archive of any size is read in windows.
zlib_filefunc64_def BufferedFileAccess();

// `dosDateTime` as minizip reports it: date in the high 16 bits, time in the
// low 16. Zip tools store it in local time; the result is a Windows file time
// (UTC). 0 when the date cannot be represented.
std::uint64_t DosTimeToFileTime(std::uint32_t dosDateTime);

// Takes the times of the first "UT" (extended timestamp) block of a local
// extra field into `info`; times the block does not carry stay as they are.
void ApplyExtendedTimestamp(std::string_view extraField, ZipEntryInfo& info);

// For utimensat: a zero file time means "unknown" and leaves that time alone.
timespec FileTimeToTimespec(std::uint64_t fileTime);

} // namespace kelvarin
