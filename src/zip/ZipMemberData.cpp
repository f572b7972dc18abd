#include "zip/ZipMemberData.h"

#include "zip/ZipReader.h"

#include <algorithm>
#include <vector>
#include <zlib.h>

namespace kelvarin {

namespace {

// Each chunk is one inflate call and one write; at 16 KiB the calls cost a
// third more than the inflating itself.
constexpr std::size_t kChunkSize = 64 * 1024;

} // namespace

std::uint32_t ReadOpenMember(unzFile archive, const ZipMemberFacts& facts,
                             const ZipDataSink& sink) {
    std::vector<char> chunk(kChunkSize);
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
