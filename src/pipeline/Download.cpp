#include "app/AtomicFile.h"
#include "app/CrashPoint.h"
#include "app/FileAccess.h"
#include "app/FixedNames.h"
#include "net/ConnectionShare.h"
#include "net/HttpTransfer.h"
#include "pipeline/ArchiveCheck.h"
#include "pipeline/DailyArchiveNames.h"
#include "pipeline/FailureReport.h"
#include "pipeline/Marker.h"
#include "pipeline/StageFolderClaim.h"
#include "pipeline/StagePump.h"
#include "pipeline/Stages.h"
#include "pipeline/StopRequest.h"

#include <cerrno>
#include <optional>

namespace kelvarin {

namespace {

// A stopped transfer is the user's choice, not a failure to report.
enum class FetchOutcome { Fetched, Failed, Stopped };

// An error page, a body cut short or a name leading out of the zip folder
// must never be stored as a daily archive; `cause` says why an item was not fetched.
FetchOutcome Fetch(const StageContext& context, ConnectionShare& connections,
                   const std::string& address, const std::string& localName, std::string& body,
                   std::string& cause) {
    if (localName.find('/') != std::string::npos) {
        cause = "the name " + localName + " would lead out of the zip folder";
        return FetchOutcome::Failed;
    }
    StagePump pump(context.frontEnd);
    HttpTransfer transfer(context.limits, &connections, &pump);
    if (!transfer.FetchUrl(address, body, "Kelvarin", &context.frontEnd.TransferStatus())) {
        cause = transfer.FailureCause();
        return transfer.Stopped() ? FetchOutcome::Stopped : FetchOutcome::Failed;
    }
    if (!IsCompleteZipArchive(body, &cause))
        return FetchOutcome::Failed;
    return FetchOutcome::Fetched;
}

std::string FinalStatus(int downloaded, const std::string& lastName) {
    std::string status = "Total files downloaded: " + std::to_string(downloaded);
    if (lastName != InitialZipName)
        status += ", last:" + lastName;
    if (StopRequested != 0)
        status += " - Stopped by user.";
    return status;
}

} // namespace

StageOutcome RunDownload(StageContext& context, bool autoMode, const StageList& remoteList,
                         FileList& zipList) {
    FrontEnd& frontEnd = context.frontEnd;
    const std::string& zipFolder = context.folders.ZipFolder;
    const std::string markerPath = zipFolder + std::string(AutoDownloadMarker);
    if (!autoMode && remoteList.SelectedCount() == 0) {
        frontEnd.ShowMessage("Please selecte a remote file to download, or click Auto.",
                             MessageButtons::Ok);
        return StageOutcome::NoSelection;
    }
    const StageFolderClaim claim(zipFolder, frontEnd);
    if (claim.Refused())
        return StageOutcome::Failed;
    std::string lastName(InitialZipName);
    if (autoMode)
        lastName = ReadMarker(markerPath, InitialZipName);

    int index = autoMode ? 0 : remoteList.NextSelected(-1);
    const int count = remoteList.Count();
    frontEnd.SetProgressRange(0, 100);
    frontEnd.SetProgress(0);
    StopRequested = 0;
    int downloaded = 0;
    int progressSum = 0;
    FailureReport failures;
    // In an Auto run the marker stops at the last archive stored before the
    // first failure, so the next Auto run fetches the failed item again.
    std::optional<std::string> markerName;
    // Each archive has its own transfer and session, but all of them reuse the
    // run's connection instead of opening one per archive.
    ConnectionShare connections;

    while (index >= 0 && index < count) {
        frontEnd.PumpOneMessage();
        if (StopRequested != 0)
            break;
        frontEnd.SetProgress(progressSum / count);
        const std::string item = remoteList.Text(index);
        const std::string localName = LocalName(item);
        if (!autoMode || lastName < localName) {
            frontEnd.StatusLine().SetText("Downloading " + localName + "...");
            const std::string address = ArchiveAddress(context.server, item);
            std::string body;
            std::string cause;
            const FetchOutcome outcome =
                Fetch(context, connections, address, localName, body, cause);
            if (outcome == FetchOutcome::Fetched) {
                frontEnd.StatusLine().SetText("Download successful");
                std::string error;
                // On disk by the flush before the marker, with the others of the run.
                if (!WriteFileAtomically(zipFolder + localName, body, &error,
                                         Durability::Deferred)) {
                    // A folder that cannot take an archive fails every item
                    // after this one as well: the run ends here.
                    frontEnd.ShowMessage(error, MessageButtons::Ok);
                    return StageOutcome::Failed;
                }
                ++downloaded;
                progressSum += 100;
                lastName = localName;
                if (!autoMode || failures.Empty())
                    markerName = localName;
                CrashPoint();
            } else {
                frontEnd.StatusLine().SetText("Download unsuccessful");
                if (outcome == FetchOutcome::Failed)
                    failures.Add(address, cause);
            }
        }
        index = autoMode ? index + 1 : remoteList.NextSelected(index);
        if (StopRequested != 0)
            break;
    }

    RefreshFileList(zipFolder, zipList, ZipPattern, frontEnd);
    bool flushed = true;
    if (markerName) {
        CrashPoint();
        flushed = SyncFileSystemOf(zipFolder);
        if (flushed)
            WriteMarker(markerPath, *markerName);
        else
            frontEnd.ShowMessage("Cannot write " + zipFolder + ": " + ErrnoText(errno),
                                 MessageButtons::Ok);
    }
    failures.Show(frontEnd, "Download unsuccessful:");
    frontEnd.StatusLine().SetText(FinalStatus(downloaded, lastName));
    frontEnd.SetProgress(100);
    return failures.Empty() && flushed ? StageOutcome::Succeeded : StageOutcome::Failed;
}

} // namespace kelvarin
