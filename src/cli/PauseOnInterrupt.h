#pragma once

namespace kelvarin::cli {

// Ctrl+C is Pause: the first one sets the stop request, so the stage finishes
// the item in hand and ends; a second one ends the program at once.
void InstallPauseOnInterrupt();

} // namespace kelvarin::cli
