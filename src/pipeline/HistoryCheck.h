#pragma once

#include "pipeline/LibraryFindings.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kelvarin {

struct DailyPriceRecord;
struct HistoryRow;

// A row of a history file as the comparison with the daily files needs it:
// 16 bytes whatever the row, so millions of them fit in memory at once.
struct HistoryEntry {
    std::uint32_t dateKey;
    std::uint32_t line;
    std::uint64_t valuesKey;
};

// A hash of a row's date and values, equal for a history row and the daily
// record the Update turns into a row with those values, whatever the row's
// padding. `line` is the row's text, for prices too large for thousandths.
std::uint64_t ValuesKey(const HistoryRow& row, std::string_view line);
// The same for a record dated `dateKey`; `scratch` holds its row's text
// when it has to be formatted.
std::uint64_t ValuesKey(const DailyPriceRecord& record, std::uint32_t dateKey,
                        std::string& scratch);

// "open 2.650, high 2.690, low 2.640, close 2.670, volume 800" for a row.
std::string DescribeRow(std::string_view row);

struct HistoryFileCheck {
    std::vector<Finding> findings;     // in the order found, not yet by line
    std::vector<HistoryEntry> entries; // the rows that parse, by date and then by line
    std::size_t rows = 0;              // lines after the header
};

// Everything a history file's bytes tell on their own: the header, rows that
// do not parse, an unfinished last row, rows out of date order, repeated rows
// and dates, prices that are not positive or out of their range, negative
// volumes.
HistoryFileCheck CheckHistoryBytes(std::string_view bytes);

// The lines of a history file: LF ends a line, a CR before it belongs to the
// line end. No line end follows the last line of a sound file.
class HistoryLines {
public:
    explicit HistoryLines(std::string_view bytes) : m_rest(bytes) {}

    // The next line, false past the last one. `crlf` tells whether it ended
    // in CR LF, `last` whether no line follows it.
    bool Next(std::string_view& line, bool& crlf, bool& last);

private:
    std::string_view m_rest;
    bool m_done = false;
};

} // namespace kelvarin
