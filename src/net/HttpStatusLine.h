#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kelvarin {

// The first line of an HTTP reply: its status code and reason phrase.
struct HttpStatusLine {
    int code = 0;
    std::string reason;
};

// Reads "HTTP/<version> <code>[ <reason>]" with or without its line end; nullopt
// for any other header line. HTTP/2 replies carry no reason, which leaves it empty.
std::optional<HttpStatusLine> ParseHttpStatusLine(std::string_view line);

} // namespace kelvarin
