#include "pipeline/StageFolderClaim.h"

#include "app/AtomicFile.h"
#include "app/FileAccess.h"
#include "pipeline/FrontEnd.h"

#include <dirent.h>
#include <sys/stat.h>

namespace kelvarin {

namespace {

std::string InFolder(const std::string& folder, const char* name) {
    return folder.ends_with('/') ? folder + name : folder + '/' + name;
}

bool IsFolder(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

} // namespace

int RemoveLeftoverPartialFiles(const std::string& folder) {
    DIR* listing = ::opendir(folder.c_str());
    if (!listing)
        return 0;
    int removed = 0;
    while (const dirent* entry = ::readdir(listing)) {
        if (IsPartialFileName(entry->d_name) && RemoveFile(InFolder(folder, entry->d_name)))
            ++removed;
    }
    ::closedir(listing);
    return removed;
}

StageFolderClaim::StageFolderClaim(const std::string& folder, FrontEnd& frontEnd) {
    if (!IsFolder(folder))
        return;
    std::string error;
    m_lock = FolderLock::Acquire(folder, &error);
    if (!m_lock) {
        m_refused = true;
        frontEnd.ShowMessage(error, MessageButtons::Ok);
        return;
    }
    RemoveLeftoverPartialFiles(folder);
}

} // namespace kelvarin
