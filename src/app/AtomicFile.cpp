#include "app/AtomicFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kelvarin {

namespace {

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

std::string Describe(const std::string& path, int error) {
    return "Cannot write " + path + ": " + ErrnoText(error);
}

} // namespace

std::string ErrnoText(int error) {
    return std::strerror(error);
}

std::string TemporaryPathFor(const std::string& path) {
    // No leading "." and no stage extension, so a leftover never shows in the
    // stage lists nor counts as a stage file.
    const auto slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    return folder + "kelvarin-partial-XXXXXX";
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* error) {
    std::string temporary = TemporaryPathFor(path);
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        if (error)
            *error = Describe(path, errno);
        return false;
    }
    // mkstemp creates the file 0600; a real file gets the usual permissions.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);

    const bool written = WriteAll(fd, bytes) && ::fsync(fd) == 0;
    const int writeError = errno;
    if (::close(fd) != 0 || !written) {
        if (error)
            *error = Describe(path, written ? errno : writeError);
        ::unlink(temporary.c_str());
        return false;
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        if (error)
            *error = Describe(path, errno);
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace kelvarin
