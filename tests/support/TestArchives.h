#pragma once

// What the exchange serves, made for tests: zip archives, by minizip's zip API
// where a test needs exact header fields or by the zip program, and the lines
// of a daily price file.

#include <cstdint>
#include <string>
#include <vector>
#include <zlib.h>

namespace kelvarin::test {

inline constexpr std::uint32_t HostDos = 0;
inline constexpr std::uint32_t HostUnix = 3;

struct ArchiveMember {
    ArchiveMember(std::string memberName, std::string memberData, int memberMethod = Z_DEFLATED,
                  std::uint32_t memberHost = HostDos, std::uint32_t external = 0);

    std::string name;
    std::string data;
    int method = Z_DEFLATED; // 0 stores the data as it is
    std::uint32_t host = HostDos;
    std::uint32_t externalAttributes = 0;
    std::uint32_t dosDateTime = 0x30373ACFu; // 2004-01-23 07:22:30
    std::string localExtra;
    // Encrypts the member with the traditional zip cipher when not empty.
    std::string password;
};

// Writes `members` in order into a new archive at `path`; throws when minizip fails.
void WriteZipArchive(const std::string& path, const std::vector<ArchiveMember>& members);

// Runs the zip program in `folder`, e.g. RunZip(dir, "-0 a.zip a.dat").
void RunZip(const std::string& folder, const std::string& arguments);

// A "UT" extra block with the given flags and times (in flag order).
std::string ExtendedTimestamp(std::uint8_t flags, const std::vector<std::uint32_t>& times);

// Deterministic bytes of every value, poorly compressible.
std::string NoiseBytes(std::size_t size, std::uint32_t seed);

// Overwrites a little-endian 32-bit field of the first member in both its
// local header and its directory entry, as a damaged or hostile archive would.
void PatchFirstMemberField(std::string& archive, std::size_t localOffset, std::size_t centralOffset,
                           std::uint32_t value);

inline constexpr std::size_t LocalCrc = 14, CentralCrc = 16;
inline constexpr std::size_t LocalUncompressed = 22, CentralUncompressed = 24;

// One line of a daily price file, CR LF ended: every field in its columns,
// the texts left-aligned and the figures right-aligned. The figures come in
// the order of a history row, whatever the order of their columns.
std::string DailyLine(const std::string& date, const std::string& name, const std::string& code,
                      const std::string& open, const std::string& high, const std::string& low,
                      const std::string& close, const std::string& volume);

} // namespace kelvarin::test
