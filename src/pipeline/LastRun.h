#pragma once

#include "app/WorkingFolders.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kelvarin {

// What the last unattended run did, for `status` and for monitoring: a small
// text file of key=value lines in the base folder, replaced whole by each run.
// Its name has no stage extension, so no stage list shows it.
struct LastRun {
    static constexpr std::string_view FileName = "/kelvarin-last-run";

    std::string started{}; // local time, as LocalTimeNow gives it
    std::string finished{};
    std::string outcome{}; // "succeeded", "failed" or "stopped"
    int exitStatus = 0;
    // Each step of the run in order, and how it ended: "succeeded",
    // "failed", "stopped" or "not run".
    std::vector<std::pair<std::string, std::string>> steps{};

    // None when no run has left a record, or the file cannot be read.
    static std::optional<LastRun> Read(const WorkingFolders& folders);
    // Atomically; on failure `error` names the file and the cause.
    bool Write(const WorkingFolders& folders, std::string* error) const;
};

} // namespace kelvarin
