#pragma once

#include <cstddef>
#include <ctime>
#include <string>
#include <string_view>

namespace kelvarin {

// Whether Commit waits until the file's bytes are on disk. A stage writes
// thousands of files in one run, and a flush per file makes it wait for the
// disk once per file; so a stage commits its outputs Deferred and flushes
// their file system once (SyncFileSystemOf) before its marker names them:
// the marker still names only files that are on disk. Files that are a
// record of their own (settings, markers) stay Immediate.
enum class Durability { Immediate, Deferred };

// A file written in pieces beside its final name and renamed onto it only by
// Commit, so a failed or interrupted write never leaves a partial file under
// that name. Unless committed, the temporary file is removed when the object goes.
// After a failure errno tells the cause.
class AtomicFile {
public:
    explicit AtomicFile(std::string finalPath);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

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

// Writes `bytes` to a temporary file beside `path`, flushes it (unless
// Deferred) and renames it over `path`, so a reader never sees a half-written
// file under the real name. On failure nothing is left behind and `error`
// names the file and the cause.
bool WriteFileAtomically(const std::string& path, std::string_view bytes,
                         std::string* error = nullptr,
                         Durability durability = Durability::Immediate);

// The start of every temporary file's name. No leading "." and no stage
// extension, so a leftover never shows in the stage lists nor counts as a
// stage file.
inline constexpr std::string_view PartialFilePrefix = "kelvarin-partial-";

// A temporary name in the same folder as `path` (so a rename stays on one file
// system), as a template for mkstemp.
std::string TemporaryPathFor(const std::string& path);

// Whether `name` is one that a temporary file of TemporaryPathFor gets, so
// that what a killed run left behind can be found and removed.
bool IsPartialFileName(std::string_view name);

} // namespace kelvarin
