#include "zip/ZipMemberAccess.h"

#include "zip/ZipReader.h"

#include <algorithm>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>
#include <zlib.h>

namespace kelvarin {

namespace {

constexpr ZPOS64_T InZip64Block = 0xFFFFFFFF;
constexpr std::uint64_t Zip64Tag = 0x0001;

std::uint64_t Little(std::string_view bytes, std::size_t at, std::size_t size) {
    std::uint64_t value = 0;
    for (std::size_t i = size; i-- > 0;)
        value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

// The Zip64 block holds only the values whose 32-bit fields are marked, in
// the order uncompressed size, compressed size (then offset and disk, which
// minizip reads for itself). A block too short for a marked size leaves it
// marked, and the member then fails on its size.
void TakeZip64Sizes(std::string_view extra, unz_file_info64& info) {
    for (std::size_t at = 0; at + 4 <= extra.size();) {
        const std::size_t length = Little(extra, at + 2, 2);
        if (Little(extra, at, 2) != Zip64Tag) {
            at += 4 + length;
            continue;
        }
        const std::string_view block = extra.substr(at + 4, length);
        std::size_t field = 0;
        for (ZPOS64_T* size : {&info.uncompressed_size, &info.compressed_size}) {
            if (*size != InZip64Block)
                continue;
            if (field + 8 > block.size())
                return;
            *size = Little(block, field, 8);
            field += 8;
        }
        return;
    }
}

// Each chunk is one inflate call and one write; at 16 KiB the calls cost a
// third more than the inflating itself.
constexpr std::size_t ChunkSize = 64 * 1024;

} // namespace

int ReadDirectoryEntry(unzFile archive, char* name, uLong nameSize, ZipDirectoryEntry& entry) {
    unz_file_info64& info = entry.info;
    int error = unzGetCurrentFileInfo64(archive, &info, name, nameSize, nullptr, 0, nullptr, 0);
    if (error != UNZ_OK)
        return error;
    const ZPOS64_T minizipSize = info.uncompressed_size;
    if (info.uncompressed_size == InZip64Block || info.compressed_size == InZip64Block) {
        std::string extra(info.size_file_extra, '\0');
        error = unzGetCurrentFileInfo64(archive, nullptr, nullptr, 0, extra.data(),
                                        static_cast<uLong>(extra.size()), nullptr, 0);
        if (error != UNZ_OK)
            return error;
        TakeZip64Sizes(extra, info);
    }
    entry.facts = ZipMemberFacts{info.uncompressed_size,
                                 static_cast<std::uint32_t>(info.crc),
                                 static_cast<std::uint32_t>(info.dosDate),
                                 static_cast<std::uint32_t>(info.flag),
                                 static_cast<std::uint32_t>(info.compression_method),
                                 minizipSize == info.uncompressed_size};
    return UNZ_OK;
}

std::uint32_t ReadOpenMember(unzFile archive, const ZipMemberFacts& facts,
                             const ZipDataSink& sink) {
    std::vector<char> chunk(ChunkSize);
    std::uint64_t left = facts.uncompressedSize;
    uLong crc = crc32_z(0, nullptr, 0);
    std::uint32_t result = ZipOk;
    // Never more than the size asked for: where minizip took the size for
    // larger than it is, it would hand out whatever follows a stored member.
    while (left > 0) {
        const auto wanted = static_cast<unsigned>(std::min<std::uint64_t>(left, chunk.size()));
        const int read = unzReadCurrentFile(archive, chunk.data(), wanted);
        // 0 is the end of data that fell short of its size.
        if (read <= 0) {
            result = ZipInflateFailed;
            break;
        }
        const auto count = static_cast<std::size_t>(read);
        if (!facts.minizipChecksCrc)
            crc = crc32_z(crc, reinterpret_cast<const Bytef*>(chunk.data()), count);
        left -= count;
        if (!sink(chunk.data(), count)) {
            result = ZipWriteFailed;
            break;
        }
    }
    const int closed = unzCloseCurrentFile(archive);
    if (result != ZipOk)
        return result;
    const bool crcHolds = facts.minizipChecksCrc ? closed != UNZ_CRCERROR : crc == facts.crc;
    return crcHolds ? ZipOk : ZipInflateFailed;
}

} // namespace kelvarin
