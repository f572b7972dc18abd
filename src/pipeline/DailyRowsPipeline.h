#pragma once

#include "app/FileAccess.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace kelvarin {

// The stock a row belongs to.
struct RowStock {
    std::string_view name;
    std::string_view code;
};

// One daily file and its history rows, in the order of its lines.
struct DailyRows {
    WholeFile bytes; // the file itself; the stocks' names and codes point into it
    std::string rows;
    std::vector<RowStock> stocks;
    std::vector<std::size_t> ends; // where each row ends in `rows`

    // Fills `rows`, `stocks` and `ends` from `bytes`.
    void Form();
};

// Forms the rows of daily files on helper threads, one per cpu beyond the
// caller's, while the caller reads the next files; the caller takes them
// back in the order it gave them. Rows depend only on their daily file, so
// the helpers share nothing but the queue.
class DailyRowsPipeline {
public:
    DailyRowsPipeline();
    ~DailyRowsPipeline();
    DailyRowsPipeline(const DailyRowsPipeline&) = delete;
    DailyRowsPipeline& operator=(const DailyRowsPipeline&) = delete;

    // An empty DailyRows to read a file into, reused where one was handed back.
    std::unique_ptr<DailyRows> Spare();
    void HandBack(std::unique_ptr<DailyRows> day);

    // Queues a daily file read into `day` to have its rows formed.
    void Give(std::unique_ptr<DailyRows> day);
    // Days given and not yet taken.
    std::size_t Queued() const { return m_queued; }
    // The oldest day given, its rows formed. While it waits, the caller forms
    // the rows of days no helper has taken yet.
    std::unique_ptr<DailyRows> TakeOldest();

private:
    struct Slot {
        std::unique_ptr<DailyRows> day;
        bool formed = false;
        std::exception_ptr failure;
    };

    void StartHelpers();
    void Help();
    // Forms the next day no thread has taken yet; the lock is held on entry
    // and on return, but not while the rows are formed.
    void FormNext(std::unique_lock<std::mutex>& lock);

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Slot> m_slots;
    std::size_t m_firstSlot = 0; // the sequence number of m_slots.front()
    std::size_t m_nextToForm = 0;
    bool m_stopping = false;
    std::size_t m_queued = 0; // the caller's own count, read without the lock
    std::vector<std::thread> m_helpers;
    bool m_started = false;
    std::vector<std::unique_ptr<DailyRows>> m_spares;
};

} // namespace kelvarin
