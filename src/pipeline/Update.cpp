#include "app/FixedNames.h"
#include "pipeline/Marker.h"
#include "pipeline/StageFolderClaim.h"
#include "pipeline/StageRun.h"
#include "pipeline/Stages.h"
#include "pipeline/UpdateBatch.h"
#include "pipeline/UpdateJournal.h"

#include <cstdlib>

namespace kelvarin {

namespace {

constexpr const StageFolderFacts& Stock = FactsOf(StageFolder::Stock);

// Each daily file handled adds this to the progress base, which is divided by
// the number of rows: the bar fills by row position, not by files handled.
constexpr int ProgressPerFile = 100;
constexpr int ProgressStart = 500;

// The unzip list starts with the folder rows "." and "..".
constexpr int FolderRows = 2;

// One Update run. The marker only ever names a daily file whose rows are all
// on disk: each flush writes the rows of the daily files gathered so far,
// then moves the marker. A failed batch is taken back whole, so the marker
// then names the last daily file of the batch before.
class UpdateRun {
public:
    UpdateRun(StageContext& context, std::size_t batchBudget);

    // Takes a run that was killed back to what its marker says.
    bool RecoverInterruptedRun();
    // Gathers the rows of each daily file the walk hands out and writes them
    // in batches, until the walk ends or Pause. False when a daily file could
    // not be read or a batch not written; Error() then says why.
    bool ApplyChosenFiles(bool autoMode, const StageList& unzipList, const DayBound& bound);
    // Shows the error of a failed run, lists the stock folder when anything
    // reached it, and shows the totals of a run that did not fail.
    StageOutcome Finish(bool applied, FileList& stockList);

private:
    bool ApplyFile(const std::string& dailyName);
    // Whether to apply a daily file the marker says was applied already.
    bool AskToRepeat(const std::string& dailyName);
    bool Flush(std::string& error) { return m_batch.Flush(m_journal, m_markerPath, &error); }

