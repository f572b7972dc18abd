#pragma once

#include "app/FolderLock.h"
#include "pipeline/LibraryFindings.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kelvarin {

struct WorkingFolders;

// A history file's bytes with its rows in date order (rows of one day keep
// their order) and without the rows that repeat an earlier row byte for byte.
struct HistoryRepair {
    std::string bytes;
    std::size_t outOfOrder = 0; // rows dated before the row above them
    std::size_t repeats = 0;    // rows removed
};

// False when a line of the file is no row (or the header is not the
// header): nothing then says where that line belongs, so nothing is mended.
bool RepairHistoryBytes(std::string_view bytes, HistoryRepair& repair);

// The mending a check offers: the history files whose only faults that
// concern their rows are rows out of order and exact repeats, rewritten.
// Every other fault is the user's to judge.
class LibraryRepair {
public:
    struct Step {
        std::string path;
        std::string plan; // what will be done, in words
    };

    // Takes the stock folder for itself and plans a step for each file of
    // `report` that can be mended, as the file stands now.
    LibraryRepair(const WorkingFolders& folders, const LibraryReport& report);

    // Why nothing can be repaired (the folder held by another process, or an
    // interrupted Update to be finished first); empty when steps can run.
    const std::string& Error() const { return m_error; }
    const std::vector<Step>& Steps() const { return m_steps; }

    // Rewrites the step's file through a temporary file and a rename. False,
    // with the file and the cause in `error`, when it could not: the file is
    // then as it was.
    bool Apply(const Step& step, std::string* error) const;

private:
    std::unique_ptr<FolderLock> m_lock;
    std::string m_error;
    std::vector<Step> m_steps;
};

} // namespace kelvarin
