#include "pipeline/UpdateBatch.h"

#include "app/CrashPoint.h"
#include "app/FileAccess.h"
#include "pipeline/DailyPriceReader.h"
#include "pipeline/HistoryFile.h"
#include "pipeline/Marker.h"
#include "pipeline/UpdateJournal.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kelvarin {

namespace {

// What a map node and its bookkeeping cost beyond the strings, roughly; only
// there so that a batch of many short histories also stays in its budget.
constexpr std::size_t EntryOverhead = 64;

JournalEntry Inspect(const std::string& path, std::string name) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return {std::move(name), true, 0};
    return {std::move(name), false, status.st_size};
}

} // namespace

UpdateBatch::UpdateBatch(std::string stockFolder, std::size_t budget)
    : m_stockFolder(std::move(stockFolder)), m_budget(budget) {}

std::size_t UpdateBatch::HistoryFor(const std::string& name, const std::string& code) {
    m_stockKey.assign(name);
    m_stockKey += '\0';
    m_stockKey += code;
    const auto known = m_byStock.find(m_stockKey);
    if (known != m_byStock.end())
        return known->second;
    std::string path = HistoryPath(m_stockFolder, name, code);
    const auto [at, isNew] = m_byPath.try_emplace(path, m_histories.size());
    if (isNew) {
        m_bytes += 2 * path.capacity() + EntryOverhead;
        m_histories.push_back({std::move(path), {}});
    }
    m_byStock.emplace(m_stockKey, at->second);
    m_bytes += m_stockKey.capacity() + EntryOverhead;
    return at->second;
}

bool UpdateBatch::Add(const std::string& dailyPath, const std::string& dailyName, int& records,
                      std::string* error) {
    int count = 0;
    const bool read = ReadDailyPriceFile(
        dailyPath,
        [&](const DailyPriceRecord& record) {
            std::string& rows = m_histories[HistoryFor(record.name, record.code)].rows;
            const std::size_t before = rows.capacity();
            AppendHistoryRow(rows, record);
            m_bytes += rows.capacity() - before;
            ++count;
        },
        error);
    if (!read)
        return false;
    records = count;
    ++m_files;
    m_lastDailyName = dailyName;
    return true;
}

bool UpdateBatch::WriteRows(const History& history, bool create, bool& opened, std::string* error) {
    // A new file needs no temporary name: until the marker names the batch,
    // the journal takes it away again should the run stop half way.
    const int fd = OpenForWriting(history.path, create ? O_CREAT | O_EXCL : O_APPEND);
    opened = fd >= 0;
    if (!opened) {
        if (error)
            *error = CannotMessage("write", history.path, errno);
        return false;
    }
    const std::string_view rows = history.rows;
    const std::size_t half = rows.size() / 2;
    bool written = (!create || WriteAll(fd, HistoryHeader)) && WriteAll(fd, rows.substr(0, half));
    // A crash here leaves the file ending in part of a row.
    CrashPoint();
    written = written && WriteAll(fd, rows.substr(half));
    int cause = errno;
    if (::close(fd) != 0 && written) {
        written = false;
        cause = errno;
    }
    if (!written && error)
        *error = CannotMessage("write", history.path, cause);
    return written;
}

bool UpdateBatch::WriteBatch(UpdateJournal& journal, const std::string& markerPath,
                             std::string* error) {
    std::vector<JournalEntry> entries;
    entries.reserve(m_histories.size());
    for (const History& history : m_histories)
        entries.push_back(Inspect(history.path, history.path.substr(m_stockFolder.size())));
    CrashPoint();
    if (!journal.Begin(entries, error))
        return false;
    CrashPoint();

    for (std::size_t i = 0; i < m_histories.size(); ++i) {
        bool opened = false;
        if (!WriteRows(m_histories[i], entries[i].created, opened, error)) {
            // A file that could not even be opened holds nothing of the batch.
            journal.RollBack(opened ? i + 1 : i, error);
            return false;
        }
        CrashPoint();
    }
    const auto takeBack = [&] {
        journal.RollBack(entries.size(), error);
        return false;
    };
    // The marker may name the batch only once all of its rows are on disk.
    if (!SyncFileSystemOf(m_stockFolder)) {
        if (error)
            *error = CannotMessage("write", m_stockFolder, errno);
        return takeBack();
    }
    CrashPoint();
    if (!journal.Commit(m_lastDailyName, error))
        return takeBack();
    CrashPoint();
    if (!WriteMarker(markerPath, m_lastDailyName, error))
        return takeBack();
    m_filesOnDisk += m_files;
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

bool UpdateBatch::Flush(UpdateJournal& journal, const std::string& markerPath, std::string* error) {
    if (Empty())
        return true;
    const bool written = WriteBatch(journal, markerPath, error);
    Clear();
    return written;
}

void UpdateBatch::Clear() {
    // Swapped out rather than cleared, so the memory goes back between batches.
    m_histories = {};
    m_byStock = {};
    m_byPath = {};
    m_bytes = 0;
    m_files = 0;
}

} // namespace kelvarin
