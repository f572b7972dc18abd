#include "pipeline/StageFolderClaim.h"

#include "app/AtomicFile.h"
#include "pipeline/FrontEnd.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kelvarin {

namespace {

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
        if (IsPartialFileName(entry->d_name) && ::unlinkat(::dirfd(listing), entry->d_name, 0) == 0)
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
