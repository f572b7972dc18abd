#include "pipeline/ClearStageFiles.h"

#include <unistd.h>

namespace kelvarin {

void DeleteStageFiles(const std::vector<std::string>& rows, const std::string& folder,
                      std::string_view extension, std::string_view markerName) {
    const std::string marker = folder + std::string(markerName);
    for (const std::string& row : rows) {
        // Case-sensitive on purpose: a row in another letter case is not taken
        // for a stage file, so it stays and its row clears the marker instead.
        if (row.ends_with(extension))
            ::unlink((folder + row).c_str());
        else
            ::unlink(marker.c_str());
    }
}

} // namespace kelvarin
