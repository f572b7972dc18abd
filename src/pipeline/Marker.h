#pragma once

#include <string>
#include <string_view>

namespace kelvarin {

class FrontEnd;

// The name held by a stage's marker file: up to 260 bytes, cut at the first
// NUL. A marker that is missing, unreadable or empty gives `initialName`.
std::string ReadMarker(const std::string& path, std::string_view initialName);

// Replaces the marker file with exactly the name's bytes (no terminator, no
// line end), atomically. Returns false, with the cause in `error`, on failure.
bool WriteMarker(const std::string& path, std::string_view name, std::string* error = nullptr);

// Puts everything a stage wrote into `folder` on disk, then moves the marker
// `markerName` in it to `name`, so a marker never names a file that could
// still be lost. When the flush or the marker's own write fails, the marker
// stays where it was and the front end shows which folder or file and why;
// false then, and the next Auto run repeats what this one did.
bool CommitMarker(const std::string& folder, std::string_view markerName, std::string_view name,
                  FrontEnd& frontEnd);

} // namespace kelvarin
