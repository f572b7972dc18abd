#include "pipeline/StageFolders.h"

#include "app/FileAccess.h"
#include "pipeline/FolderListing.h"
#include "pipeline/StageFolderClaim.h"
#include "pipeline/Stages.h"

#include <algorithm>
#include <cerrno>

namespace kelvarin {

static_assert(FactsOf(StageFolder::Zip).stage == StageFolder::Zip &&
              FactsOf(StageFolder::Unzip).stage == StageFolder::Unzip &&
              FactsOf(StageFolder::Stock).stage == StageFolder::Stock);

void RefreshFileList(const std::string& folder, FileList& list, std::string_view pattern,
                     FrontEnd& frontEnd) {
    const FolderListing listing = ListStageFolder(folder, pattern);
    list.ShowListing(listing, FolderEditText(folder, pattern));
    // Shown last, so the list and its count are already up to date behind it.
    if (listing.message)
        frontEnd.ShowMessage(*listing.message, MessageButtons::Ok);
}

void RefreshFileList(StageContext& context, StageFolder stage, FileList& list) {
    const StageFolderFacts& facts = FactsOf(stage);
    RefreshFileList(facts.FolderIn(context.folders), list, facts.pattern, context.frontEnd);
}

StageOutcome ClearStageFiles(StageContext& context, StageFolder stage, FileList& list) {
    const StageFolderFacts& facts = FactsOf(stage);
    if (context.frontEnd.ShowMessage(std::string(facts.clearConfirmation),
                                     MessageButtons::OkCancel) != MessageAnswer::Ok)
        return StageOutcome::Succeeded;
    const std::string& folder = facts.FolderIn(context.folders);
    const StageFolderClaim claim(folder, context.frontEnd);
    if (claim.Refused())
        return StageOutcome::Failed;
    // Deletes what the list shows as last refreshed, not what the folder holds now.
    std::vector<std::string> rows;
    const int count = list.Count();
    rows.reserve(static_cast<std::size_t>(std::max(count, 0)));
    for (int row = 0; row < count; ++row)
        rows.push_back(list.Text(row));
    const FailureReport failures = DeleteStageFiles(rows, folder, facts.extension, facts.marker);
    RefreshFileList(folder, list, facts.pattern, context.frontEnd);
    failures.Show(context.frontEnd, "These files could not be deleted:");
    return failures.Empty() ? StageOutcome::Succeeded : StageOutcome::Failed;
}

FailureReport DeleteStageFiles(const std::vector<std::string>& rows, const std::string& folder,
                               std::string_view extension, std::string_view markerName) {
    const std::string marker = folder + std::string(markerName);
    FailureReport failures;
    for (const std::string& row : rows) {
        // Case-sensitive on purpose: a row in another letter case is not taken
        // for a stage file, so it stays and its row clears the marker instead.
        const std::string path = row.ends_with(extension) ? folder + row : marker;
        // A file gone already needs no deleting (the marker comes up once per
        // row without the extension), and a folder is no stage file.
        if (!RemoveFile(path) && errno != ENOENT && errno != EISDIR)
            failures.Add(path, ErrnoText(errno));
    }
    return failures;
}

} // namespace kelvarin
