#pragma once

#include <cstddef>
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
// not at all, under the journal.
class UpdateBatch {
public:
    UpdateBatch(std::string stockFolder, std::size_t budget);

    // Gathers one row per record of the daily file. When the file cannot be
    // read, nothing of it is gathered and `error` names the file and the cause.
    // `records` becomes the number of records the daily file holds.
    bool Add(const std::string& dailyPath, const std::string& dailyName, int& records,
             std::string* error);

    bool Empty() const { return m_files == 0; }
    // The memory the gathered rows hold has reached the budget.
    bool Full() const { return m_bytes >= m_budget; }
    // Daily files of every flush so far whose rows the marker names.
    int FilesOnDisk() const { return m_filesOnDisk; }

    // Writes every gathered row and moves the marker at `markerPath` to the
    // last daily file gathered, under the journal. On failure `error` names
    // the file and the cause, and every history file and the marker are as
    // they were before the batch, as far as they can be put back; only when
    // the journal could not be put away after the marker moved does the
    // batch stand, and the next run keeps it. Either way the batch is empty
    // afterwards.
    bool Flush(UpdateJournal& journal, const std::string& markerPath, std::string* error);

private:
    struct History {
        std::string path;
        std::string rows;
    };

    std::size_t HistoryFor(const std::string& name, const std::string& code);
    bool WriteBatch(UpdateJournal& journal, const std::string& markerPath, std::string* error);
    bool WriteRows(const History& history, bool create, bool& opened, std::string* error);
    void Clear();

    std::string m_stockFolder;
    std::size_t m_budget;
    std::vector<History> m_histories; // in the order each was first touched
    // Name and code (NUL between them, a byte no line holds) to history:
    // a path is built only for a stock not yet seen in the batch.
    std::unordered_map<std::string, std::size_t> m_byStock;
    // Two stocks may share a history path once "/" is replaced.
    std::unordered_map<std::string, std::size_t> m_byPath;
    std::string m_stockKey;
    std::size_t m_bytes = 0;
    int m_files = 0;
    int m_filesOnDisk = 0;
    std::string m_lastDailyName;
};

} // namespace kelvarin
