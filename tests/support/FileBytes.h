#pragma once

#include <map>
#include <string>
#include <string_view>

namespace kelvarin::test {

// Whole-file helpers for tests: exact bytes in and out, no line-end changes.
std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, std::string_view bytes);
bool FileExists(const std::string& path);

// Every file under `folder`, its path relative to it mapped to its bytes: two
// snapshots compare equal only when no file was added, removed or changed.
std::map<std::string, std::string> SnapshotFolder(const std::string& folder);

} // namespace kelvarin::test
