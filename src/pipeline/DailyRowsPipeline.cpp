#include "pipeline/DailyRowsPipeline.h"

#include "pipeline/DailyPriceReader.h"
#include "pipeline/HistoryFile.h"

#include <algorithm>
#include <system_error>

namespace kelvarin {

namespace {

// Beyond a few helpers the one thread that files the rows away is the limit,
// and each helper only adds memory.
constexpr unsigned MostThreads = 8;

unsigned HelperCount() {
    const unsigned cpus = std::max(1u, std::thread::hardware_concurrency());
    return std::min(cpus, MostThreads) - 1;
}

} // namespace

void DailyRows::Form() {
    stocks.clear();
    ends.clear();
    // The rows are printed straight into `rows`, which is kept at its
    // capacity and cut to what was printed at the end.
    rows.resize(rows.capacity());
    std::size_t used = 0;
    DailyPriceLines lines(bytes.View());
    std::string_view line;
    while (lines.Next(line)) {
        if (rows.size() - used < MostHistoryRowBytes)
            rows.resize(std::max(2 * rows.size(), used + MostHistoryRowBytes));
        const DailyPriceFields fields = CutDailyPriceLine(line);
        used = static_cast<std::size_t>(PrintHistoryRow(rows.data() + used, fields) - rows.data());
        stocks.push_back({fields.name, fields.code});
        ends.push_back(used);
    }
    rows.resize(used);
}

DailyRowsPipeline::DailyRowsPipeline() = default;

DailyRowsPipeline::~DailyRowsPipeline() {
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    for (std::thread& helper : m_helpers)
        helper.join();
}

std::unique_ptr<DailyRows> DailyRowsPipeline::Spare() {
    if (m_spares.empty())
        return std::make_unique<DailyRows>();
    std::unique_ptr<DailyRows> day = std::move(m_spares.back());
    m_spares.pop_back();
    return day;
}

void DailyRowsPipeline::HandBack(std::unique_ptr<DailyRows> day) {
    m_spares.push_back(std::move(day));
}

void DailyRowsPipeline::StartHelpers() {
    // Started with the first day rather than with the run, so a run with
    // nothing to do starts no thread.
    m_started = true;
    for (unsigned helper = 0; helper < HelperCount(); ++helper) {
        try {
            m_helpers.emplace_back([this] { Help(); });
        } catch (const std::system_error&) {
            // Fewer helpers only make it slower; the caller forms the rest.
            break;
        }
    }
}

void DailyRowsPipeline::Give(std::unique_ptr<DailyRows> day) {
    if (!m_started)
        StartHelpers();
    {
        const std::lock_guard lock(m_mutex);
        m_slots.push_back({std::move(day), false, {}});
    }
    ++m_queued;
    m_changed.notify_one();
}

void DailyRowsPipeline::FormNext(std::unique_lock<std::mutex>& lock) {
    // Slots are only ever added at the back and taken from the front once
    // formed, which leaves a deque's other elements where they are: this one
    // stays put while the lock is let go.
    Slot& slot = m_slots[m_nextToForm++ - m_firstSlot];
    lock.unlock();
    std::exception_ptr failure;
    try {
        slot.day->Form();
    } catch (...) {
        failure = std::current_exception();
    }
    lock.lock();
    slot.formed = true;
    slot.failure = std::move(failure);
    m_changed.notify_all();
}

void DailyRowsPipeline::Help() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(
            lock, [this] { return m_stopping || m_nextToForm < m_firstSlot + m_slots.size(); });
        if (m_stopping)
            return;
        FormNext(lock);
    }
}

std::unique_ptr<DailyRows> DailyRowsPipeline::TakeOldest() {
    std::unique_lock lock(m_mutex);
    while (!m_slots.front().formed) {
        if (m_nextToForm < m_firstSlot + m_slots.size())
            FormNext(lock);
        else
            m_changed.wait(lock);
    }
    Slot slot = std::move(m_slots.front());
    m_slots.pop_front();
    ++m_firstSlot;
    --m_queued;
    lock.unlock();
    if (slot.failure)
        std::rethrow_exception(slot.failure);
    return std::move(slot.day);
}

} // namespace kelvarin
