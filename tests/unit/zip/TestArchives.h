#pragma once

// Archives for the zip reader tests, made by the real tools: minizip's zip API
// where a test needs exact header fields, the zip program elsewhere.

#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>
#include <zip.h>

namespace kelvarin::test {

inline constexpr std::uint32_t HostDos = 0;
inline constexpr std::uint32_t HostUnix = 3;

struct ArchiveMember {
    ArchiveMember(std::string memberName, std::string memberData, int memberMethod = Z_DEFLATED,
                  std::uint32_t memberHost = HostDos, std::uint32_t external = 0)
        : name(std::move(memberName)), data(std::move(memberData)), method(memberMethod),
          host(memberHost), externalAttributes(external) {}

    std::string name;
    std::string data;
    int method = Z_DEFLATED; // 0 stores the data as it is
    std::uint32_t host = HostDos;
    std::uint32_t externalAttributes = 0;
    std::uint32_t dosDateTime = 0x30373ACFu; // 2004-01-23 07:22:30
    std::string localExtra;
};

inline void WriteMinizipArchive(const std::string& path,
                                const std::vector<ArchiveMember>& members) {
    zipFile zip = zipOpen(path.c_str(), APPEND_STATUS_CREATE);
    if (!zip)
        throw std::runtime_error("zipOpen failed for " + path);
    for (const ArchiveMember& member : members) {
        zip_fileinfo info{};
        info.dosDate = member.dosDateTime;
        info.external_fa = member.externalAttributes;
        const int level = member.method == 0 ? 0 : Z_DEFAULT_COMPRESSION;
        const int opened =
            zipOpenNewFileInZip4(zip, member.name.c_str(), &info, member.localExtra.data(),
                                 static_cast<uInt>(member.localExtra.size()), nullptr, 0, nullptr,
                                 member.method, level, 0, -MAX_WBITS, DEF_MEM_LEVEL,
                                 Z_DEFAULT_STRATEGY, nullptr, 0, (member.host << 8) | 20, 0);
        if (opened != ZIP_OK ||
            zipWriteInFileInZip(zip, member.data.data(),
                                static_cast<unsigned>(member.data.size())) != ZIP_OK ||
            zipCloseFileInZip(zip) != ZIP_OK)
            throw std::runtime_error("cannot add " + member.name + " to " + path);
    }
    if (zipClose(zip, nullptr) != ZIP_OK)
        throw std::runtime_error("zipClose failed for " + path);
}

// Runs the zip program in `folder`, e.g. RunZip(dir, "-0 a.zip a.dat").
inline void RunZip(const std::string& folder, const std::string& arguments) {
    const std::string command = "cd '" + folder + "' && zip -q " + arguments;
    if (std::system(command.c_str()) != 0)
        throw std::runtime_error("failed: " + command);
}

// A "UT" extra block with the given flags and times (in flag order).
inline std::string ExtendedTimestamp(std::uint8_t flags, const std::vector<std::uint32_t>& times) {
    std::string block = "UT";
    const auto length = static_cast<std::uint16_t>(1 + 4 * times.size());
    block += static_cast<char>(length & 0xFF);
    block += static_cast<char>(length >> 8);
    block += static_cast<char>(flags);
    for (std::uint32_t t : times)
        for (int shift = 0; shift < 32; shift += 8)
            block += static_cast<char>((t >> shift) & 0xFF);
    return block;
}

// Deterministic bytes of every value, poorly compressible.
inline std::string NoiseBytes(std::size_t size, std::uint32_t seed) {
    std::string bytes(size, '\0');
    for (char& byte : bytes) {
        seed = seed * 1664525u + 1013904223u;
        byte = static_cast<char>(seed >> 24);
    }
    return bytes;
}

// Overwrites a little-endian 32-bit field of the first member in both its
// local header and its directory entry, as a damaged or hostile archive would.
inline void PatchFirstMemberField(std::string& archive, std::size_t localOffset,
                                  std::size_t centralOffset, std::uint32_t value) {
    const std::size_t central = archive.find("PK\x01\x02");
    if (archive.compare(0, 4, "PK\x03\x04") != 0 || central == std::string::npos)
        throw std::runtime_error("not an archive with a first member");
    for (std::size_t at : {localOffset, central + centralOffset})
        for (int i = 0; i < 4; ++i)
            archive[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

inline constexpr std::size_t LocalCrc = 14, CentralCrc = 16;
inline constexpr std::size_t LocalUncompressed = 22, CentralUncompressed = 24;

} // namespace kelvarin::test
