#pragma once

#include <cstddef>
#include <ctime>
#include <string>

namespace kelvarin {

// A file written in pieces beside its final name and renamed onto it only by
// Commit, so a failed or interrupted write never leaves a partial file under
// that name. Unless committed, the temporary file is removed when the object goes.
// After a failure errno tells the cause.
class PartialOutputFile {
public:
    explicit PartialOutputFile(std::string finalPath);
    ~PartialOutputFile();
    PartialOutputFile(const PartialOutputFile&) = delete;
    PartialOutputFile& operator=(const PartialOutputFile&) = delete;

    bool Open();
    bool Write(const char* data, std::size_t size);
    // Flushes, gives the file the usual permissions and renames it.
    bool Commit();
    // The same, with the permissions of a read-only or writable file and these times.
    bool Commit(bool readOnly, timespec accessTime, timespec modificationTime);

private:
    bool Finish(bool ready);
    void Discard();

    std::string m_finalPath;
    std::string m_temporaryPath;
    int m_fd = -1;
};

} // namespace kelvarin
