#pragma once

#include "pipeline/FrontEnd.h"

#include <string>
#include <string_view>
#include <vector>

namespace kelvarin {

// The remote items ("SGX" + archive id) of every archive link in the index
// page, in page order, duplicates kept. The page ends at its first NUL. Ends
// early, with the items found so far, once StopRequested is set.
std::vector<std::string> ParseIndexPage(std::string_view page);

// Replaces the rows of `list` with `items`. They are put in byte-wise order
// once, here, and added in that order: the exchange lists its newest archive
// first, and adding ten thousand rows each ahead of all the others made every
// sorted list shift all its rows per item.
void FillRemoteList(RemoteList& list, std::vector<std::string> items);

} // namespace kelvarin
