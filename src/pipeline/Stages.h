#pragma once

#include "app/WorkingFolders.h"
#include "net/TransferSettings.h"
#include "pipeline/FrontEnd.h"
#include "pipeline/StageFolders.h"

#include <cstddef>
#include <string>

namespace kelvarin {

// The exchange's price server; every address of the stages starts with it.
inline constexpr const char* DefaultExchangeServer = "http://www.sgx.com";

enum class StageOutcome {
    Succeeded,
    Failed,      // a failed connection, an unsuccessful download, a failed archive, a file error
    NoSelection, // manual mode with nothing selected: only the message was shown
};

// Whether a stage runs on its own (a button, a single command) or as a step
// of the unattended run. In the unattended run no stage runs ahead of the one
// before it (see DayBound), so the pipeline can go on after an earlier stage
// failed, and Download keeps the archives it already holds whole instead of
// fetching them again.
enum class RunScope { SingleStage, Unattended };

// Shared by the four stages: what they work on and report to.
struct StageContext {
    WorkingFolders& folders;
    FrontEnd& frontEnd;
    std::string server = DefaultExchangeServer;
    TransferSettings transfer{};
};

StageOutcome RunConnect(StageContext& context, RemoteList& remoteList);
StageOutcome RunDownload(StageContext& context, bool autoMode, const StageList& remoteList,
                         FileList& zipList, RunScope scope = RunScope::SingleStage);
StageOutcome RunUnzip(StageContext& context, bool autoMode, const StageList& zipList,
                      FileList& unzipList, RunScope scope = RunScope::SingleStage);
StageOutcome RunUpdate(StageContext& context, bool autoMode, const StageList& unzipList,
                       FileList& stockList, RunScope scope = RunScope::SingleStage);
// The Update stage with rows gathered up to `batchBudget` bytes before they
// go to disk; the one above uses UpdateBatchBudget. A budget of 0 writes
// every daily file as a batch of its own.
StageOutcome RunUpdate(StageContext& context, bool autoMode, const StageList& unzipList,
                       FileList& stockList, std::size_t batchBudget,
                       RunScope scope = RunScope::SingleStage);

} // namespace kelvarin
