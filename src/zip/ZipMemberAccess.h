#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <unzip.h>

namespace kelvarin {

// Reading one member straight from minizip, its directory entry and its data,
// for the zip reader and for the check of a downloaded archive.

// What reading a member's data needs to know of it.
struct ZipMemberFacts {
    std::uint64_t uncompressedSize = 0;
    std::uint32_t crc = 0;
    std::uint32_t dosDateTime = 0;
    std::uint32_t flags = 0;
    std::uint32_t method = 0;
    // minizip counts the data against the size it read from the directory
    // and checks the CRC only when that count runs out, which it never does
    // when that size was not the real one.
    bool minizipChecksCrc = true;
};

// The directory entry of minizip's current member, its sizes the real ones.
struct ZipDirectoryEntry {
    unz_file_info64 info{};
    ZipMemberFacts facts;
};

// Reads the directory entry of minizip's current member; `name` receives at
// most `nameSize` bytes of its name, unterminated when they fill it. A size
// whose 32-bit field holds 0xFFFFFFFF is taken from the entry's Zip64 extra
// block: minizip 1.1 looks for (unsigned long)-1 there, which is no 32-bit
// value where long has 64 bits, and so leaves 0xFFFFFFFF as the size.
// Returns minizip's result.
int ReadDirectoryEntry(unzFile archive, char* name, uLong nameSize, ZipDirectoryEntry& entry);

// Takes each chunk of a member's data in turn; false stops the reading.
using ZipDataSink = std::function<bool(const char* data, std::size_t size)>;

// Reads the member minizip has open, hands its data to `sink` and closes the
// member: ZipOk when the data came to the member's size and CRC,
// ZipInflateFailed when it did not, ZipWriteFailed when `sink` refused.
std::uint32_t ReadOpenMember(unzFile archive, const ZipMemberFacts& facts, const ZipDataSink& sink);

} // namespace kelvarin
