#include "pipeline/UpdateBatch.h"

#include "app/CrashPoint.h"
#include "app/FileAccess.h"
#include "pipeline/HistoryFile.h"
#include "pipeline/Marker.h"
#include "pipeline/UpdateJournal.h"

#include <cerrno>
#include <fcntl.h>
#include <future>
#include <limits>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace kelvarin {

namespace {

// What a map node and its bookkeeping cost beyond the strings, roughly; only
// there so that a batch of many short histories also stays in its budget.
constexpr std::size_t EntryOverhead = 64;

// Days whose rows are formed while the walk reads on. After each Add every
// earlier day has been filed away.
constexpr std::size_t DaysInFlight = 8;

constexpr std::size_t NoStock = std::numeric_limits<std::size_t>::max();

JournalEntry Inspect(const std::string& path, std::string name) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return {std::move(name), true, 0};
    return {std::move(name), false, status.st_size};
}

} // namespace

UpdateBatch::UpdateBatch(std::string stockFolder, std::size_t budget)
    : m_stockFolder(std::move(stockFolder)), m_budget(budget), m_followers{NoStock} {}

std::size_t UpdateBatch::FindStock(const RowStock& row) {
    m_stockKey.assign(row.name).append(1, '\0').append(row.code);
    const auto known = m_byStock.find(m_stockKey);
    if (known != m_byStock.end())
        return known->second;
    std::string path = HistoryPath(m_stockFolder, row.name, row.code);
    const auto [at, isNew] = m_byPath.try_emplace(path, m_paths.size());
    if (isNew) {
        m_bytes += 2 * path.capacity() + EntryOverhead;
        m_paths.push_back(std::move(path));
        m_rows.AddChain();
    }
    const std::size_t stock = m_stocks.size();
    m_stocks.push_back({std::string(row.name), std::string(row.code), at->second});
    m_byStock.emplace(m_stockKey, stock);
    m_bytes += 2 * (m_stockKey.size() + EntryOverhead);
    m_followers.push_back(NoStock);
    return stock;
}

std::size_t UpdateBatch::HistoryOf(const RowStock& row) {
    std::size_t stock = m_followers[m_previous];
    if (stock == NoStock || m_stocks[stock].name != row.name || m_stocks[stock].code != row.code) {
        stock = FindStock(row);
        m_followers[m_previous] = stock;
    }
    m_previous = stock + 1;
    return m_stocks[stock].history;
}

void UpdateBatch::TakeOldest() {
    std::unique_ptr<DailyRows> day = m_pipeline.TakeOldest();
    m_previous = 0;
    std::size_t start = 0;
    for (std::size_t row = 0; row < day->ends.size(); ++row) {
        m_rows.Append(HistoryOf(day->stocks[row]),
                      std::string_view(day->rows).substr(start, day->ends[row] - start));
        start = day->ends[row];
    }
    m_lastFileRecords = static_cast<int>(day->ends.size());
    m_bytesInFlight -= day->bytes.View().size();
    m_pipeline.HandBack(std::move(day));
}

void UpdateBatch::TakeAll() {
    while (m_pipeline.Queued() > 0)
        TakeOldest();
}

bool UpdateBatch::Full() {
    if (m_bytes + m_rows.BytesHeld() + m_bytesInFlight < m_budget)
        return false;
    TakeAll();
    return m_bytes + m_rows.BytesHeld() >= m_budget;
}

bool UpdateBatch::Add(const std::string& dailyPath, const std::string& dailyName,
                      std::string* error) {
    std::unique_ptr<DailyRows> day = m_pipeline.Spare();
    if (!day->bytes.Read(dailyPath)) {
        if (error)
            *error = CannotMessage("read", dailyPath, errno);
        m_pipeline.HandBack(std::move(day));
        return false;
    }
    m_bytesInFlight += day->bytes.View().size();
    m_pipeline.Give(std::move(day));
    ++m_files;
    m_lastDailyName = dailyName;
    while (m_pipeline.Queued() > DaysInFlight)
        TakeOldest();
    return true;
}

