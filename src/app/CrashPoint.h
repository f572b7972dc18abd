#pragma once

namespace kelvarin {

// Marks a moment at which a real crash would leave files half done. When the
// environment variable KELVARIN_CRASH_AFTER is set to N, the process kills
// itself with SIGKILL at the N-th point it passes (counting from 1), so the
// crash tests can stop a stage at every such moment in turn, deterministically.
// Without the variable it costs one predictable branch.
void CrashPoint();

} // namespace kelvarin
