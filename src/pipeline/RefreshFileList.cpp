#include "pipeline/FolderListing.h"
#include "pipeline/Stages.h"

namespace kelvarin {

void RefreshFileList(const std::string& folder, FileList& list, std::string_view pattern,
                     FrontEnd& frontEnd) {
    const FolderListing listing = ListStageFolder(folder, pattern);
    list.ShowListing(listing, FolderEditText(folder, pattern));
    // Shown last, so the list and its count are already up to date behind it.
    if (listing.message)
        frontEnd.ShowMessage(*listing.message, MessageButtons::Ok);
}

} // namespace kelvarin
