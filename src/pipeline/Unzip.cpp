#include "app/AtomicFile.h"
#include "app/CrashPoint.h"
#include "app/FileAccess.h"
#include "app/FixedNames.h"
#include "pipeline/DailyArchiveNames.h"
#include "pipeline/Marker.h"
#include "pipeline/ParallelWork.h"
#include "pipeline/StageFolderClaim.h"
#include "pipeline/StageRun.h"
#include "pipeline/Stages.h"
#include "zip/ZipReader.h"

#include <cerrno>
#include <map>
#include <optional>
#include <unistd.h>
#include <vector>

namespace kelvarin {

namespace {

constexpr std::string_view DailyMember = "SESPRICE.DAT";
constexpr const StageFolderFacts& Unzipped = FactsOf(StageFolder::Unzip);

std::string OpenFailure(std::uint32_t result, const std::string& archivePath) {
    if (result == ZipNotSeekable)
        return "is not a regular file";
    // The reader has one result for a file it cannot read and for one that
    // is no zip archive at all; the user needs to know which.
    return ::access(archivePath.c_str(), R_OK) == 0 ? "is not a zip archive" : "cannot be opened";
}

std::string ExtractionFailure(std::uint32_t result, const ZipEntryInfo& member,
                              const std::string& outputName, int error) {
    const std::string name(DailyMember);
    switch (result) {
    case ZipPasswordNeeded:
        return name + " is encrypted";
    case ZipCannotOpen:
        return "cannot create " + outputName + ": " + ErrnoText(error);
    case ZipWriteFailed:
        return "cannot write " + outputName + ": " + ErrnoText(error);
    case ZipInflateFailed:
        return member.uncompressedSize > ZipMemberLimit
                   ? name + " would inflate to more than 1 GiB"
                   : name + " is damaged (it does not inflate to its size and CRC)";
    default:
        return name + " cannot be read";
    }
}

// How one archive fared: unzipped when there is no cause. A daily file that
// could not be written is the unzip folder's failure, not the archive's: the
// next Auto run must try that archive again.
struct UnzipOutcome {
    std::string cause;
    bool folderFailed = false;
};

// Extracts the daily member; of several members so named the last one is the
// one that counts, as each would replace the one before.
UnzipOutcome ExtractDailyFile(const std::string& archivePath, const std::string& unzipFolder,
                              const std::string& outputName) {
    ZipArchiveHandle* archive = OpenZipArchive(archivePath);
    if (!archive)
        return {OpenFailure(ZipLastResult(), archivePath)};
    // Left at its start, the base folder is the current directory.
    if (SetZipBaseFolder(archive, unzipFolder) != ZipOk) {
        CloseZipArchive(archive);
        return {"cannot be unzipped into " + unzipFolder, true};
    }
    ZipEntryInfo info;
    GetZipEntry(archive, -1, info);
    int daily = -1;
    ZipEntryInfo dailyInfo;
    for (int member = info.index - 1; member >= 0 && daily < 0; --member) {
        if (GetZipEntry(archive, member, info) == ZipOk && info.name == DailyMember) {
            daily = member;
            dailyInfo = info;
        }
    }
    UnzipOutcome outcome{"holds no " + std::string(DailyMember)};
    if (daily >= 0) {
        const std::uint32_t result =
            UnzipEntryToFile(archive, daily, outputName, Durability::Deferred);
        const int error = errno;
        outcome.folderFailed = result == ZipCannotOpen || result == ZipWriteFailed;
        outcome.cause = result == ZipOk ? std::string()
                                        : ExtractionFailure(result, dailyInfo, outputName, error);
    }
    CloseZipArchive(archive);
    return outcome;
}

struct ArchiveToUnzip {
    std::string archiveName;
    std::string archivePath;
    std::string outputName;
};

// Archives that give the same output name are unzipped one after the other
// in row order, so the later one replaces the earlier as it would in a
// single pass; archives with different outputs share nothing.
std::vector<std::vector<std::size_t>> InOrderByOutput(const std::vector<ArchiveToUnzip>& archives) {
    std::vector<std::vector<std::size_t>> groups;
    std::map<std::string_view, std::size_t> groupOfOutput;
    for (std::size_t index = 0; index < archives.size(); ++index) {
        const auto [at, added] =
            groupOfOutput.try_emplace(archives[index].outputName, groups.size());
        if (added)
            groups.emplace_back();
        groups[at->second].push_back(index);
    }
    return groups;
}

// How each archive fared, in the order of `archives`.
std::vector<UnzipOutcome> UnzipAll(const std::vector<ArchiveToUnzip>& archives,
                                   const std::string& unzipFolder) {
    std::vector<UnzipOutcome> outcomes(archives.size());
    const auto groups = InOrderByOutput(archives);
    // Inflating one archive and creating the file of another keep different
    // cpus busy, so the archives are spread over all of them.
    RunInParallel(groups.size(), [&](std::size_t group) {
        for (const std::size_t index : groups[group]) {
            const ArchiveToUnzip& archive = archives[index];
            outcomes[index] =
                ExtractDailyFile(archive.archivePath, unzipFolder, archive.outputName);
            CrashPoint();
        }
    });
    return outcomes;
}

} // namespace

StageOutcome RunUnzip(StageContext& context, bool autoMode, const StageList& zipList,
                      FileList& unzipList, RunScope scope) {
    FrontEnd& frontEnd = context.frontEnd;
    const WorkingFolders& folders = context.folders;
    const std::string& unzipFolder = Unzipped.FolderIn(folders);
    if (!autoMode && zipList.SelectedCount() == 0) {
        frontEnd.ShowMessage("Please selecte a zipped file to unzip, or click Auto.",
                             MessageButtons::Ok);
        return StageOutcome::NoSelection;
    }
    const StageFolderClaim claim(unzipFolder, frontEnd);
    if (claim.Refused())
        return StageOutcome::Failed;
    std::string lastName(Unzipped.initialName);
    if (autoMode)
        lastName = ReadMarker(unzipFolder + std::string(Unzipped.marker), Unzipped.initialName);

    const DayBound bound(scope, folders, StageFolder::Zip);
    std::vector<ArchiveToUnzip> archives;
    StageWalk walk(zipList, autoMode);
    for (int row = walk.Next(); row >= 0; row = walk.Next()) {
        const std::string archiveName = zipList.Text(row);
        if (archiveName.ends_with(ZipExtension) &&
            (!autoMode || (lastName < archiveName && bound.Admits(archiveName)))) {
            archives.push_back(
                {archiveName, folders.ZipFolder + archiveName, UnzippedName(archiveName)});
            lastName = archiveName;
        }
    }
    const int handled = static_cast<int>(archives.size());

    const std::vector<UnzipOutcome> outcomes = UnzipAll(archives, unzipFolder);
    FailureReport failures;
    int failed = 0;
    std::optional<std::string> markerName;
    bool folderFailed = false;
    for (std::size_t index = 0; index < archives.size(); ++index) {
        const UnzipOutcome& outcome = outcomes[index];
        if (!outcome.cause.empty()) {
            failures.Add(archives[index].archivePath, outcome.cause);
            ++failed;
        }
        // A broken archive still counts and still moves the marker: the next
        // Auto run would only fail on it again. One whose daily file could
        // not be written holds the marker before it, so the next Auto run
        // tries it again.
        folderFailed = folderFailed || outcome.folderFailed;
        if (!folderFailed)
            markerName = archives[index].archiveName;
    }

    RefreshFileList(context, StageFolder::Unzip, unzipList);
    const bool committed =
        !markerName || CommitMarker(unzipFolder, Unzipped.marker, *markerName, frontEnd);
    failures.Show(frontEnd, "These archives could not be unzipped:");
    std::string status = "Total files unzipped: " + std::to_string(handled) + ", last:" + lastName;
    if (failed > 0)
        status += " - " + std::to_string(failed) + " failed";
    frontEnd.StatusLine().SetText(status);
    return failed > 0 || !committed ? StageOutcome::Failed : StageOutcome::Succeeded;
}

} // namespace kelvarin
