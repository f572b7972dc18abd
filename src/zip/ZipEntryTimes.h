#pragma once

#include "zip/ZipReader.h"

#include <cstdint>
#include <ctime>
#include <string_view>

namespace kelvarin {

// Seconds from 1601-01-01 (the Windows file-time epoch) to 1970-01-01.
inline constexpr std::int64_t kFileTimeEpochOffset = 11644473600;

std::uint64_t UnixTimeToFileTime(std::int64_t seconds);

// `dosDateTime` as minizip reports it: date in the high 16 bits, time in the
// low 16. Zip tools store it in local time; the result is UTC. 0 when the
// date cannot be represented.
std::uint64_t DosTimeToFileTime(std::uint32_t dosDateTime);

// Takes the times of the first "UT" (extended timestamp) block of a local
// extra field into `info`; times the block does not carry stay as they are.
void ApplyExtendedTimestamp(std::string_view extraField, ZipEntryInfo& info);

// For utimensat: a zero file time means "unknown" and leaves that time alone.
timespec FileTimeToTimespec(std::uint64_t fileTime);

} // namespace kelvarin
