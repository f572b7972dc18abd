#pragma once

#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace kelvarin {

// The journal's name in the stock folder: no ".txt" and no leading ".", so it
// never shows in the stock list and Clear All never counts it.
inline constexpr std::string_view UpdateJournalName = "log_update_journal";

// One history file a batch is about to write, as it was before the batch.
struct JournalEntry {
    std::string name; // the file's name inside the stock folder
    bool created = false;
    off_t size = 0; // its size before the batch, when it existed

    bool operator==(const JournalEntry&) const = default;
};

// What a journal file holds: the files of one batch and, once every row of
// the batch is on disk, the daily file name the marker is about to get.
struct JournalContent {
    std::vector<JournalEntry> entries;
    bool committed = false;
    std::string markerName;

    bool operator==(const JournalContent&) const = default;
};

std::string RenderJournal(const JournalContent& content);
// False when `bytes` are not a whole journal.
bool ParseJournal(std::string_view bytes, JournalContent& content);

// The undo record of one batch of history appends, so that a run killed at
// any moment can be taken back to the last batch the marker names. Every
// change of the file is durable before the call returns.
class UpdateJournal {
public:
    explicit UpdateJournal(std::string stockFolder);

    const std::string& Path() const { return m_path; }

    // Written before the first byte of the batch reaches a history file.
    bool Begin(std::vector<JournalEntry> entries, std::string* error);
    // Written once every row of the batch is on disk, before the marker moves.
    bool Commit(const std::string& markerName, std::string* error);
    // The marker names the batch: the journal is no longer needed. False when
    // it could not be deleted, with the file and the cause in `error`; it
    // then stays, and the next run finds its batch named by the marker.
    bool Finish(std::string* error);
    // Takes the first `count` files of the batch back to what they were
    // (files already shorter or gone are left as they are), then removes the
    // journal. On failure the journal stays, so the next run tries again.
    bool RollBack(std::size_t count, std::string* error);
    // A journal left by a run that did not finish: a batch the marker names
    // is kept, any other is rolled back. True when nothing was left or all
    // was put right.
    bool Recover(const std::string& markerPath, std::string* error);

private:
    bool Write(std::string* error);

    std::string m_stockFolder;
    std::string m_path;
    JournalContent m_content;
};

} // namespace kelvarin
