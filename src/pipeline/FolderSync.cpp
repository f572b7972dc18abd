#include "pipeline/FolderSync.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace kelvarin {

namespace {

bool SyncWith(const std::string& folder, int (*sync)(int)) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = sync(fd) == 0;
    const int cause = errno;
    ::close(fd);
    errno = cause;
    return synced;
}

} // namespace

bool SyncFolderEntries(const std::string& folder) {
    return SyncWith(folder, ::fsync);
}

bool SyncFileSystemOf(const std::string& folder) {
    return SyncWith(folder, ::syncfs);
}

} // namespace kelvarin
