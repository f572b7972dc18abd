#include "app/AtomicFile.h"
#include "app/FixedNames.h"
#include "net/HttpTransfer.h"
#include "pipeline/ArchiveCheck.h"
#include "pipeline/Marker.h"
#include "pipeline/RemoteItem.h"
#include "pipeline/Stages.h"
#include "pipeline/StopRequest.h"

#include <optional>

namespace kelvarin {

namespace {

// An error page, a body cut short or a name leading out of the zip folder
// must never be stored as a daily archive.
bool Fetch(const StageContext& context, const std::string& item, const std::string& localName,
           std::string& body) {
    if (localName.find('/') != std::string::npos)
        return false;
    HttpTransfer transfer;
    return transfer.FetchUrl(ArchiveAddress(context.server, item), body, "Kelvarin",
                             &context.frontEnd.StatusLine()) &&
           IsCompleteZipArchive(body);
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
    const std::string markerPath = context.folders.ZipFolder + std::string(AutoDownloadMarker);
    std::string lastName(InitialZipName);
    if (autoMode) {
        lastName = ReadMarker(markerPath, InitialZipName);
    } else if (remoteList.SelectedCount() == 0) {
        frontEnd.ShowMessage("Please selecte a remote file to download, or click Auto.",
                             MessageButtons::Ok);
        return StageOutcome::NoSelection;
    }

    int index = autoMode ? 0 : remoteList.NextSelected(-1);
    const int count = remoteList.Count();
    frontEnd.SetProgressRange(0, 100);
    frontEnd.SetProgress(0);
    StopRequested = 0;
    int downloaded = 0;
    int progressSum = 0;
    bool anyFailed = false;
    // In an Auto run the marker stops at the last archive stored before the
    // first failure, so the next Auto run fetches the failed item again.
    std::optional<std::string> markerName;

    while (index >= 0 && index < count) {
        frontEnd.PumpOneMessage();
        if (StopRequested != 0)
            break;
        frontEnd.SetProgress(progressSum / count);
        const std::string item = remoteList.Text(index);
        const std::string localName = LocalName(item);
        if (!autoMode || lastName < localName) {
            frontEnd.StatusLine().SetText("Downloading " + localName + "...");
            std::string body;
            if (Fetch(context, item, localName, body)) {
                frontEnd.StatusLine().SetText("Download successful");
                const std::string path = context.folders.ZipFolder + localName;
                std::string error;
                if (!WriteFileAtomically(path, body, &error)) {
                    // A folder that cannot take an archive fails every item
                    // after this one as well: the run ends here.
                    frontEnd.ShowMessage(error, MessageButtons::Ok);
                    return StageOutcome::Failed;
                }
                ++downloaded;
                progressSum += 100;
                lastName = localName;
                if (!autoMode || !anyFailed)
                    markerName = localName;
            } else {
                frontEnd.StatusLine().SetText("Download unsuccessful");
                anyFailed = true;
            }
        }
        index = autoMode ? index + 1 : remoteList.NextSelected(index);
        if (StopRequested != 0)
            break;
    }

    RefreshFileList(context.folders.ZipFolder, zipList, ZipPattern, frontEnd);
    if (markerName)
        WriteMarker(markerPath, *markerName);
    frontEnd.StatusLine().SetText(FinalStatus(downloaded, lastName));
    frontEnd.SetProgress(100);
    return anyFailed ? StageOutcome::Failed : StageOutcome::Succeeded;
}

} // namespace kelvarin
