#include "app/FileAccess.h"

#include "app/CrashPoint.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kelvarin {

namespace {

// The fault tests' way into every write step: true when this step is to
// fail, with its error in errno as the real call would leave it.
bool StepFails() {
    const int error = WriteStepFault();
    if (error == 0)
        return false;
    errno = error;
    return true;
}

bool IsFolder(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool SyncWith(const std::string& folder, int (*sync)(int)) {
    if (StepFails())
        return false;
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

std::string ErrnoText(int error) {
    return std::strerror(error);
}

std::string CannotMessage(std::string_view action, std::string_view path, int error) {
    return CannotMessage(action, path, ErrnoText(error));
}

std::string CannotMessage(std::string_view action, std::string_view path, std::string_view cause) {
    std::string message = "Cannot ";
    message += action;
    message += ' ';
    message += path;
    message += ": ";
    message += cause;
    return message;
}

int OpenForWriting(const std::string& path, int flags, mode_t mode) {
    if (StepFails())
        return -1;
    return ::open(path.c_str(), O_WRONLY | O_CLOEXEC | flags, mode);
}

int CreateUniqueFile(std::string& pathTemplate) {
    if (StepFails())
        return -1;
    return ::mkstemp(pathTemplate.data());
}

bool WriteAll(int fd, std::string_view bytes) {
    if (StepFails())
        return false;
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

bool SyncFile(int fd) {
    return !StepFails() && ::fsync(fd) == 0;
}

bool SyncFolderEntries(const std::string& folder) {
    return SyncWith(folder, ::fsync);
}

bool SyncFileSystemOf(const std::string& folder) {
    return SyncWith(folder, ::syncfs);
}

bool RenameFile(const std::string& from, const std::string& to) {
    return !StepFails() && ::rename(from.c_str(), to.c_str()) == 0;
}

bool RemoveFile(const std::string& path) {
    return !StepFails() && ::unlink(path.c_str()) == 0;
}

bool TruncateFile(const std::string& path, off_t size) {
    return !StepFails() && ::truncate(path.c_str(), size) == 0;
}

bool CreateFolder(const std::string& path) {
    return !StepFails() && ::mkdir(path.c_str(), 0777) == 0;
}

bool CreateFolderPath(const std::string& folder, bool& created) {
    created = false;
    for (std::size_t end = 0; end < folder.size();) {
        end = std::min(folder.find('/', end + 1), folder.size());
        const std::string step = folder.substr(0, end);
        if (IsFolder(step))
            continue;
        if (CreateFolder(step)) {
            created = true;
            continue;
        }
        if (errno != EEXIST)
            return false;
        // Made meanwhile by another process is as good as made here; what
        // else stands there is no folder.
        if (!IsFolder(step)) {
            errno = ENOTDIR;
            return false;
        }
    }
    return true;
}

bool WholeFile::Read(const std::string& path, std::size_t limit) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool read = ReadFrom(fd, limit);
    const int cause = errno;
    ::close(fd);
    errno = cause;
    return read;
}

bool WholeFile::ReadFrom(int fd, std::size_t limit) {
    // One byte more than the file holds, so a file that does not change
    // while it is read takes one read and the end-of-file read.
    m_size = 0;
    struct stat info {};
    const std::size_t expected =
        ::fstat(fd, &info) == 0 && info.st_size > 0 ? static_cast<std::size_t>(info.st_size) : 0;
    Reserve(std::min(expected, limit - 1) + 1);
    while (m_size < limit) {
        if (m_size == m_capacity)
            Reserve(m_capacity * 2);
        const std::size_t wanted = std::min(m_capacity, limit) - m_size;
        const ssize_t got = ::read(fd, m_bytes.get() + m_size, wanted);
        if (got == 0)
            break;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        m_size += static_cast<std::size_t>(got);
    }
    return true;
}

void WholeFile::Reserve(std::size_t capacity) {
    auto bytes = std::make_unique_for_overwrite<char[]>(capacity);
    if (m_size != 0)
        std::memcpy(bytes.get(), m_bytes.get(), m_size);
    m_bytes = std::move(bytes);
    m_capacity = capacity;
}

} // namespace kelvarin
