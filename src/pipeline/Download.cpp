#include "app/AtomicFile.h"
#include "app/CrashPoint.h"
#include "net/TransferPool.h"
#include "pipeline/ArchiveCheck.h"
#include "pipeline/DailyArchiveNames.h"
#include "pipeline/DayLists.h"
#include "pipeline/HeldDays.h"
#include "pipeline/Marker.h"
#include "pipeline/StageFolderClaim.h"
#include "pipeline/StageRun.h"
#include "pipeline/Stages.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <set>

namespace kelvarin {

namespace {

constexpr const StageFolderFacts& Zip = FactsOf(StageFolder::Zip);

// A stopped transfer is the user's choice, not a failure to report. A day the
// exchange refused, or sent no whole archive for, failed by itself and is
// held; a transfer that never got an answer says nothing about the day.
enum class FetchOutcome { Fetched, DayFailed, TransferFailed, Stopped };

// An error page, a body cut short or a name leading out of the zip folder
// must never be stored as a daily archive; `cause` says why an item was not fetched.
FetchOutcome Fetch(const StageContext& context, TransferPool& transfers, const std::string& address,
                   const std::string& localName, std::string& body, std::string& cause) {
    if (localName.find('/') != std::string::npos) {
        cause = "the name " + localName + " would lead out of the zip folder";
        return FetchOutcome::DayFailed;
    }
    if (!transfers.FetchUrl(address, body, &context.frontEnd.TransferStatus())) {
        cause = transfers.FailureCause();
        if (transfers.Stopped())
            return FetchOutcome::Stopped;
        return transfers.RefusalStatus() != 0 ? FetchOutcome::DayFailed
                                              : FetchOutcome::TransferFailed;
    }
    if (!IsCompleteZipArchive(body, &cause))
        return FetchOutcome::DayFailed;
    return FetchOutcome::Fetched;
}

// The archives a run will most likely fetch next, so that their transfers
// can be under way while earlier ones end: the rows still ahead of the walk
// whose names lie past the last archive stored, as an Auto run takes them,
// and that can be stored at all. Only a guess: the transfers fetch what
// they are asked for in any case.
class ArchivesAhead {
public:
    using Passes = std::function<bool(const std::string& localName)>;

    // `passes` tells the archives an Auto run lets by without a fetch.
    ArchivesAhead(const StageContext& context, const StageList& remoteList, bool autoMode,
                  const std::string& lastName, Passes passes)
        : m_server(context.server), m_list(remoteList), m_walk(remoteList, autoMode),
          m_autoMode(autoMode), m_lastName(lastName), m_passes(std::move(passes)) {}

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
            if (std::max(m_lastName, m_lastGuessed) < localName && !m_passes(localName)) {
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
    Passes m_passes;
    std::string m_lastGuessed;
};

// One Download run: the archives it stores, and how far its marker may move.
class DownloadRun {
public:
    DownloadRun(StageContext& context, bool autoMode, RunScope scope, const StageList& remoteList);

    // Fetches and stores the archive of each row the walk hands out, until
    // the walk ends or Pause. False when an archive could not be stored: a
    // folder that cannot take one fails every item after it as well, so the
    // run ends there.
    bool FetchChosenItems(const StageList& remoteList);
    // Lists the zip folder, moves the marker, and shows the failures and totals.
    StageOutcome Finish(FileList& zipList);

private:
    bool FetchItem(const std::string& item);
    bool PassesWithoutFetch(const std::string& localName) const;
    void Pass(const std::string& localName);
    bool Store(const std::string& localName, const std::string& body);
    bool RecordHeldDays(std::string& marker);
    std::string FinalStatus() const;

