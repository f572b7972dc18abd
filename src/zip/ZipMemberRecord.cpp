#include "zip/ZipInternal.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace kelvarin {

namespace {

// Hosts whose external attributes are DOS attribute bits: MS-DOS, classic
// Macintosh, Windows NTFS and VFAT; everyone else stores a Unix mode in the high
// 16 bits.
bool HostUsesDosAttributes(std::uint32_t host) {
    return host == 0 || host == 7 || host == 11 || host == 14;
}

constexpr std::uint32_t UnixDirectory = 0040000u << 16;
constexpr std::uint32_t UnixOwnerWrite = 0000200u << 16;

// Windows attribute bits of a member from its "version made by" field (the
// host system in the high byte) and its external attributes.
std::uint32_t ZipAttributesFromHost(std::uint32_t versionMadeBy, std::uint32_t externalAttributes) {
    if (HostUsesDosAttributes((versionMadeBy >> 8) & 0xFF))
        return externalAttributes &
               (ZipReadOnly | ZipHidden | ZipSystem | ZipDirectory | ZipArchiveBit);
    std::uint32_t attributes = ZipArchiveBit;
    if (externalAttributes & UnixDirectory)
        attributes |= ZipDirectory;
    if ((externalAttributes & UnixOwnerWrite) == 0)
        attributes |= ZipReadOnly;
    return attributes;
}

// A failed read of the archive file is a read failure; anything else minizip
// objects to while walking the directory means the directory is corrupt.
std::uint32_t DirectoryFailure(int error) {
    return error == UNZ_ERRNO ? ZipReadFailed : ZipCorruptEntry;
}

std::uint32_t LostTheWay(ZipArchiveHandle& handle, int error) {
    handle.position = -1;
    return DirectoryFailure(error);
}

// Reaches a member seen before straight from its directory offset, and a new
// one by stepping on from the furthest seen, so any order of lookups walks
// the directory once.
std::uint32_t WalkTo(ZipArchiveHandle& handle, int index) {
    std::vector<ZPOS64_T>& offsets = handle.directoryOffsets;
    if (offsets.empty()) {
        if (const int error = unzGoToFirstFile(handle.archive))
            return LostTheWay(handle, error);
        handle.position = 0;
        offsets.push_back(unzGetOffset64(handle.archive));
    }
    const int start = std::min(index, static_cast<int>(offsets.size()) - 1);
    if (handle.position != start) {
        const auto offset = offsets[static_cast<std::size_t>(start)];
        if (const int error = unzSetOffset64(handle.archive, offset))
            return LostTheWay(handle, error);
        handle.position = start;
    }
    while (handle.position < index) {
        if (const int error = unzGoToNextFile(handle.archive))
            return LostTheWay(handle, error);
        ++handle.position;
        offsets.push_back(unzGetOffset64(handle.archive));
    }
    return ZipOk;
}

std::uint32_t Clamp32(ZPOS64_T size) {
    return static_cast<std::uint32_t>(
        std::min<ZPOS64_T>(size, std::numeric_limits<std::uint32_t>::max()));
}

// minizip checks the local header against the directory entry when the member
// is opened; opened raw, nothing is decrypted or inflated.
std::uint32_t ReadLocalExtraField(unzFile archive, std::string& extra) {
    const int opened = unzOpenCurrentFile2(archive, nullptr, nullptr, 1);
    if (opened != UNZ_OK)
        return opened == UNZ_BADZIPFILE ? ZipCorruptEntry : ZipReadFailed;
    std::uint32_t result = ZipOk;
    const int size = unzGetLocalExtrafield(archive, nullptr, 0);
    if (size < 0) {
        result = ZipReadFailed;
    } else if (size > 0) {
        extra.resize(static_cast<std::size_t>(size));
        if (unzGetLocalExtrafield(archive, extra.data(), static_cast<unsigned>(size)) != size)
            result = ZipReadFailed;
    }
    unzCloseCurrentFile(archive);
    return result;
}

} // namespace

std::uint32_t DescribeZipMember(ZipArchiveHandle& handle, int index) {
    if (index == handle.cachedIndex)
        return ZipOk;
    handle.cachedIndex = -1;
    if (const auto walked = WalkTo(handle, index))
        return walked;

    ZipEntryInfo entry;
    entry.index = index;
    ZipDirectoryEntry directory;
    // minizip leaves a name that fills the buffer unterminated, hence the
    // spare byte beyond the size it is told.
    if (const int error = ReadDirectoryEntry(handle.archive, entry.name, ZipNameLimit, directory))
        return DirectoryFailure(error);
    const unz_file_info64& info = directory.info;
    entry.name[std::min<std::size_t>(info.size_filename, ZipNameLimit)] = '\0';
    entry.attributes = ZipAttributesFromHost(info.version, info.external_fa);
    const std::uint64_t dosTime = DosTimeToFileTime(info.dosDate);
    entry.accessTime = entry.creationTime = entry.modificationTime = dosTime;
    entry.compressedSize = Clamp32(info.compressed_size);
    entry.uncompressedSize = Clamp32(info.uncompressed_size);

    std::string extra;
    if (const auto read = ReadLocalExtraField(handle.archive, extra))
        return read;
    ApplyExtendedTimestamp(extra, entry);

    handle.cached = entry;
    handle.cachedFacts = directory.facts;
    handle.cachedIndex = index;
    return ZipOk;
}

} // namespace kelvarin
