#pragma once

#include <string>
#include <string_view>

namespace kelvarin {

// True when `bytes` are a whole zip archive: its directory reads and every
// member inflates to its recorded size with a matching CRC. A transfer can end
// "successfully" on a body cut short, and a server can answer with anything;
// neither may be stored as a daily archive. Otherwise false, with the cause.
bool IsCompleteZipArchive(std::string_view bytes, std::string* cause = nullptr);

// True when `path` is a regular file whose bytes pass the check above: an
// archive stored earlier that a new fetch could not improve on.
bool IsStoredCompleteArchive(const std::string& path);

} // namespace kelvarin
