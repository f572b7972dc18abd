#pragma once

#include <string>
#include <string_view>

#include "pipeline/DailyPriceRecord.h"

namespace kelvarin {

inline constexpr std::string_view HistoryHeader = "date\topen\thigh\tlow\tclose\tvolume";

// "\r\n" + date, open, high, low, close (each %6.3f) and volume, tab-separated.
std::string FormatHistoryRow(const DailyPriceRecord& record);

// stockFolder + name + " (" + code + ").txt", with every "/" of name and code
// replaced by "_" so a record can never point outside the stock folder.
std::string HistoryPath(const std::string& stockFolder, std::string_view name, std::string_view code);

// Creates the history file with the header and `rows`, or appends `rows` at
// its end. Returns false with the path and the cause in `error` on failure.
bool AppendHistoryRows(const std::string& path, std::string_view rows, std::string* error = nullptr);

} // namespace kelvarin
