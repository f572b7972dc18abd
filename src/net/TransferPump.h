#pragma once

#include <chrono>

namespace kelvarin {

// How often a transfer hands out turns: often enough that a window stays
// painted and a click feels answered.
inline constexpr std::chrono::milliseconds PumpInterval{10};

// What a transfer does for the program that waits on it, many times a second
// while it runs: hands it a turn to handle its own events, so its window stays
// painted and a click on Pause is seen, and asks whether the user wants to stop.
class TransferPump {
public:
    virtual ~TransferPump() = default;
    // Handles what waits at this moment; whatever that triggers runs nested
    // inside the transfer.
    virtual void Pump() = 0;
    // True once the user has asked to stop: a transfer that has received
    // nothing for a while then ends at once, one that is receiving finishes.
    virtual bool StopAsked() const = 0;
};

} // namespace kelvarin
