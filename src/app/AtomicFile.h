#pragma once

#include "app/PartialOutputFile.h"

#include <string>
#include <string_view>

namespace kelvarin {

// Writes `bytes` to a temporary file beside `path`, flushes it (unless
// Deferred) and renames it over `path`, so a reader never sees a half-written
// file under the real name. On failure nothing is left behind and `error`
// names the file and the cause.
bool WriteFileAtomically(const std::string& path, std::string_view bytes,
                         std::string* error = nullptr,
                         Durability durability = Durability::Immediate);

// A temporary name in the same folder as `path` (so a rename stays on one file
// system); the name never ends with a stage extension and never shows in lists.
std::string TemporaryPathFor(const std::string& path);

// Writes all of `bytes` to `fd`, resuming after interrupted or short writes.
// On failure errno tells the cause.
bool WriteAll(int fd, std::string_view bytes);

// The text of errno for messages: "No such file or directory" and so on.
std::string ErrnoText(int error);

} // namespace kelvarin
