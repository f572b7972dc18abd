#include "support/TestArchives.h"

#include <cstdlib>
#include <stdexcept>
#include <utility>
#include <zip.h>

namespace kelvarin::test {

ArchiveMember::ArchiveMember(std::string memberName, std::string memberData, int memberMethod,
                             std::uint32_t memberHost, std::uint32_t external)
    : name(std::move(memberName)), data(std::move(memberData)), method(memberMethod),
      host(memberHost), externalAttributes(external) {}

void WriteZipArchive(const std::string& path, const std::vector<ArchiveMember>& members) {
    zipFile zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
    if (!zip)
        throw std::runtime_error("zipOpen64 failed for " + path);
    for (const ArchiveMember& member : members) {
        zip_fileinfo info{};
        info.dosDate = member.dosDateTime;
        info.external_fa = member.externalAttributes;
        const int level = member.method == 0 ? 0 : Z_DEFAULT_COMPRESSION;
        const char* password = member.password.empty() ? nullptr : member.password.c_str();
        // The cipher's check byte is taken from the member's CRC.
        const auto crc =
            static_cast<uLong>(crc32(0, reinterpret_cast<const Bytef*>(member.data.data()),
                                     static_cast<uInt>(member.data.size())));
        const int opened =
            zipOpenNewFileInZip4(zip, member.name.c_str(), &info, member.localExtra.data(),
                                 static_cast<uInt>(member.localExtra.size()), nullptr, 0, nullptr,
                                 member.method, level, 0, -MAX_WBITS, DEF_MEM_LEVEL,
                                 Z_DEFAULT_STRATEGY, password, crc, (member.host << 8) | 20, 0);
        if (opened != ZIP_OK ||
            zipWriteInFileInZip(zip, member.data.data(),
                                static_cast<unsigned>(member.data.size())) != ZIP_OK ||
            zipCloseFileInZip(zip) != ZIP_OK) {
            zipClose(zip, nullptr);
            throw std::runtime_error("cannot add " + member.name + " to " + path);
        }
    }
    if (zipClose(zip, nullptr) != ZIP_OK)
        throw std::runtime_error("zipClose failed for " + path);
}

void RunZip(const std::string& folder, const std::string& arguments) {
    const std::string command = "cd '" + folder + "' && zip -q " + arguments;
    if (std::system(command.c_str()) != 0)
        throw std::runtime_error("failed: " + command);
}

std::string ExtendedTimestamp(std::uint8_t flags, const std::vector<std::uint32_t>& times) {
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

std::string NoiseBytes(std::size_t size, std::uint32_t seed) {
    std::string bytes(size, '\0');
    for (char& byte : bytes) {
        seed = seed * 1664525u + 1013904223u;
        byte = static_cast<char>(seed >> 24);
    }
    return bytes;
}

void PatchFirstMemberField(std::string& archive, std::size_t localOffset, std::size_t centralOffset,
                           std::uint32_t value) {
    const std::size_t central = archive.find("PK\x01\x02");
    if (archive.compare(0, 4, "PK\x03\x04") != 0 || central == std::string::npos)
        throw std::runtime_error("not an archive with a first member");
    for (std::size_t at : {localOffset, central + centralOffset})
        for (int i = 0; i < 4; ++i)
            archive[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::string DailyLine(const std::string& date, const std::string& name, const std::string& code,
                      const std::string& open, const std::string& high, const std::string& low,
                      const std::string& close, const std::string& volume) {
    std::string line(135, ' ');
    // A field is known by its last column and its width; a text that does
    // not fit would shift the fields after it, which no test means to do.
    const auto put = [&line](std::size_t last, std::size_t width, const std::string& text,
                             bool right) {
        if (text.size() > width)
            throw std::invalid_argument('"' + text + "\" is wider than its " +
                                        std::to_string(width) + " columns");
        line.replace(right ? last + 1 - text.size() : last + 1 - width, text.size(), text);
    };
    put(9, 10, date, false);
    put(40, 30, name, false);
    put(54, 4, code, false);
    put(62, 7, high, true);
    put(70, 7, low, true);
    put(78, 7, close, true);
    put(96, 9, volume, true);
    put(134, 7, open, true);
    return line + "\r\n";
}

} // namespace kelvarin::test
