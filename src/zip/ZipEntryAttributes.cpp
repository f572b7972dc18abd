#include "zip/ZipEntryAttributes.h"

#include "zip/ZipReader.h"

namespace kelvarin {

namespace {

// Hosts whose external attributes are DOS attribute bits: MS-DOS, classic
// Macintosh, Windows NTFS and VFAT; everyone else stores a Unix mode in the high
// 16 bits.
bool HostUsesDosAttributes(std::uint32_t host) {
    return host == 0 || host == 7 || host == 11 || host == 14;
}

constexpr std::uint32_t kUnixDirectory = 0040000u << 16;
constexpr std::uint32_t kUnixOwnerWrite = 0000200u << 16;

} // namespace

std::uint32_t ZipAttributesFromHost(std::uint32_t versionMadeBy, std::uint32_t externalAttributes) {
    if (HostUsesDosAttributes((versionMadeBy >> 8) & 0xFF))
        return externalAttributes &
               (ZipReadOnly | ZipHidden | ZipSystem | ZipDirectory | ZipArchiveBit);
    std::uint32_t attributes = ZipArchiveBit;
    if (externalAttributes & kUnixDirectory)
        attributes |= ZipDirectory;
    if ((externalAttributes & kUnixOwnerWrite) == 0)
        attributes |= ZipReadOnly;
    return attributes;
}

} // namespace kelvarin
