#include "app/FixedNames.h"
#include "pipeline/Marker.h"
#include "pipeline/StageFolderClaim.h"
#include "pipeline/Stages.h"
#include "pipeline/StopRequest.h"
#include "pipeline/UpdateBatch.h"
#include "pipeline/UpdateJournal.h"
#include "pipeline/UpdateStage.h"

namespace kelvarin {

namespace {

// Each daily file handled adds this to the progress base, which is divided by
// the number of rows: the bar fills by row position, not by files handled.
constexpr int ProgressPerFile = 100;
constexpr int ProgressStart = 500;

} // namespace

StageOutcome RunUpdate(StageContext& context, bool autoMode, const StageList& unzipList,
                       FileList& stockList) {
    return RunUpdate(context, autoMode, unzipList, stockList, UpdateBatchBudget);
}

StageOutcome RunUpdate(StageContext& context, bool autoMode, const StageList& unzipList,
                       FileList& stockList, std::size_t batchBudget) {
    FrontEnd& frontEnd = context.frontEnd;
    const WorkingFolders& folders = context.folders;
    const std::string markerPath = folders.StockFolder + std::string(AutoUpdateMarker);
    if (!autoMode && unzipList.SelectedCount() == 0) {
        frontEnd.ShowMessage("Please selecte an unzipped file to update, or click Auto.",
                             MessageButtons::Ok);
        return StageOutcome::NoSelection;
    }
    // Held for the whole run, pumped commands included, so another program
    // never appends to the same history files meanwhile.
    const StageFolderClaim claim(folders.StockFolder, frontEnd);
    if (claim.Refused())
        return StageOutcome::Failed;
    UpdateJournal journal(folders.StockFolder);
    // A run that was killed is taken back to what its marker says first.
    std::string error;
    if (!journal.Recover(markerPath, &error)) {
        frontEnd.ShowMessage(error, MessageButtons::Ok);
        return StageOutcome::Failed;
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

    // The marker only ever names a daily file whose rows are all on disk:
    // each flush writes the rows of its daily files, then moves the marker.
    UpdateBatch batch(folders.StockFolder, batchBudget);
    int onDisk = 0;
    const auto flush = [&](std::string* flushError) {
        const int files = batch.Files();
        if (!batch.Flush(journal, markerPath, flushError))
            return false;
        onDisk += files;
        return true;
    };
    bool failed = false;

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
        if (!dailyName.ends_with(DatExtension))
            continue;
        if (!(lastName < dailyName)) {
            if (autoMode)
                continue;
            // The answer may take long, or never come if the program is
            // closed: what was gathered goes to disk before the question.
            if (!flush(&error)) {
                failed = true;
                break;
            }
            const std::string question = "Are you sure you want to update from " + dailyName +
                                         "? The last update was from " + lastName + ".";
            if (frontEnd.ShowMessage(question, MessageButtons::YesNo) != MessageAnswer::Yes)
                continue;
        }
        frontEnd.StatusLine().SetText("Updating stock files from " + dailyName);
        if (!batch.Add(folders.UnzipFolder + dailyName, dailyName, records, &error)) {
            // The daily files gathered before this one are whole: they stay.
            std::string flushError;
            if (!flush(&flushError))
                error += "\n" + flushError;
            failed = true;
            break;
        }
        ++handled;
        progressBase += ProgressPerFile;
        lastName = dailyName;
        if (batch.Full() && !flush(&error)) {
            failed = true;
            break;
        }
    }
    // At the end of the walk and at Pause alike.
    if (!failed && !flush(&error))
        failed = true;

    // A failed batch is taken back whole, so the status keeps the daily file
    // in hand and the marker names the last daily file of the batch before.
    if (failed)
        frontEnd.ShowMessage(error, MessageButtons::Ok);
    if (onDisk > 0) {
        RefreshFileList(folders.StockFolder, stockList, TxtPattern, frontEnd);
        frontEnd.SetProgress(100);
    }
    if (failed)
        return StageOutcome::Failed;
    frontEnd.StatusLine().SetText("Total " + std::to_string(records) +
                                  " stock files updated from " + std::to_string(handled) +
                                  " files, last:" + lastName);
    return StageOutcome::Succeeded;
}

} // namespace kelvarin
