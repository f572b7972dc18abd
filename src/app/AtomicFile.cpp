#include "app/AtomicFile.h"

#include "app/PartialOutputFile.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace kelvarin {

std::string ErrnoText(int error) {
    return std::strerror(error);
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

std::string TemporaryPathFor(const std::string& path) {
    // No leading "." and no stage extension, so a leftover never shows in the
    // stage lists nor counts as a stage file.
    const auto slash = path.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    return folder + "kelvarin-partial-XXXXXX";
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* error,
                         Durability durability) {
    PartialOutputFile file(path);
    if (file.Open() && file.Write(bytes.data(), bytes.size()) && file.Commit(durability))
        return true;
    if (error)
        *error = "Cannot write " + path + ": " + ErrnoText(errno);
    return false;
}

} // namespace kelvarin
