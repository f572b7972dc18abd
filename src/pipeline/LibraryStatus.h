#pragma once

#include "app/WorkingFolders.h"
#include "pipeline/DayLists.h"
#include "pipeline/LastRun.h"
#include "pipeline/StageFolders.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kelvarin {

class StageList;

// Names taken in order: how many, the first and the last.
struct NameSpan {
    int count = 0;
    std::string first;
    std::string last;

    void Add(const std::string& name);
};

// One stage folder as the stage that writes it left it.
struct StageFolderStatus {
    StageFolder stage = StageFolder::Zip;
    std::string path;
    bool exists = false;
    std::optional<std::string> marker{}; // none while there is no marker file
    int files = 0;                       // as the folder's list counts them
    // What the next unattended run takes: remote items for the zip folder
    // (known only from a remote list), the files of the folder before for the
    // others.
    std::optional<NameSpan> next{};
    // Files after the marker that the next run leaves alone, because the
    // stage before has not completed their days.
    NameSpan waiting{};
};

// The stock folder's history files taken together.
struct LibrarySummary {
    int stockFiles = 0;
    std::uint64_t rows = 0;
    // The earliest first row's date and the latest last row's date, compared
    // as text; empty when there is no row.
    std::string firstDate;
    std::string lastDate;
};

// Where the library stands, read from the folders, markers and the records
// in the base folder; nothing is written and no folder is locked, so it can
// be read while a stage runs.
struct LibraryStatus {
    std::array<StageFolderStatus, 3> folders;
    std::vector<DayRecord> held; // held and not skipped, after the Download marker
    std::vector<DayRecord> skipped;
    LibrarySummary library;
    std::optional<LastRun> lastRun;

    // Whether a day is held or any stage has work left for the next run.
    bool Pending() const;
};

// With `remoteList`, the remote items of a Connect, the zip folder's entry also
// tells what the next unattended Download fetches.
LibraryStatus ReadLibraryStatus(const WorkingFolders& folders,
                                const StageList* remoteList = nullptr);

// The status as a few lines of text, the same in both programs.
std::string StatusText(const LibraryStatus& status);

} // namespace kelvarin
