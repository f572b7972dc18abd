#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

namespace kelvarin {

// Starts the disk writes of files already written, on a thread of its own,
// while the caller writes the next ones, so that the flush of the file
// system that follows has less left to wait for. It is only advice to the
// kernel: whatever it has not started by then, the flush writes.
class EarlyWriteback {
public:
    EarlyWriteback();
    // Drops the files not started yet and waits for the one under way.
    ~EarlyWriteback();
    EarlyWriteback(const EarlyWriteback&) = delete;
    EarlyWriteback& operator=(const EarlyWriteback&) = delete;

    // The file at `path` has been written and closed.
    void Written(std::string path);

private:
    void StartEach();

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::string> m_paths;
    bool m_stopping = false;
    std::thread m_thread;
};

} // namespace kelvarin
