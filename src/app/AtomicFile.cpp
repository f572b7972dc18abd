#include "app/AtomicFile.h"

#include "app/CrashPoint.h"
#include "app/FileAccess.h"

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace kelvarin {

namespace {

// mkstemp replaces exactly these six characters.
constexpr std::string_view UniqueSuffix = "XXXXXX";

// Read once: the mask can only be read by setting it, which would race with
// files made meanwhile by other threads, and the program never changes it.
mode_t CreationMask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

mode_t FileMode(bool readOnly) {
    static const mode_t mask = CreationMask();
    return (readOnly ? 0444 : 0666) & ~mask;
}

} // namespace

AtomicFile::AtomicFile(std::string finalPath) : m_finalPath(std::move(finalPath)) {}

AtomicFile::~AtomicFile() {
    Discard();
}

bool AtomicFile::Open() {
    m_temporaryPath = TemporaryPathFor(m_finalPath);
    m_fd = CreateUniqueFile(m_temporaryPath);
    if (m_fd < 0) {
        m_temporaryPath.clear();
        return false;
    }
    CrashPoint();
    return true;
}

bool AtomicFile::Write(const char* data, std::size_t size) {
    if (!WriteAll(m_fd, std::string_view(data, size)))
        return false;
    CrashPoint();
    return true;
}

bool AtomicFile::Commit(Durability durability) {
    return Finish(Flushed(durability) && ::fchmod(m_fd, FileMode(false)) == 0);
}

bool AtomicFile::Commit(Durability durability, bool readOnly, timespec accessTime,
                        timespec modificationTime) {
    const timespec times[2] = {accessTime, modificationTime};
    return Finish(Flushed(durability) && ::fchmod(m_fd, FileMode(readOnly)) == 0 &&
                  ::futimens(m_fd, times) == 0);
}

bool AtomicFile::Flushed(Durability durability) const {
    return durability == Durability::Deferred || SyncFile(m_fd);
}

bool AtomicFile::Finish(bool ready) {
    const int readyError = errno;
    const bool closed = ::close(m_fd) == 0;
    m_fd = -1;
    if (!ready) {
        errno = readyError;
        return false;
    }
    if (!closed)
        return false;
    // Killed here, the whole file waits under its temporary name and the old
    // one (if any) is still in place.
    CrashPoint();
    if (!RenameFile(m_temporaryPath, m_finalPath))
        return false;
    m_temporaryPath.clear();
    CrashPoint();
    return true;
}

void AtomicFile::Discard() {
    const int cause = errno;
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    if (!m_temporaryPath.empty())
        RemoveFile(m_temporaryPath);
    m_temporaryPath.clear();
    errno = cause;
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* error,
                         Durability durability) {
    AtomicFile file(path);
    if (file.Open() && file.Write(bytes.data(), bytes.size()) && file.Commit(durability))
        return true;
    if (error)
        *error = CannotMessage("write", path, errno);
    return false;
}

std::string TemporaryPathFor(const std::string& path) {
    const auto slash = path.rfind('/');
    std::string temporary = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    temporary += PartialFilePrefix;
    temporary += UniqueSuffix;
    return temporary;
}

bool IsPartialFileName(std::string_view name) {
    return name.size() == PartialFilePrefix.size() + UniqueSuffix.size() &&
           name.starts_with(PartialFilePrefix);
}

} // namespace kelvarin
