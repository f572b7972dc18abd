#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kelvarin {

// The remote items ("SGX" + archive id) of every archive link in the index
// page, in page order, duplicates kept. The page ends at its first NUL. Ends
// early, with the items found so far, once StopRequested is set.
std::vector<std::string> ParseIndexPage(std::string_view page);

} // namespace kelvarin