    StageContext& m_context;
    FrontEnd& m_frontEnd;
    const std::string& m_zipFolder;
    const bool m_autoMode;
    const RunScope m_scope;
    std::string m_lastName;
    // The archive names of the days the user let go; read by Auto runs only.
    std::set<std::string> m_skipped;
    HeldDayUpdate m_held;
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

DownloadRun::DownloadRun(StageContext& context, bool autoMode, RunScope scope,
                         const StageList& remoteList)
    : m_context(context), m_frontEnd(context.frontEnd), m_zipFolder(Zip.FolderIn(context.folders)),
      m_autoMode(autoMode), m_scope(scope), m_lastName(Zip.initialName), m_pump(context.frontEnd),
      m_transfers(context.transfer, m_pump, "Kelvarin",
                  ArchivesAhead(context, remoteList, autoMode, m_lastName,
                                [this](const std::string& localName) {
                                    return PassesWithoutFetch(localName);
                                })) {
    if (!autoMode)
        return;
    m_lastName = ReadMarker(m_zipFolder + std::string(Zip.marker), Zip.initialName);
    const DayList skipped = DayList::Read(SkippedDays.PathIn(context.folders));
    for (const DayRecord& day : skipped.Days())
        m_skipped.insert(LocalName(day.item));
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
    if (m_autoMode && PassesWithoutFetch(localName)) {
        Pass(localName);
        return true;
    }
    m_frontEnd.StatusLine().SetText("Downloading " + localName + "...");
    const std::string address = ArchiveAddress(m_context.server, item);
    std::string body;
    std::string cause;
    const FetchOutcome outcome = Fetch(m_context, m_transfers, address, localName, body, cause);
    if (outcome != FetchOutcome::Fetched) {
        m_frontEnd.StatusLine().SetText("Download unsuccessful");
        if (outcome != FetchOutcome::Stopped) {
            m_failures.Add(address, cause);
            if (m_autoMode)
                m_held.Failed(item, cause, outcome == FetchOutcome::DayFailed);
        }
        return true;
    }
    m_frontEnd.StatusLine().SetText("Download successful");
    return Store(localName, body);
}

// A day the user let go is never fetched. In the unattended run an archive
// that an earlier run stored whole, while the marker waited before a failed
// day, is not fetched a second time.
bool DownloadRun::PassesWithoutFetch(const std::string& localName) const {
    return m_skipped.contains(localName) ||
           (m_scope == RunScope::Unattended && IsStoredCompleteArchive(m_zipFolder + localName));
}

// The marker may pass such a day as if it had been stored now.
void DownloadRun::Pass(const std::string& localName) {
    if (m_failures.Empty())
        m_markerName = localName;
    m_held.Settled(localName);
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
    m_held.Settled(localName);
    CrashPoint();
    return true;
}

StageOutcome DownloadRun::Finish(FileList& zipList) {
    RefreshFileList(m_context, StageFolder::Zip, zipList);
    const bool committed =
        !m_markerName || CommitMarker(m_zipFolder, Zip.marker, *m_markerName, m_frontEnd);
    std::string marker;
    const bool recorded = RecordHeldDays(marker);
    m_failures.Show(m_frontEnd,
                    "Download unsuccessful:", m_held.Advice(marker, Zip.initialName, m_frontEnd));
    m_frontEnd.StatusLine().SetText(FinalStatus());
    m_frontEnd.SetProgress(100);
    return m_failures.Empty() && committed && recorded ? StageOutcome::Succeeded
                                                       : StageOutcome::Failed;
}

// Against the marker as it now stands on disk, which a failed write may have
// left where it was. `marker` receives it.
bool DownloadRun::RecordHeldDays(std::string& marker) {
    marker = ReadMarker(m_zipFolder + std::string(Zip.marker), Zip.initialName);
    std::string error;
    if (m_held.Apply(m_context.folders, marker, &error))
        return true;
    m_frontEnd.ShowMessage(error, MessageButtons::Ok);
    return false;
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
                         FileList& zipList, RunScope scope) {
    if (!autoMode && remoteList.SelectedCount() == 0) {
        context.frontEnd.ShowMessage("Please selecte a remote file to download, or click Auto.",
                                     MessageButtons::Ok);
        return StageOutcome::NoSelection;
    }
    const StageFolderClaim claim(Zip.FolderIn(context.folders), context.frontEnd);
    if (claim.Refused())
        return StageOutcome::Failed;
    DownloadRun run(context, autoMode, scope, remoteList);
    if (!run.FetchChosenItems(remoteList))
        return StageOutcome::Failed;
    return run.Finish(zipList);
}

} // namespace kelvarin
