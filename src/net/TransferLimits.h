#pragma once

#include <chrono>
#include <cstdint>

namespace kelvarin {

// Bounds that keep a dead, stalled or runaway server from holding the program
// forever or filling its memory. Tests shorten them; the program keeps the defaults.
struct TransferLimits {
    std::chrono::seconds connectTimeout{30};
    // The transfer is abandoned when fewer than lowSpeedBytesPerSecond arrive
    // per second for lowSpeedTime.
    long lowSpeedBytesPerSecond = 1;
    std::chrono::seconds lowSpeedTime{60};
    // After a stop request, a transfer that has received nothing for this long
    // ends at once; one that is receiving goes on to its end.
    std::chrono::milliseconds stopAfterIdle{5000};
    std::uint64_t maxBodyBytes = 256ull * 1024 * 1024;
};

} // namespace kelvarin
