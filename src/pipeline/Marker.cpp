#include "pipeline/Marker.h"

#include "app/AtomicFile.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace kelvarin {

namespace {

// Longer content is never a name a stage wrote; only its start is used.
constexpr std::size_t MarkerBytes = 260;

} // namespace

std::string ReadMarker(const std::string& path, std::string_view initialName) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::string(initialName);
    char buffer[MarkerBytes];
    std::size_t total = 0;
    while (total < MarkerBytes) {
        const ssize_t got = ::read(fd, buffer + total, MarkerBytes - total);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        total += static_cast<std::size_t>(got);
    }
    ::close(fd);
    if (total == 0)
        return std::string(initialName);
    const std::string_view read(buffer, total);
    return std::string(read.substr(0, read.find('\0')));
}

bool WriteMarker(const std::string& path, std::string_view name, std::string* error) {
    return WriteFileAtomically(path, name, error);
}

} // namespace kelvarin
