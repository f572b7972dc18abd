#include "app/FileAccess.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
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

bool WriteAll(int fd, std::string_view bytes) {
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

bool SyncFolderEntries(const std::string& folder) {
    return SyncWith(folder, ::fsync);
}

bool SyncFileSystemOf(const std::string& folder) {
    return SyncWith(folder, ::syncfs);
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
    // A reader that reuses one WholeFile for many files keeps its buffer.
    if (capacity <= m_capacity)
        return;
    auto bytes = std::make_unique_for_overwrite<char[]>(capacity);
    if (m_size != 0)
        std::memcpy(bytes.get(), m_bytes.get(), m_size);
    m_bytes = std::move(bytes);
    m_capacity = capacity;
}

} // namespace kelvarin
