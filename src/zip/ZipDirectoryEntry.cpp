#include "zip/ZipDirectoryEntry.h"

#include <initializer_list>
#include <string>
#include <string_view>

namespace kelvarin {

namespace {

constexpr ZPOS64_T kInZip64Block = 0xFFFFFFFF;
constexpr std::uint64_t kZip64Tag = 0x0001;

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
        if (Little(extra, at, 2) != kZip64Tag) {
            at += 4 + length;
            continue;
        }
        const std::string_view block = extra.substr(at + 4, length);
        std::size_t field = 0;
        for (ZPOS64_T* size : {&info.uncompressed_size, &info.compressed_size}) {
            if (*size != kInZip64Block)
                continue;
            if (field + 8 > block.size())
                return;
            *size = Little(block, field, 8);
            field += 8;
        }
        return;
    }
}

} // namespace

int ReadDirectoryEntry(unzFile archive, char* name, uLong nameSize, ZipDirectoryEntry& entry) {
    unz_file_info64& info = entry.info;
    int error = unzGetCurrentFileInfo64(archive, &info, name, nameSize, nullptr, 0, nullptr, 0);
    if (error != UNZ_OK)
        return error;
    const ZPOS64_T minizipSize = info.uncompressed_size;
    if (info.uncompressed_size == kInZip64Block || info.compressed_size == kInZip64Block) {
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

} // namespace kelvarin
