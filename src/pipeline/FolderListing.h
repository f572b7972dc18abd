#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvarin {

enum class EntryKind { Folder, File };

struct ListEntry {
    std::string name; // exactly as the file system returns it
    EntryKind kind = EntryKind::File;
};

// A stage folder as its list shows it.
struct FolderListing {
    std::vector<ListEntry> entries;     // sorted byte-wise ascending, "." and ".." included
    int count = 0;                      // entries whose lower-case name ends with the extension
    std::optional<std::string> message; // shown after the list is filled, when set
};

// Lists `folder` for the stage list of `pattern` ("*.zip", "*.dat", "*.txt"):
// folders always, files when their lower-case name ends with the pattern's
// extension or begins with ".". A missing folder is created (one level) and
// the listing carries the message that says so, or that it failed.
FolderListing ListStageFolder(const std::string& folder, std::string_view pattern);

// Byte-wise ascending, the same order the markers compare in.
bool NameLess(std::string_view a, std::string_view b);

// The text of the folder edit: folder + pattern in lower case.
std::string FolderEditText(const std::string& folder, std::string_view pattern);

} // namespace kelvarin
