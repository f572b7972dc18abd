#pragma once

#include <memory>
#include <string>

namespace kelvarin {

// An exclusive lock on a folder a stage writes, so the desktop program and a
// kelvarin-cli run from cron never write the same folder at once. It is an
// flock on the folder itself: no lock file shows in the lists, and the kernel
// releases it when the process dies.
class FolderLock {
public:
    // A reader of the folder takes it Shared: readers do not keep each other
    // out, but a writer and a reader do.
    enum class Mode { Exclusive, Shared };

    // Null when the folder is locked by another process or cannot be opened;
    // `error` then says which folder and why, and `heldElsewhere` whether it
    // was the other process, the one refusal that trying again can end.
    static std::unique_ptr<FolderLock> Acquire(const std::string& folder, std::string* error,
                                               Mode mode = Mode::Exclusive,
                                               bool* heldElsewhere = nullptr);

    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

private:
    explicit FolderLock(int fd) : m_fd(fd) {}

    int m_fd;
};

} // namespace kelvarin
