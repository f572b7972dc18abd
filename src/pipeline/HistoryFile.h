#pragma once

#include "pipeline/DailyPriceReader.h"
#include "pipeline/DailyPriceRecord.h"

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

// stockFolder + name + " (" + code + ").txt", with every "/" of name and code
// replaced by "_" so a record can never point outside the stock folder.
std::string HistoryPath(const std::string& stockFolder, std::string_view name,
                        std::string_view code);

} // namespace kelvarin
