#pragma once

#include "app/FixedNames.h"
#include "app/WorkingFolders.h"
#include "pipeline/StageRun.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace kelvarin {

class FileList;
class FrontEnd;
struct StageContext;
enum class StageOutcome;

enum class StageFolder { Zip, Unzip, Stock };

// What belongs to one stage folder, for every part of the program that deals
// with the folders alike: the stages, Clear All and both front ends.
struct StageFolderFacts {
    StageFolder stage;
    std::string WorkingFolders::*folder;
    std::string_view pattern;   // the files its list shows
    std::string_view extension; // what the name of a file of the stage ends with
    // The marker of the stage that writes the folder, and the name it stands
    // for while there is none.
    std::string_view marker;
    std::string_view initialName;
    std::string_view listName;    // its list, as the command line names it
    std::string_view commandName; // the folder, as `kelvarin-cli clear` takes it
    std::string_view clearConfirmation;

    std::string& FolderIn(WorkingFolders& folders) const { return folders.*folder; }
    const std::string& FolderIn(const WorkingFolders& folders) const { return folders.*folder; }
};

// In the order of StageFolder.
inline constexpr std::array<StageFolderFacts, 3> StageFolderTable{{
    {StageFolder::Zip, &WorkingFolders::ZipFolder, ZipPattern, ZipExtension, AutoDownloadMarker,
     InitialZipName, "zip list", "zip",
     "Are you sure you want to delete all the downloaded files? \n\nAfter deletion, you can use "
     "Download with Auto option to rebuild all the downloaded files."},
    {StageFolder::Unzip, &WorkingFolders::UnzipFolder, DatPattern, DatExtension, AutoUnzipMarker,
     InitialZipName, "unzip list", "unzip",
     "Are you sure you want to delete all the unzipped files? \n\nAfter deletion, you can use "
     "Unzip with Auto option to rebuild all the unzipped files."},
    {StageFolder::Stock, &WorkingFolders::StockFolder, TxtPattern, TxtExtension, AutoUpdateMarker,
     InitialDatName, "stock list", "stocks",
     "Are you sure you want to delete all the stock files? \n\nAfter deletion, you can use Update "
     "with Auto option to rebuild all the stock files."},
}};

constexpr const StageFolderFacts& FactsOf(StageFolder stage) {
    return StageFolderTable[static_cast<std::size_t>(stage)];
}

// Empties `list`, fills it from `folder`, shows edit text and count, and then
// shows the listing's message, if any.
void RefreshFileList(const std::string& folder, FileList& list, std::string_view pattern,
                     FrontEnd& frontEnd);
// The same for the list of one stage folder, as the folders stand now.
void RefreshFileList(StageContext& context, StageFolder stage, FileList& list);

// Clear All of one stage list, after its confirmation. Failed when another
// Kelvarin process holds the folder or a file could not be deleted, which
// is then named with the cause; a cancelled Clear All succeeds.
StageOutcome ClearStageFiles(StageContext& context, StageFolder stage, FileList& list);

// Deletes what a Clear All removes, from a snapshot of the list's rows: a row
// ending exactly in `extension` deletes folder + row, any other row deletes the
// marker. The files that could not be deleted, each with the cause; a file
// already gone and a folder are none of them.
FailureReport DeleteStageFiles(const std::vector<std::string>& rows, const std::string& folder,
                               std::string_view extension, std::string_view markerName);

} // namespace kelvarin
