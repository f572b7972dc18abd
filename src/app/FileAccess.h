#pragma once

#include <cstddef>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace kelvarin {

// The text of errno for messages: "No such file or directory" and so on.
std::string ErrnoText(int error);

// "Cannot <action> <path>: <cause>", the form every file error takes when it
// reaches the user; `action` is the verb ("read", "write", "lock").
std::string CannotMessage(std::string_view action, std::string_view path, int error);
std::string CannotMessage(std::string_view action, std::string_view path, std::string_view cause);

// The write steps of the program, each a call of its own so that every one
// of them can be made to fail in the fault tests (WriteStepFault). Each
// returns false (or -1) on failure with the cause in errno.

// Opens `path` for writing with `flags` (O_CREAT, O_EXCL, O_APPEND, ...);
// the descriptor, or -1.
int OpenForWriting(const std::string& path, int flags, mode_t mode = 0666);

// Creates and opens a new file of a unique name, as mkstemp does with the
// "XXXXXX" at the end of `pathTemplate`, which it replaces.
int CreateUniqueFile(std::string& pathTemplate);

// Writes all of `bytes` to `fd`, resuming after interrupted or short writes.
bool WriteAll(int fd, std::string_view bytes);

// Makes the bytes written to `fd` durable.
bool SyncFile(int fd);

// Makes the folder's entries (names created, renamed or removed in it)
// durable.
bool SyncFolderEntries(const std::string& folder);

// Makes everything written on the folder's file system durable: one call
// for a whole batch of files, where one fsync per file would cost a disk
// flush each.
bool SyncFileSystemOf(const std::string& folder);

bool RenameFile(const std::string& from, const std::string& to);
bool RemoveFile(const std::string& path);
bool TruncateFile(const std::string& path, off_t size);

// Creates one folder; its parent must exist.
bool CreateFolder(const std::string& path);

// Creates `folder` and whichever folders above it are missing; `created`
// tells whether any was made. A folder that is there already is no failure,
// a file in the way is.
bool CreateFolderPath(const std::string& folder, bool& created);

// A file's bytes, read at once into memory that is not cleared first: every
// byte of it is overwritten by the read.
class WholeFile {
public:
    static constexpr std::size_t NoLimit = std::numeric_limits<std::size_t>::max();

    // Reads the file at `path` to its end, or its first `limit` bytes. False
    // when it cannot be opened or read, with the cause in errno; the bytes
    // read before a failure stay.
    bool Read(const std::string& path, std::size_t limit = NoLimit);
    // The same from a descriptor the caller has opened, and closes.
    bool ReadFrom(int fd, std::size_t limit = NoLimit);

    std::string_view View() const { return {m_bytes.get(), m_size}; }

private:
    void Reserve(std::size_t capacity);

    std::unique_ptr<char[]> m_bytes;
    std::size_t m_size = 0;
    std::size_t m_capacity = 0;
};

} // namespace kelvarin
