#include "app/FixedNames.h"
#include "pipeline/ApplyDailyPriceFile.h"
#include "pipeline/Marker.h"
#include "pipeline/Stages.h"
#include "pipeline/StopRequest.h"

namespace kelvarin {

namespace {

// Each daily file handled adds this to the progress base, which is divided by
// the number of rows: the bar fills by row position, not by files handled.
constexpr int ProgressPerFile = 100;
constexpr int ProgressStart = 500;

} // namespace

StageOutcome RunUpdate(StageContext& context, bool autoMode, const StageList& unzipList,
                       FileList& stockList) {
    FrontEnd& frontEnd = context.frontEnd;
    const WorkingFolders& folders = context.folders;
    const std::string markerPath = folders.StockFolder + std::string(AutoUpdateMarker);
    if (!autoMode && unzipList.SelectedCount() == 0) {
        frontEnd.ShowMessage("Please selecte an unzipped file to update, or click Auto.",
                             MessageButtons::Ok);
        return StageOutcome::NoSelection;
    }
    std::string lastName = ReadMarker(markerPath, InitialDatName);
    const int rows = unzipList.Count();

    frontEnd.StatusLine().SetText("Updating stock files...");
    frontEnd.SetProgressRange(0, 100);
    frontEnd.SetProgress(5);
    StopRequested = 0;
    int records = 0;
    int progressBase = ProgressStart;
    int handled = 0;
    bool fileError = false;

    // Rows 0 and 1 are the folder rows "." and "..": the walk starts on row 1
    // and advances before it reads, so it never reads either.
    int row = 1;
    while (row < rows) {
        frontEnd.PumpOneMessage();
        if (StopRequested != 0)
            break;
        row = autoMode ? row + 1 : unzipList.NextSelected(row);
        if (row < 0 || row >= rows)
            break;
        frontEnd.SetProgress(progressBase / rows);
        const std::string dailyName = unzipList.Text(row);
        if (!dailyName.ends_with(".dat"))
            continue;
        if (!(lastName < dailyName)) {
            if (autoMode)
                continue;
            const std::string question = "Are you sure you want to update from " + dailyName +
                                         "? The last update was from " + lastName + ".";
            if (frontEnd.ShowMessage(question, MessageButtons::YesNo) != MessageAnswer::Yes)
                continue;
        }
        frontEnd.StatusLine().SetText("Updating stock files from " + dailyName);
        std::string error;
        if (!ApplyDailyPriceFile(folders.UnzipFolder + dailyName, folders.StockFolder, records,
                                 error)) {
            // Nothing of this daily file is on disk, so the marker below names
            // the last one that is, and the status keeps the failing file.
            frontEnd.ShowMessage(error, MessageButtons::Ok);
            fileError = true;
            break;
        }
        ++handled;
        progressBase += ProgressPerFile;
        lastName = dailyName;
    }

    if (handled > 0) {
        RefreshFileList(folders.StockFolder, stockList, TxtPattern, frontEnd);
        frontEnd.SetProgress(100);
        WriteMarker(markerPath, lastName);
    }
    if (fileError)
        return StageOutcome::Failed;
    frontEnd.StatusLine().SetText("Total " + std::to_string(records) +
                                  " stock files updated from " + std::to_string(handled) +
                                  " files, last:" + lastName);
    return StageOutcome::Succeeded;
}

} // namespace kelvarin
