#pragma once

#include <cstddef>
#include <ctime>
#include <string>

namespace kelvarin {

// A file written in pieces beside its final name and renamed onto it only by
// Commit, so a failed extraction never leaves a partial file under that name.
// Unless committed, the temporary file is removed when the object goes.
class PartialOutputFile {
public:
    explicit PartialOutputFile(std::string finalPath);
    ~PartialOutputFile();
    PartialOutputFile(const PartialOutputFile&) = delete;
    PartialOutputFile& operator=(const PartialOutputFile&) = delete;

    bool Open();
    bool Write(const char* data, std::size_t size);
    // Flushes, gives the file its permissions and times and renames it.
    bool Commit(bool readOnly, timespec accessTime, timespec modificationTime);

private:
    void Discard();

    std::string m_finalPath;
    std::string m_temporaryPath;
    int m_fd = -1;
};

} // namespace kelvarin
