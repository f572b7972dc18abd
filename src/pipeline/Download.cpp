#include "app/AtomicFile.h"
#include "app/CrashPoint.h"
#include "net/TransferPool.h"
#include "pipeline/ArchiveCheck.h"
#include "pipeline/DailyArchiveNames.h"
#include "pipeline/Marker.h"
#include "pipeline/StageFolderClaim.h"
#include "pipeline/StageRun.h"
#include "pipeline/Stages.h"

#include <algorithm>
#include <optional>

namespace kelvarin {

namespace {

constexpr const StageFolderFacts& Zip = FactsOf(StageFolder::Zip);

// A stopped transfer is the user's choice, not a failure to report.
enum class FetchOutcome { Fetched, Failed, Stopped };

// An error page, a body cut short or a name leading out of the zip folder
// must never be stored as a daily archive; `cause` says why an item was not fetched.
FetchOutcome Fetch(const StageContext& context, TransferPool& transfers, const std::string& address,
                   const std::string& localName, std::string& body, std::string& cause) {
    if (localName.find('/') != std::string::npos) {
        cause = "the name " + localName + " would lead out of the zip folder";
        return FetchOutcome::Failed;
    }
    if (!transfers.FetchUrl(address, body, &context.frontEnd.TransferStatus())) {
        cause = transfers.FailureCause();
        return transfers.Stopped() ? FetchOutcome::Stopped : FetchOutcome::Failed;
    }
    if (!IsCompleteZipArchive(body, &cause))
        return FetchOutcome::Failed;
    return FetchOutcome::Fetched;
}

// The archives a run will most likely fetch next, so that their transfers
// can be under way while earlier ones end: the rows still ahead of the walk
// whose names lie past the last archive stored, as an Auto run takes them,
// and that can be stored at all. Only a guess: the transfers fetch what
// they are asked for in any case.
class ArchivesAhead {
public:
    ArchivesAhead(const StageContext& context, const StageList& remoteList, bool autoMode,
                  const std::string& lastName)
        : m_server(context.server), m_list(remoteList), m_walk(remoteList, autoMode),
          m_autoMode(autoMode), m_lastName(lastName) {}

    std::optional<std::string> operator()() {
        for (int row = m_walk.Next(); row >= 0; row = m_walk.Next()) {
            const std::string item = m_list.Text(row);
            const std::string localName = LocalName(item);
            if (localName.find('/') != std::string::npos)
                continue;
            if (!m_autoMode)
                return ArchiveAddress(m_server, item);
            // As if every guess before were stored: an archive listed twice,
            // or under a second spelling, would otherwise go out twice while
            // the run fetches it once.
            if (std::max(m_lastName, m_lastGuessed) < localName) {
                m_lastGuessed = localName;
                return ArchiveAddress(m_server, item);
            }
        }
        return std::nullopt;
    }

private:
    const std::string& m_server;
    const StageList& m_list;
    StageWalk m_walk;
    bool m_autoMode;
    const std::string& m_lastName;
    std::string m_lastGuessed;
};

// One Download run: the archives it stores, and how far its marker may move.
class DownloadRun {
public:
    DownloadRun(StageContext& context, bool autoMode, const StageList& remoteList);

    // Fetches and stores the archive of each row the walk hands out, until
    // the walk ends or Pause. False when an archive could not be stored: a
    // folder that cannot take one fails every item after it as well, so the
    // run ends there.
    bool FetchChosenItems(const StageList& remoteList);
    // Lists the zip folder, moves the marker, and shows the failures and totals.
    StageOutcome Finish(FileList& zipList);

private:
    bool FetchItem(const std::string& item);
    bool Store(const std::string& localName, const std::string& body);
    std::string FinalStatus() const;

