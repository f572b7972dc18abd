#pragma once

#include "pipeline/DailyRowsPipeline.h"
#include "pipeline/RowBlocks.h"

#include <cstddef>
#include <future>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace kelvarin {

class UpdateJournal;

// Rows gathered before a batch goes to disk. It bounds the run's memory
// whatever the size of the library, and is large enough that each history
// file is written once for many daily files.
inline constexpr std::size_t UpdateBatchBudget = std::size_t{64} << 20;

// The rows of consecutive daily files, gathered per history file in the order
// of their lines, so a batch opens and writes each history file once. A
// daily file is gathered whole or not at all, and a batch is written whole or
// not at all, under the journal. The rows of the last few daily files added
// are formed on other threads meanwhile.
class UpdateBatch {
public:
    UpdateBatch(std::string stockFolder, std::size_t budget);

    // Reads the daily file and gathers one row per record. When the file
    // cannot be read, nothing of it is gathered and `error` names the file
    // and the cause.
    bool Add(const std::string& dailyPath, const std::string& dailyName, std::string* error);

    bool Empty() const { return m_files == 0; }
    // The memory the gathered rows hold has reached the budget. Days whose
    // rows are still being formed count as their files' sizes, which rows
    // seldom pass; when that could reach the budget, they are taken in first
    // and counted exactly, so the answer never depends on the threads' pace.
    bool Full();
    // Daily files of every flush so far whose rows the marker names.
    int FilesOnDisk() const { return m_filesOnDisk; }
    // The records of the last daily file added, once a flush has taken in
    // every file added.
    int LastFileRecords() const { return m_lastFileRecords; }

    // Writes every gathered row and moves the marker at `markerPath` to the
    // last daily file gathered, under the journal, after sealing a batch
    // FlushBehind left. On failure `error` names the file and the cause, and
    // every history file and the marker are as they were before the failed
    // batch, as far as they can be put back; only when the journal could not
    // be put away after the marker moved does the batch stand, and the next
    // run keeps it. Either way nothing is gathered afterwards.
    bool Flush(UpdateJournal& journal, const std::string& markerPath, std::string* error);
    // The same, but the disk catches up with the rows on another thread while
    // the caller gathers the next batch: the marker moves only when the next
    // Flush or FlushBehind seals this batch. A run killed meanwhile finds the
    // journal of a batch the marker does not name, and takes it back.
    bool FlushBehind(UpdateJournal& journal, const std::string& markerPath, std::string* error);

private:
    // A stock seen in the batch and the history file its rows go to.
    struct Stock {
        std::string name;
        std::string code;
        std::size_t history;
    };

    // Daily files list their stocks in much the same order every day, so the
    // stock that followed the previous row's last time is tried first, and
    // the map only when that guess fails.
    std::size_t HistoryOf(const RowStock& row);
    std::size_t FindStock(const RowStock& row);
    // Files the rows of the oldest daily file in the pipeline away.
    void TakeOldest();
    void TakeAll();
    // Writes the rows under a new journal entry; the batch is sealed later.
    bool WriteBatch(UpdateJournal& journal, std::string* error);
    // Moves the marker to a batch written before, once its rows are on disk.
    bool SealWritten(UpdateJournal& journal, const std::string& markerPath, std::string* error);
    bool WriteRows(std::size_t history, bool create, bool& opened, std::string* error);
    void Clear();

    std::string m_stockFolder;
    std::size_t m_budget;
    // The history files of the batch, in the order each was first touched;
    // the rows of each are the chain of the same number in m_rows.
    std::vector<std::string> m_paths;
    RowBlocks m_rows;
    std::vector<Stock> m_stocks;
    // Name and code, a NUL between them (a byte no line holds), to stock: a
    // path is built only for a stock not yet seen in the batch.
    std::unordered_map<std::string, std::size_t> m_byStock;
    std::string m_stockKey;
    // The stock that came next last time: [0] at the start of a daily file,
    // [s + 1] after stock s; none yet is the largest std::size_t.
    std::vector<std::size_t> m_followers;
    std::size_t m_previous = 0; // where in m_followers the row before left off
    // Two stocks may share a history path once "/" is replaced.
    std::unordered_map<std::string, std::size_t> m_byPath;
    std::size_t m_bytes = 0;         // beyond the rows' blocks
    std::size_t m_bytesInFlight = 0; // the sizes of the daily files in the pipeline
    int m_files = 0;
    int m_filesOnDisk = 0;
    int m_lastFileRecords = 0;
    std::string m_lastDailyName;
    // A batch written whose marker has not moved yet.
    struct Written {
        std::string lastDailyName;
        int files = 0;
        std::size_t historyFiles = 0;
        std::future<int> synced; // 0, or the errno of the flush to disk
    };
    std::optional<Written> m_written;
    DailyRowsPipeline m_pipeline;
};

} // namespace kelvarin
