#pragma once

#include "zip/ZipDirectoryEntry.h"

#include <cstddef>
#include <cstdint>
#include <functional>

namespace kelvarin {

// Takes each chunk of a member's data in turn; false stops the reading.
using ZipDataSink = std::function<bool(const char* data, std::size_t size)>;

// Reads the member minizip has open, hands its data to `sink` and closes the
// member: ZipOk when the data came to the member's size and CRC,
// ZipInflateFailed when it did not, ZipWriteFailed when `sink` refused.
std::uint32_t ReadOpenMember(unzFile archive, const ZipMemberFacts& facts, const ZipDataSink& sink);

} // namespace kelvarin
