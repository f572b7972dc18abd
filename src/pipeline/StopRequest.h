#pragma once

#include <atomic>

namespace kelvarin {

// Set by Pause (and by Ctrl+C in the command-line program, from a signal
// handler, hence atomic); cleared by Connect, Download and Update as they begin.
inline std::atomic<int> StopRequested{0};

} // namespace kelvarin
