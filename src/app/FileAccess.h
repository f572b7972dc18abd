#pragma once

#include <cstddef>
#include <limits>
#include <memory>
#include <string>
#include <string_view>

namespace kelvarin {

// The text of errno for messages: "No such file or directory" and so on.
std::string ErrnoText(int error);

// "Cannot <action> <path>: <cause>", the form every file error takes when it
// reaches the user; `action` is the verb ("read", "write", "lock").
std::string CannotMessage(std::string_view action, std::string_view path, int error);
std::string CannotMessage(std::string_view action, std::string_view path, std::string_view cause);

// Writes all of `bytes` to `fd`, resuming after interrupted or short writes.
// On failure errno tells the cause.
bool WriteAll(int fd, std::string_view bytes);

// Makes the folder's entries (names created, renamed or removed in it)
// durable. On failure errno tells the cause.
bool SyncFolderEntries(const std::string& folder);

// Makes everything written on the folder's file system durable: one call
// for a whole batch of files, where one fsync per file would cost a disk
// flush each. On failure errno tells the cause.
bool SyncFileSystemOf(const std::string& folder);

// A file's bytes, read at once into memory that is not cleared first: every
// byte of it is overwritten by the read. One object can read file after file;
// each read replaces the bytes of the one before.
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
