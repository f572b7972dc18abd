#include "net/HttpTransfer.h"
#include "pipeline/DailyArchiveNames.h"
#include "pipeline/IndexParse.h"
#include "pipeline/StageRun.h"
#include "pipeline/Stages.h"

namespace kelvarin {

StageOutcome RunConnect(StageContext& context, RemoteList& remoteList) {
    FrontEnd& frontEnd = context.frontEnd;
    frontEnd.SetProgress(20);
    frontEnd.StatusLine().SetText("Connecting to site...");
    const std::string address = IndexAddress(context.server);
    StopRequested = 0;

    StagePump pump(frontEnd);
    HttpTransfer transfer(context.transfer, nullptr, &pump);
    std::string page;
    if (!transfer.FetchUrl(address, page, "Kelvarin..", &frontEnd.TransferStatus())) {
        // The remote list keeps the items of the last Connect that worked.
        frontEnd.SetProgress(0);
        frontEnd.StatusLine().SetText("Connection failed");
        frontEnd.ShowCause(address + ": " + transfer.FailureCause());
        return StageOutcome::Failed;
    }

    frontEnd.SetProgress(70);
    std::vector<std::string> items = ParseIndexPage(page);
    const std::size_t found = items.size();
    FillRemoteList(remoteList, std::move(items));
    frontEnd.StatusLine().SetText("Connection OK - Total stock files available: " +
                                  std::to_string(found));
    frontEnd.SetProgress(100);
    return StageOutcome::Succeeded;
}

} // namespace kelvarin
