#include "pipeline/EarlyWriteback.h"

#include <fcntl.h>
#include <system_error>
#include <unistd.h>

namespace kelvarin {

EarlyWriteback::EarlyWriteback() {
    try {
        m_thread = std::thread([this] { StartEach(); });
    } catch (const std::system_error&) {
        // Without the thread the flush does all the writing, as it would anyway.
    }
}

EarlyWriteback::~EarlyWriteback() {
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_one();
    if (m_thread.joinable())
        m_thread.join();
}

void EarlyWriteback::Written(std::string path) {
    if (!m_thread.joinable())
        return;
    {
        const std::lock_guard lock(m_mutex);
        m_paths.push_back(std::move(path));
    }
    m_changed.notify_one();
}

void EarlyWriteback::StartEach() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_stopping || !m_paths.empty(); });
        if (m_stopping)
            return;
        const std::string path = std::move(m_paths.front());
        m_paths.pop_front();
        lock.unlock();
        // Opened anew rather than handed over, so the writer's own close
        // stays the last one and still reports what it reports. Failures
        // are the flush's to find.
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd >= 0) {
            ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
            ::close(fd);
        }
        lock.lock();
    }
}

} // namespace kelvarin