    FrontEnd& m_frontEnd;
    StageContext& m_context;
    const WorkingFolders& m_folders;
    const std::string m_markerPath;
    UpdateJournal m_journal;
    UpdateBatch m_batch;
    std::string m_lastName;
    std::string m_error;
    int m_handled = 0;
    int m_progressBase = ProgressStart;
};

UpdateRun::UpdateRun(StageContext& context, std::size_t batchBudget)
    : m_frontEnd(context.frontEnd), m_context(context), m_folders(context.folders),
      m_markerPath(Stock.FolderIn(m_folders) + std::string(Stock.marker)),
      m_journal(Stock.FolderIn(m_folders)), m_batch(Stock.FolderIn(m_folders), batchBudget) {}

bool UpdateRun::RecoverInterruptedRun() {
    if (!m_journal.Recover(m_markerPath, &m_error)) {
        m_frontEnd.ShowMessage(m_error, MessageButtons::Ok);
        return false;
    }
    m_lastName = ReadMarker(m_markerPath, Stock.initialName);
    return true;
}

bool UpdateRun::ApplyChosenFiles(bool autoMode, const StageList& unzipList, const DayBound& bound) {
    m_frontEnd.StatusLine().SetText("Updating stock files...");
    m_frontEnd.SetProgressRange(0, 100);
    m_frontEnd.SetProgress(5);
    StopRequested = 0;
    // Here each pump comes before the next row is taken, so a selection
    // changed meanwhile counts.
    StageWalk walk(unzipList, autoMode, FolderRows);
    while (!walk.AtEnd()) {
        m_frontEnd.PumpOneMessage();
        if (StopRequested != 0)
            break;
        const int row = walk.Next();
        if (row < 0)
            break;
        m_frontEnd.SetProgress(m_progressBase / walk.Rows());
        const std::string dailyName = unzipList.Text(row);
        if (!dailyName.ends_with(DatExtension) || (autoMode && !bound.Admits(dailyName)))
            continue;
        if (!(m_lastName < dailyName)) {
            if (autoMode)
                continue;
            // The answer may take long, or never come if the program is
            // closed: what was gathered goes to disk before the question.
            if (!Flush(m_error))
                return false;
            if (!AskToRepeat(dailyName))
                continue;
        }
        if (!ApplyFile(dailyName))
            return false;
    }
    // At the end of the walk and at Pause alike.
    return Flush(m_error);
}

bool UpdateRun::AskToRepeat(const std::string& dailyName) {
    const std::string question = "Are you sure you want to update from " + dailyName +
                                 "? The last update was from " + m_lastName + ".";
    return m_frontEnd.ShowMessage(question, MessageButtons::YesNo) == MessageAnswer::Yes;
}

bool UpdateRun::ApplyFile(const std::string& dailyName) {
    m_frontEnd.StatusLine().SetText("Updating stock files from " + dailyName);
    if (!m_batch.Add(m_folders.UnzipFolder + dailyName, dailyName, &m_error)) {
        // The daily files gathered before this one are whole: they stay.
        std::string flushError;
        if (!Flush(flushError))
            m_error += "\n" + flushError;
        return false;
    }
    ++m_handled;
    m_progressBase += ProgressPerFile;
    m_lastName = dailyName;
    // The disk catches up with a full batch while the next one is gathered.
    return !m_batch.Full() || m_batch.FlushBehind(m_journal, m_markerPath, &m_error);
}

StageOutcome UpdateRun::Finish(bool applied, FileList& stockList) {
    // The status keeps the daily file in hand when the run failed.
    if (!applied)
        m_frontEnd.ShowMessage(m_error, MessageButtons::Ok);
    if (m_batch.FilesOnDisk() > 0) {
        RefreshFileList(m_context, StageFolder::Stock, stockList);
        m_frontEnd.SetProgress(100);
    }
    if (!applied)
        return StageOutcome::Failed;
    m_frontEnd.StatusLine().SetText("Total " + std::to_string(m_batch.LastFileRecords()) +
                                    " stock files updated from " + std::to_string(m_handled) +
                                    " files, last:" + m_lastName);
    return StageOutcome::Succeeded;
}

// The crash and fault sweeps make batches small with
// KELVARIN_UPDATE_BATCH_BYTES, so that a run of a few days writes one batch
// while it reads the next.
std::size_t BatchBudget() {
    const char* value = std::getenv("KELVARIN_UPDATE_BATCH_BYTES");
    const unsigned long long bytes = value ? std::strtoull(value, nullptr, 10) : 0;
    return bytes > 0 ? static_cast<std::size_t>(bytes) : UpdateBatchBudget;
}

} // namespace

StageOutcome RunUpdate(StageContext& context, bool autoMode, const StageList& unzipList,
                       FileList& stockList, RunScope scope) {
    return RunUpdate(context, autoMode, unzipList, stockList, BatchBudget(), scope);
}

StageOutcome RunUpdate(StageContext& context, bool autoMode, const StageList& unzipList,
                       FileList& stockList, std::size_t batchBudget, RunScope scope) {
    if (!autoMode && unzipList.SelectedCount() == 0) {
        context.frontEnd.ShowMessage("Please selecte an unzipped file to update, or click Auto.",
                                     MessageButtons::Ok);
        return StageOutcome::NoSelection;
    }
    // Held for the whole run, pumped commands included, so another program
    // never appends to the same history files meanwhile.
    const StageFolderClaim claim(Stock.FolderIn(context.folders), context.frontEnd);
    if (claim.Refused())
        return StageOutcome::Failed;
    UpdateRun run(context, batchBudget);
    if (!run.RecoverInterruptedRun())
        return StageOutcome::Failed;
    const bool applied = run.ApplyChosenFiles(autoMode, unzipList,
                                              DayBound(scope, context.folders, StageFolder::Unzip));
    return run.Finish(applied, stockList);
}

} // namespace kelvarin
