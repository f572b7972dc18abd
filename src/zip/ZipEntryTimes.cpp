#include "zip/ZipInternal.h"

#include <sys/stat.h>

namespace kelvarin {

namespace {

// Seconds from 1601-01-01 (the Windows file-time epoch) to 1970-01-01.
constexpr std::int64_t FileTimeEpochOffset = 11644473600;
constexpr std::uint64_t TicksPerSecond = 10'000'000;
constexpr std::uint16_t ExtendedTimestampTag = 0x5455; // "UT" read little-endian

std::uint64_t UnixTimeToFileTime(std::int64_t seconds) {
    return static_cast<std::uint64_t>(seconds + FileTimeEpochOffset) * TicksPerSecond;
}

std::uint32_t ReadLittleEndian(std::string_view bytes, std::size_t at, std::size_t width) {
    std::uint32_t value = 0;
    for (std::size_t i = width; i-- > 0;)
        value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

void ApplyTimestampBlock(std::string_view block, ZipEntryInfo& info) {
    if (block.empty())
        return;
    const unsigned flags = static_cast<unsigned char>(block[0]);
    std::uint64_t* const targets[] = {&info.modificationTime, &info.accessTime, &info.creationTime};
    std::size_t at = 1;
    for (unsigned bit = 0; bit < 3; ++bit) {
        if ((flags & (1u << bit)) == 0)
            continue;
        // The central copy of the block keeps the flags of the local one but
        // only the modification time, so a flag is no promise of the data.
        if (at + 4 > block.size())
            return;
        const auto unixTime = static_cast<std::int32_t>(ReadLittleEndian(block, at, 4));
        *targets[bit] = UnixTimeToFileTime(unixTime);
        at += 4;
    }
}

} // namespace

std::uint64_t DosTimeToFileTime(std::uint32_t dosDateTime) {
    const std::uint32_t date = dosDateTime >> 16;
    const std::uint32_t time = dosDateTime & 0xFFFF;
    std::tm local{};
    local.tm_mday = static_cast<int>(date & 0x1F);
    local.tm_mon = static_cast<int>((date >> 5) & 0x0F) - 1;
    local.tm_year = 80 + static_cast<int>(date >> 9);
    local.tm_sec = 2 * static_cast<int>(time & 0x1F);
    local.tm_min = static_cast<int>((time >> 5) & 0x3F);
    local.tm_hour = static_cast<int>(time >> 11);
    local.tm_isdst = -1; // let the zone rules say whether summer time applied then
    const std::time_t utc = std::mktime(&local);
    if (utc == static_cast<std::time_t>(-1))
        return 0;
    return UnixTimeToFileTime(utc);
}

void ApplyExtendedTimestamp(std::string_view extraField, ZipEntryInfo& info) {
    if (extraField.size() < 5)
        return;
    for (std::size_t at = 0; at + 4 <= extraField.size();) {
        const auto tag = ReadLittleEndian(extraField, at, 2);
        const std::size_t length = ReadLittleEndian(extraField, at + 2, 2);
        const std::size_t dataStart = at + 4;
        if (tag == ExtendedTimestampTag) {
            ApplyTimestampBlock(extraField.substr(dataStart, length), info);
            return;
        }
        at = dataStart + length;
    }
}

timespec FileTimeToTimespec(std::uint64_t fileTime) {
    timespec result{};
    if (fileTime == 0) {
        result.tv_nsec = UTIME_OMIT;
        return result;
    }
    result.tv_sec = static_cast<std::time_t>(static_cast<std::int64_t>(fileTime / TicksPerSecond) -
                                             FileTimeEpochOffset);
    result.tv_nsec = static_cast<long>(fileTime % TicksPerSecond) * 100;
    return result;
}

} // namespace kelvarin
