#pragma once

#include "pipeline/LibraryFindings.h"

#include <atomic>

namespace kelvarin {

class FrontEnd;
struct WorkingFolders;

// Checks every history file of the stock folder on its own, and against the
// daily files of the unzip folder the Update applied (those up to its
// marker): each stock a daily file lists must have that day's row with the
// same bytes, and each row dated within the days of those files must come
// from one of them. Reads every file once and changes none; holds the stock
// folder against writers meanwhile. Progress goes to the front end's status
// line and bar, from the calling thread only; `stop` ends the check early,
// with what it found so far.
LibraryReport CheckLibrary(const WorkingFolders& folders, FrontEnd& frontEnd,
                           const std::atomic<int>* stop = nullptr);

} // namespace kelvarin
