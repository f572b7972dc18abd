#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kelvarin {

// Deletes what a Clear All removes, from a snapshot of the list's rows: a row
// ending exactly in `extension` deletes folder + row, any other row deletes the
// marker. Failures are ignored, as a file that stays shows up again in the
// refreshed list.
void DeleteStageFiles(const std::vector<std::string>& rows, const std::string& folder,
                      std::string_view extension, std::string_view markerName);

} // namespace kelvarin
