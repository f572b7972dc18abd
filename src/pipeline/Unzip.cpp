#include "app/FixedNames.h"
#include "pipeline/Marker.h"
#include "pipeline/Stages.h"
#include "pipeline/UnzippedName.h"
#include "zip/ZipReader.h"

namespace kelvarin {

namespace {

constexpr std::string_view DailyMember = "SESPRICE.DAT";

// Extracts every member named exactly DailyMember (a later one replaces an
// earlier one). False when the archive does not open, holds no such member or
// one fails to extract.
bool ExtractDailyFile(const std::string& archivePath, const std::string& unzipFolder,
                      const std::string& outputName) {
    ZipArchiveHandle* archive = OpenZipArchive(archivePath);
    if (!archive)
        return false;
    SetZipBaseFolder(archive, unzipFolder);
    ZipEntryInfo info;
    GetZipEntry(archive, -1, info);
    const int members = info.index;
    bool found = false;
    bool extracted = true;
    for (int member = 0; member < members; ++member) {
        if (GetZipEntry(archive, member, info) != ZipOk || info.name != DailyMember)
            continue;
        found = true;
        extracted = UnzipEntryToFile(archive, member, outputName) == ZipOk && extracted;
    }
    CloseZipArchive(archive);
    return found && extracted;
}

} // namespace

StageOutcome RunUnzip(StageContext& context, bool autoMode, const StageList& zipList,
                      FileList& unzipList) {
    FrontEnd& frontEnd = context.frontEnd;
    const WorkingFolders& folders = context.folders;
    const std::string markerPath = folders.UnzipFolder + std::string(AutoUnzipMarker);
    std::string lastName(InitialZipName);
    if (!autoMode && zipList.SelectedCount() == 0) {
        frontEnd.ShowMessage("Please selecte a zipped file to unzip, or click Auto.",
                             MessageButtons::Ok);
        return StageOutcome::NoSelection;
    }
    if (autoMode)
        lastName = ReadMarker(markerPath, InitialZipName);

    int handled = 0;
    int failed = 0;
    int row = autoMode ? 0 : zipList.NextSelected(-1);
    const int rows = zipList.Count();
    while (row >= 0 && row < rows) {
        const std::string archiveName = zipList.Text(row);
        if (archiveName.ends_with(".zip") && (!autoMode || lastName < archiveName)) {
            // A failed archive still counts and still moves the marker: the
            // next Auto run would only fail on it again.
            if (!ExtractDailyFile(folders.ZipFolder + archiveName, folders.UnzipFolder,
                                  UnzippedName(archiveName)))
                ++failed;
            ++handled;
            lastName = archiveName;
        }
        row = autoMode ? row + 1 : zipList.NextSelected(row);
    }

    RefreshFileList(folders.UnzipFolder, unzipList, DatPattern, frontEnd);
    if (handled > 0)
        WriteMarker(markerPath, lastName);
    std::string status = "Total files unzipped: " + std::to_string(handled) + ", last:" + lastName;
    if (failed > 0)
        status += " - " + std::to_string(failed) + " failed";
    frontEnd.StatusLine().SetText(status);
    return failed > 0 ? StageOutcome::Failed : StageOutcome::Succeeded;
}

} // namespace kelvarin
