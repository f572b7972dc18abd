#pragma once

#include "app/WorkingFolders.h"

#include <string>

namespace kelvarin {

// Reads the three stage folders from the settings file. A file that cannot be
// opened gives the base-folder defaults; a missing section keeps the folder's
// current value. Returns false when the file could not be opened.
bool ReadSettings(const std::string& path, WorkingFolders& folders);

// Replaces the settings file with the three stage folders, atomically: on
// failure the old file is untouched and `error` names the path and the cause.
bool WriteSettings(const std::string& path, const WorkingFolders& folders,
                   std::string* error = nullptr);

// The exact bytes WriteSettings stores.
std::string FormatSettings(const WorkingFolders& folders);

} // namespace kelvarin
