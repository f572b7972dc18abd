#include "pipeline/ReplaceEvery.h"

namespace kelvarin {

std::string ReplaceEvery(std::string_view text, std::string_view from, std::string_view to) {
    std::string result;
    result.reserve(text.size());
    std::size_t at = 0;
    for (std::size_t found; (found = text.find(from, at)) != std::string_view::npos;
         at = found + from.size()) {
        result.append(text, at, found - at);
        result.append(to);
    }
    result.append(text, at);
    return result;
}

} // namespace kelvarin
