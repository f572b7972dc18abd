#pragma once

#include <string>
#include <string_view>

namespace kelvarin::test {

// Whole-file helpers for tests: exact bytes in and out, no line-end changes.
std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, std::string_view bytes);
bool FileExists(const std::string& path);

} // namespace kelvarin::test
