#include "app/PartialOutputFile.h"

#include "app/AtomicFile.h"
#include "app/CrashPoint.h"

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace kelvarin {

namespace {

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

PartialOutputFile::PartialOutputFile(std::string finalPath) : m_finalPath(std::move(finalPath)) {}

PartialOutputFile::~PartialOutputFile() {
    Discard();
}

bool PartialOutputFile::Open() {
    m_temporaryPath = TemporaryPathFor(m_finalPath);
    m_fd = ::mkstemp(m_temporaryPath.data());
    if (m_fd < 0) {
        m_temporaryPath.clear();
        return false;
    }
    CrashPoint();
    return true;
}

bool PartialOutputFile::Write(const char* data, std::size_t size) {
    if (!WriteAll(m_fd, std::string_view(data, size)))
        return false;
    CrashPoint();
    return true;
}

bool PartialOutputFile::Commit(Durability durability) {
    return Finish(Flushed(durability) && ::fchmod(m_fd, FileMode(false)) == 0);
}

bool PartialOutputFile::Commit(Durability durability, bool readOnly, timespec accessTime,
                               timespec modificationTime) {
    const timespec times[2] = {accessTime, modificationTime};
    return Finish(Flushed(durability) && ::fchmod(m_fd, FileMode(readOnly)) == 0 &&
                  ::futimens(m_fd, times) == 0);
}

bool PartialOutputFile::Flushed(Durability durability) const {
    return durability == Durability::Deferred || ::fsync(m_fd) == 0;
}

bool PartialOutputFile::Finish(bool ready) {
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
    if (::rename(m_temporaryPath.c_str(), m_finalPath.c_str()) != 0)
        return false;
    m_temporaryPath.clear();
    CrashPoint();
    return true;
}

void PartialOutputFile::Discard() {
    const int cause = errno;
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    if (!m_temporaryPath.empty())
        ::unlink(m_temporaryPath.c_str());
    m_temporaryPath.clear();
    errno = cause;
}

} // namespace kelvarin
