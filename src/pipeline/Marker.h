#pragma once

#include <string>
#include <string_view>

namespace kelvarin {

// The name held by a stage's marker file: up to 260 bytes, cut at the first
// NUL. A marker that is missing, unreadable or empty gives `initialName`.
std::string ReadMarker(const std::string& path, std::string_view initialName);

// Replaces the marker file with exactly the name's bytes (no terminator, no
// line end), atomically. Returns false, with the cause in `error`, on failure.
bool WriteMarker(const std::string& path, std::string_view name, std::string* error = nullptr);

} // namespace kelvarin
