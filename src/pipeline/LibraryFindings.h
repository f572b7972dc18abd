#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kelvarin {

// What the library check can find wrong. The first group is read from a
// history file alone, the second from comparing it with the daily files.
enum class FindingKind {
    NotHeader,      // line 1 is not the header the Update writes
    Unparsed,       // a line that is no history row
    Unfinished,     // the last row was cut short, or only its line end was written
    OutOfOrder,     // dated before the row above it
    RepeatedRow,    // the same bytes as an earlier row
    RepeatedDate,   // the date of an earlier row, with other values
    NotPositive,    // a price of zero or less
    LowAbove,       // the low above the open, close or high
    HighBelow,      // the high below the open or close
    NegativeVolume, //
    MissingDay,     // a day a daily file lists for the stock, without a row
    ExtraDay,       // a row of a day no daily file lists for the stock
    Differs,        // the day's row holds other values than its daily file
    Unreadable,     // a file or folder that could not be read
    Interrupted,    // an Update that did not finish left its journal
};

inline constexpr std::size_t FindingKindCount =
    static_cast<std::size_t>(FindingKind::Interrupted) + 1;

// The kind as scripts read it in the JSON report: "out-of-order" and so on.
std::string_view KindName(FindingKind kind);

struct Finding {
    FindingKind kind;
    int line = 0; // counted from 1, the header's line; 0 when no line holds it
    std::string text;
};

// The findings of one file, ordered by line (those of no line last) and by
// kind within a line.
struct FileFindings {
    std::string path;
    std::vector<Finding> findings;
};

struct CheckSummary {
    std::size_t historyFiles = 0;
    std::size_t rows = 0;
    std::size_t dailyFiles = 0; // the applied daily files compared
    std::size_t records = 0;    // their records
    std::size_t uncompared = 0; // rows dated outside the days of those daily files
    std::string lastDailyName;  // the Update marker's name
    std::array<std::size_t, FindingKindCount> counts{};

    std::size_t Findings() const;
};

// Everything one check found, file by file in name order.
struct LibraryReport {
    std::vector<FileFindings> files;
    CheckSummary summary;
    // Set when the check could not run at all (the stock folder being
    // written by another process, say); nothing was checked then.
    std::string error;
    bool stopped = false;

    bool Sound() const { return error.empty() && !stopped && files.empty(); }
};

// "Checked 800 history files (4,017,187 rows) against 5,000 daily files up
// to SGX20231229.dat: sound." and its variants: the line every front end
// ends the report with.
std::string SummaryLine(const LibraryReport& report);

// Whether the file's faults are only those a rewrite can mend without
// guessing: rows out of order and exact repeats, at least one of them.
bool Repairable(const FileFindings& file);

} // namespace kelvarin
