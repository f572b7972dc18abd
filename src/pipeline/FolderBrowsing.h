#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kelvarin {

// What a double-click on a stage list row means.
enum class ItemKind { UpNext, Root, Folder, File };

// The kind of the row `text` of the list showing `folder`. Only the rows "."
// and ".." themselves are told by their text, before the folder is ever
// touched: "Jan." and "old.." are folder names like any other. A folder that
// cannot be searched counts as a file.
ItemKind ClassifyListItem(const std::string& folder, const std::string& text);

// The root every "." row leads to: the file-system root.
inline constexpr std::string_view BrowseRoot = "/";

// The stage folder after a double-click on a row of `kind` named `text` in
// `folder`; nothing for a file, which never moves the folder.
std::optional<std::string> FolderAfterOpening(const std::string& folder, const std::string& text,
                                              ItemKind kind);

// Whether a click on `text` chooses a daily file by hand for the next stage:
// an "SGX" name with the list's extension that is a file in `folder`.
bool IsHandPickedDailyFile(const std::string& folder, const std::string& text,
                           std::string_view extension);

} // namespace kelvarin
