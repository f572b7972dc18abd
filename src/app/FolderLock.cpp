#include "app/FolderLock.h"

#include "app/CrashPoint.h"
#include "app/FileAccess.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace kelvarin {

std::unique_ptr<FolderLock> FolderLock::Acquire(const std::string& folder, std::string* error) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        if (error)
            *error = CannotMessage("lock", folder, errno);
        return nullptr;
    }
    const int fault = WriteStepFault();
    if (fault != 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int cause = fault != 0 ? fault : errno;
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
