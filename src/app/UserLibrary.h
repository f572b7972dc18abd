#pragma once

#include <string>

namespace kelvarin {

// The user's own library, the base folder when a program is started with
// --user-library (as the desktop menu does): XDG_DATA_HOME + "/Kelvarin", or
// HOME + "/.local/share/Kelvarin" when XDG_DATA_HOME is unset or empty. The
// desktop program finds the same folder through Qt; both make it absolute and
// clean, without a trailing "/".
std::string UserLibraryFolder();

// The start page installed with the program whose file is `programFile`,
// found from the program's own folder, so a package unpacked under any root
// finds its own copy.
std::string InstalledStartPage(const std::string& programFile);

// Creates `folder` with its parents when missing and gives it a copy of
// `startPage` when it has no start page yet. A missing `startPage` is no
// error: the start page pane then names the file it looked for. On failure
// `error` names the folder or file and the cause.
bool PrepareUserLibrary(const std::string& folder, const std::string& startPage,
                        std::string* error);

} // namespace kelvarin