bool UpdateBatch::WriteRows(std::size_t history, bool create, bool& opened, std::string* error) {
    const std::string& path = m_paths[history];
    // A new file needs no temporary name: until the marker names the batch,
    // the journal takes it away again should the run stop half way.
    const int fd = OpenForWriting(path, create ? O_CREAT | O_EXCL : O_APPEND);
    opened = fd >= 0;
    if (!opened) {
        if (error)
            *error = CannotMessage("write", path, errno);
        return false;
    }
    const std::size_t size = m_rows.Size(history);
    const std::size_t half = size / 2;
    bool written = m_rows.Write(fd, history, 0, half, create ? HistoryHeader : std::string_view());
    // A crash here leaves the file ending in part of a row.
    CrashPoint();
    written = written && m_rows.Write(fd, history, half, size);
    int cause = errno;
    if (::close(fd) != 0 && written) {
        written = false;
        cause = errno;
    }
    if (!written && error)
        *error = CannotMessage("write", path, cause);
    return written;
}

bool UpdateBatch::WriteBatch(UpdateJournal& journal, std::string* error) {
    std::vector<JournalEntry> entries;
    entries.reserve(m_paths.size());
    for (const std::string& path : m_paths)
        entries.push_back(Inspect(path, path.substr(m_stockFolder.size())));
    CrashPoint();
    if (!journal.Begin(entries, error))
        return false;
    CrashPoint();

    for (std::size_t i = 0; i < m_paths.size(); ++i) {
        bool opened = false;
        if (!WriteRows(i, entries[i].created, opened, error)) {
            // A file that could not even be opened holds nothing of the batch.
            journal.RollBack(opened ? i + 1 : i, error);
            return false;
        }
        CrashPoint();
    }
    // The marker may name the batch only once all of its rows are on disk;
    // the disk gets there while the next batch is gathered.
    const auto sync = [folder = m_stockFolder] { return SyncFileSystemOf(folder) ? 0 : errno; };
    std::future<int> synced;
    try {
        synced = std::async(std::launch::async, sync);
    } catch (const std::system_error&) {
        // Without a thread to spare the disk is waited for at the seal.
        synced = std::async(std::launch::deferred, sync);
    }
    m_written = Written{m_lastDailyName, m_files, m_paths.size(), std::move(synced)};
    return true;
}

bool UpdateBatch::SealWritten(UpdateJournal& journal, const std::string& markerPath,
                              std::string* error) {
    if (!m_written)
        return true;
    Written written = std::move(*m_written);
    m_written.reset();
    const auto takeBack = [&] {
        journal.RollBack(written.historyFiles, error);
        return false;
    };
    if (const int cause = written.synced.get(); cause != 0) {
        if (error)
            *error = CannotMessage("write", m_stockFolder, cause);
        return takeBack();
    }
    CrashPoint();
    if (!journal.Commit(written.lastDailyName, error))
        return takeBack();
    CrashPoint();
    if (!WriteMarker(markerPath, written.lastDailyName, error))
        return takeBack();
    m_filesOnDisk += written.files;
    // The journal may go only once the marker's rename is on disk; should that
    // not be sure, it stays, and the next run finds the marker naming the
    // batch and keeps it. Either way the disk failed, and the run ends here.
    const bool markerOnDisk = SyncFolderEntries(m_stockFolder);
    const int cause = errno;
    CrashPoint();
    if (!markerOnDisk) {
        if (error)
            *error = CannotMessage("write", m_stockFolder, cause);
        return false;
    }
    return journal.Finish(error);
}

bool UpdateBatch::FlushBehind(UpdateJournal& journal, const std::string& markerPath,
                              std::string* error) {
    TakeAll();
    bool written = SealWritten(journal, markerPath, error);
    if (written && !Empty())
        written = WriteBatch(journal, error);
    Clear();
    return written;
}

bool UpdateBatch::Flush(UpdateJournal& journal, const std::string& markerPath, std::string* error) {
    return FlushBehind(journal, markerPath, error) && SealWritten(journal, markerPath, error);
}

void UpdateBatch::Clear() {
    // Swapped out rather than cleared, so the memory goes back between
    // batches; the rows' regions stay for the next one.
    m_paths = {};
    m_rows.Clear();
    m_stocks = {};
    m_byStock = {};
    m_byPath = {};
    m_followers = {NoStock};
    m_bytes = 0;
    m_files = 0;
}

} // namespace kelvarin
