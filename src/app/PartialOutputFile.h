#pragma once

#include <cstddef>
#include <ctime>
#include <string>

namespace kelvarin {

// Whether Commit waits until the file's bytes are on disk. A stage writes
// thousands of files in one run, and a flush per file makes it wait for the
// disk once per file; so a stage commits its outputs Deferred and flushes
// their file system once (FlushFolderToDisk) before its marker names them:
// the marker still names only files that are on disk. Files that are a
// record of their own (settings, markers) stay Immediate.
enum class Durability { Immediate, Deferred };

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
    // Gives the file the usual permissions and renames it.
    bool Commit(Durability durability);
    // The same, with the permissions of a read-only or writable file and these times.
    bool Commit(Durability durability, bool readOnly, timespec accessTime,
                timespec modificationTime);

private:
    bool Flushed(Durability durability) const;
    bool Finish(bool ready);
    void Discard();

    std::string m_finalPath;
    std::string m_temporaryPath;
    int m_fd = -1;
};

} // namespace kelvarin
