#pragma once

#include <string>

namespace kelvarin {

// Appends one row per record of the daily price file at `dailyPath` to the
// stock history files in `stockFolder`, creating a history file with its
// header when it is new. All or nothing: when the daily file cannot be read or
// a history file cannot be written, every history file keeps (or regains) the
// bytes it had before, and `error` names the file and the cause. `records` is
// the number of records the daily file holds.
bool ApplyDailyPriceFile(const std::string& dailyPath, const std::string& stockFolder, int& records,
                         std::string& error);

} // namespace kelvarin