    StageContext& m_context;
    FrontEnd& m_frontEnd;
    const std::string& m_zipFolder;
    const bool m_autoMode;
    std::string m_lastName;
    // In an Auto run the marker stops at the last archive stored before the
    // first failure, so the next Auto run fetches the failed item again.
    std::optional<std::string> m_markerName;
    FailureReport m_failures;
    StagePump m_pump;
    // Each archive has its own transfer and session, but all of them reuse
    // the run's few connections instead of opening one per archive.
    TransferPool m_transfers;
    int m_downloaded = 0;
    int m_progressSum = 0;
};

DownloadRun::DownloadRun(StageContext& context, bool autoMode, const StageList& remoteList)
    : m_context(context), m_frontEnd(context.frontEnd), m_zipFolder(Zip.FolderIn(context.folders)),
      m_autoMode(autoMode), m_lastName(Zip.initialName), m_pump(context.frontEnd),
      m_transfers(context.transfer, m_pump, "Kelvarin",
                  ArchivesAhead(context, remoteList, autoMode, m_lastName)) {
    if (autoMode)
        m_lastName = ReadMarker(m_zipFolder + std::string(Zip.marker), Zip.initialName);
}

bool DownloadRun::FetchChosenItems(const StageList& remoteList) {
    m_frontEnd.SetProgressRange(0, 100);
    m_frontEnd.SetProgress(0);
    StopRequested = 0;
    StageWalk walk(remoteList, m_autoMode);
    for (int row = walk.Next(); row >= 0; row = walk.Next()) {
        m_frontEnd.PumpOneMessage();
        if (StopRequested != 0)
            break;
        m_frontEnd.SetProgress(m_progressSum / walk.Rows());
        if (!FetchItem(remoteList.Text(row)))
            return false;
        if (StopRequested != 0)
            break;
    }
    return true;
}

bool DownloadRun::FetchItem(const std::string& item) {
    const std::string localName = LocalName(item);
    if (m_autoMode && !(m_lastName < localName))
        return true;
    m_frontEnd.StatusLine().SetText("Downloading " + localName + "...");
    const std::string address = ArchiveAddress(m_context.server, item);
    std::string body;
    std::string cause;
    const FetchOutcome outcome = Fetch(m_context, m_transfers, address, localName, body, cause);
    if (outcome != FetchOutcome::Fetched) {
        m_frontEnd.StatusLine().SetText("Download unsuccessful");
        if (outcome == FetchOutcome::Failed)
            m_failures.Add(address, cause);
        return true;
    }
    m_frontEnd.StatusLine().SetText("Download successful");
    return Store(localName, body);
}

bool DownloadRun::Store(const std::string& localName, const std::string& body) {
    std::string error;
    // On disk by the flush before the marker, with the others of the run.
    if (!WriteFileAtomically(m_zipFolder + localName, body, &error, Durability::Deferred)) {
        m_frontEnd.ShowMessage(error, MessageButtons::Ok);
        return false;
    }
    ++m_downloaded;
    m_progressSum += 100;
    m_lastName = localName;
    if (!m_autoMode || m_failures.Empty())
        m_markerName = localName;
    CrashPoint();
    return true;
}

StageOutcome DownloadRun::Finish(FileList& zipList) {
    RefreshFileList(m_context, StageFolder::Zip, zipList);
    const bool committed =
        !m_markerName || CommitMarker(m_zipFolder, Zip.marker, *m_markerName, m_frontEnd);
    m_failures.Show(m_frontEnd, "Download unsuccessful:");
    m_frontEnd.StatusLine().SetText(FinalStatus());
    m_frontEnd.SetProgress(100);
    return m_failures.Empty() && committed ? StageOutcome::Succeeded : StageOutcome::Failed;
}

std::string DownloadRun::FinalStatus() const {
    std::string status = "Total files downloaded: " + std::to_string(m_downloaded);
    if (m_lastName != Zip.initialName)
        status += ", last:" + m_lastName;
    if (StopRequested != 0)
        status += " - Stopped by user.";
    return status;
}

} // namespace

StageOutcome RunDownload(StageContext& context, bool autoMode, const StageList& remoteList,
                         FileList& zipList) {
    if (!autoMode && remoteList.SelectedCount() == 0) {
        context.frontEnd.ShowMessage("Please selecte a remote file to download, or click Auto.",
                                     MessageButtons::Ok);
        return StageOutcome::NoSelection;
    }
    const StageFolderClaim claim(Zip.FolderIn(context.folders), context.frontEnd);
    if (claim.Refused())
        return StageOutcome::Failed;
    DownloadRun run(context, autoMode, remoteList);
    if (!run.FetchChosenItems(remoteList))
        return StageOutcome::Failed;
    return run.Finish(zipList);
}

} // namespace kelvarin
