#pragma once

#include <map>
#include <string>
#include <string_view>

namespace kelvarin::test {

// Every regular file below a folder, by its path relative to it, with its bytes.
using FolderFiles = std::map<std::string, std::string>;

// The files below `folder` whose names end with `extension` (every file when
// it is empty).
FolderFiles SnapshotFolder(const std::string& folder, std::string_view extension = {});

// What differs between two snapshots, one line per file; empty when they match.
std::string SnapshotDifference(const FolderFiles& got, const FolderFiles& expected);

// The same for the files below two folders as they stand, read a pair at a
// time, so that folders of hundreds of megabytes compare too.
std::string FolderDifference(const std::string& got, const std::string& expected,
                             std::string_view extension = {});

} // namespace kelvarin::test
