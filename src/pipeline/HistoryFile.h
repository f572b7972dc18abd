#pragma once

#include "pipeline/DailyPriceReader.h"
#include "pipeline/DailyPriceRecord.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kelvarin {

inline constexpr std::string_view HistoryHeader = "date\topen\thigh\tlow\tclose\tvolume";

// "\r\n" + date, open, high, low, close (each %6.3f) and volume, tab-separated,
// with "." as the decimal point whatever the locale.
std::string FormatHistoryRow(const DailyPriceRecord& record);

// The same row added to the end of `rows`, for callers that gather many rows
// and would rather not allocate one string per row.
void AppendHistoryRow(std::string& rows, const DailyPriceRecord& record);

// The row of the record the fields convert to (ParseDailyPriceLine's), byte
// for byte, made from their text without the conversions where it can be.
void AppendHistoryRow(std::string& rows, const DailyPriceFields& fields);

// The most bytes PrintHistoryRow writes: "\r\n", a date of at most ten
// characters, then tab and column five times, the widest double at most.
inline constexpr std::size_t MostHistoryRowBytes = 2 + 10 + 4 * (1 + 320) + 1 + 24;

// The same row written at `at`, which has room for MostHistoryRowBytes;
// returns its end. For callers that keep rows in a buffer of their own: a row
// put together on the side and then copied costs more than the printing.
char* PrintHistoryRow(char* at, const DailyPriceFields& fields);

// stockFolder + name + " (" + code + ").txt", with every "/" of name and code
// replaced by "_" so a record can never point outside the stock folder.
std::string HistoryPath(const std::string& stockFolder, std::string_view name,
                        std::string_view code);

// A price as a row prints it, in thousandths with its sign, from the same
// rounding as the row's text; false from 2^52 on and for infinities and
// NaNs, which print otherwise.
bool PriceThousandths(double value, std::int64_t& thousandths);

// One row of a history file, cut into its columns. The date stays text; its
// key orders rows as the text does.
struct HistoryRow {
    std::string_view date;
    std::uint32_t dateKey = 0; // YYYYMMDD
    double open = 0;
    double high = 0;
    double low = 0;
    double close = 0;
    long volume = 0;
    // Open, high, low and close as PriceThousandths gives them, when `exact`:
    // every price below 2^52.
    std::int64_t thousandths[4] = {};
    bool exact = false;
};

// Cuts one row (the bytes between its line ends) into `row`. False when it is
// not a row the Update could have written: six tab-separated columns, a
// YYYY-MM-DD date, prices with three decimals, a whole volume.
bool ParseHistoryRow(std::string_view line, HistoryRow& row);

// The key of a YYYY-MM-DD date, or false for any other text.
bool DateKeyOf(std::string_view date, std::uint32_t& key);

} // namespace kelvarin
