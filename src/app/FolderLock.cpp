#include "app/FolderLock.h"

#include "app/FileAccess.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace kelvarin {

std::unique_ptr<FolderLock> FolderLock::Acquire(const std::string& folder, std::string* error,
                                                Mode mode) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        if (error)
            *error = CannotMessage("lock", folder, errno);
        return nullptr;
    }
    if (::flock(fd, (mode == Mode::Shared ? LOCK_SH : LOCK_EX) | LOCK_NB) != 0) {
        const int cause = errno;
        ::close(fd);
        if (error)
            *error = cause == EWOULDBLOCK ? folder + " is being updated by another Kelvarin process"
                                          : CannotMessage("lock", folder, cause);
        return nullptr;
    }
    return std::unique_ptr<FolderLock>(new FolderLock(fd));
}

FolderLock::~FolderLock() {
    ::close(m_fd);
}

} // namespace kelvarin
