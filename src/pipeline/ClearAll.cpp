#include "app/FixedNames.h"
#include "pipeline/ClearStageFiles.h"
#include "pipeline/StageFolderClaim.h"
#include "pipeline/Stages.h"

#include <algorithm>

namespace kelvarin {

namespace {

struct ClearAllTarget {
    const char* confirmation;
    std::string WorkingFolders::*folder;
    std::string_view extension;
    std::string_view marker;
    std::string_view pattern;
};

ClearAllTarget TargetOf(StageFolder stage) {
    switch (stage) {
    case StageFolder::Zip:
        return {"Are you sure you want to delete all the downloaded files? \n\nAfter deletion, "
                "you can use Download with Auto option to rebuild all the downloaded files.",
                &WorkingFolders::ZipFolder, ".zip", AutoDownloadMarker, ZipPattern};
    case StageFolder::Unzip:
        return {"Are you sure you want to delete all the unzipped files? \n\nAfter deletion, you "
                "can use Unzip with Auto option to rebuild all the unzipped files.",
                &WorkingFolders::UnzipFolder, ".dat", AutoUnzipMarker, DatPattern};
    case StageFolder::Stock:
        break;
    }
    return {"Are you sure you want to delete all the stock files? \n\nAfter deletion, you can "
            "use Update with Auto option to rebuild all the stock files.",
            &WorkingFolders::StockFolder, ".txt", AutoUpdateMarker, TxtPattern};
}

} // namespace

StageOutcome ClearStageFiles(StageContext& context, StageFolder stage, FileList& list) {
    const ClearAllTarget target = TargetOf(stage);
    if (context.frontEnd.ShowMessage(target.confirmation, MessageButtons::OkCancel) !=
        MessageAnswer::Ok)
        return StageOutcome::Succeeded;
    const std::string& folder = context.folders.*target.folder;
    const StageFolderClaim claim(folder, context.frontEnd);
    if (claim.Refused())
        return StageOutcome::Failed;
    // Deletes what the list shows as last refreshed, not what the folder holds now.
    std::vector<std::string> rows;
    const int count = list.Count();
    rows.reserve(static_cast<std::size_t>(std::max(count, 0)));
    for (int row = 0; row < count; ++row)
        rows.push_back(list.Text(row));
    DeleteStageFiles(rows, folder, target.extension, target.marker);
    RefreshFileList(folder, list, target.pattern, context.frontEnd);
    return StageOutcome::Succeeded;
}

} // namespace kelvarin
