#pragma once

#include <string>
#include <string_view>

namespace kelvarin {

// `text` with every occurrence of `from` replaced by `to`, found left to right
// in the original text only: a replacement never joins with what follows it
// into a new occurrence.
std::string ReplaceEvery(std::string_view text, std::string_view from, std::string_view to);

} // namespace kelvarin
