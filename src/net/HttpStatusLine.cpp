#include "net/HttpStatusLine.h"

namespace kelvarin {

std::optional<HttpStatusLine> ParseHttpStatusLine(std::string_view line) {
    if (!line.starts_with("HTTP/")) {
        return std::nullopt;
    }
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' ')) {
        line.remove_suffix(1);
    }
    const std::size_t space = line.find(' ');
    if (space == std::string_view::npos || line.size() < space + 4) {
        return std::nullopt;
    }
    HttpStatusLine status;
    for (const char digit : line.substr(space + 1, 3)) {
        if (digit < '0' || digit > '9') {
            return std::nullopt;
        }
        status.code = status.code * 10 + (digit - '0');
    }
    const std::string_view rest = line.substr(space + 4);
    if (!rest.empty() && rest.front() != ' ') {
        return std::nullopt;
    }
    if (!rest.empty()) {
        status.reason = rest.substr(1);
    }
    return status;
}

} // namespace kelvarin
