#include "pipeline/ParallelWork.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace kelvarin {

namespace {

// Beyond a few threads, files created in one folder wait for each other on
// the folder's lock, and each thread only adds memory.
constexpr unsigned MostThreads = 8;

unsigned ThreadsFor(std::size_t count) {
    const unsigned cpus = std::max(1u, std::thread::hardware_concurrency());
    return static_cast<unsigned>(std::min<std::size_t>({count, cpus, MostThreads}));
}

class SharedWork {
public:
    SharedWork(std::size_t count, const std::function<void(std::size_t)>& work)
        : m_count(count), m_work(work) {}

    void TakeUntilDone() {
        for (std::size_t index = m_next++; index < m_count; index = m_next++) {
            try {
                m_work(index);
            } catch (...) {
                Keep(std::current_exception());
            }
        }
    }

    void RethrowFirstFailure() const {
        if (m_failure)
            std::rethrow_exception(m_failure);
    }

private:
    void Keep(std::exception_ptr failure) {
        const std::lock_guard lock(m_failureMutex);
        if (!m_failure)
            m_failure = std::move(failure);
        m_next = m_count;
    }

    const std::size_t m_count;
    const std::function<void(std::size_t)>& m_work;
    std::atomic<std::size_t> m_next{0};
    std::mutex m_failureMutex;
    std::exception_ptr m_failure;
};

} // namespace

void RunInParallel(std::size_t count, const std::function<void(std::size_t)>& work) {
    SharedWork shared(count, work);
    std::vector<std::thread> helpers;
    for (unsigned extra = 1; extra < ThreadsFor(count); ++extra) {
        try {
            helpers.emplace_back([&shared] { shared.TakeUntilDone(); });
        } catch (const std::system_error&) {
            // Fewer threads only make it slower; this one does the rest.
            break;
        }
    }
    shared.TakeUntilDone();
    for (std::thread& helper : helpers)
        helper.join();
    shared.RethrowFirstFailure();
}

} // namespace kelvarin
