#pragma once

#include <string>

namespace kelvarin {

// True when folders may be created along `path` before writing it: its folder
// part is relative and never climbs out with "../" or "..\".
bool MayCreateFoldersAlong(const std::string& path);

// True when a member name stays inside the folder it is placed in: not
// absolute and without a ".." step.
bool StaysInsideBaseFolder(const std::string& memberName);

// Creates every folder of the "/"-separated chain from the first to the last;
// folders that exist already are fine. True when the last one is a folder.
bool CreateFolderChain(const std::string& folder);

// `path` up to and including its last "/", or "" for a bare name.
std::string FolderPartOf(const std::string& path);

} // namespace kelvarin
