#pragma once

#include "pipeline/DailyPriceRecord.h"

#include <functional>
#include <string>
#include <string_view>

namespace kelvarin {

// Cuts one line (the bytes before its CR) into its fields.
DailyPriceRecord ParseDailyPriceLine(std::string_view line);

// Hands every record of the daily price bytes to `onRecord`, in line order,
// stopping at the first end condition of the format (an empty line, a line
// without CR, a line of 500 bytes or more, a NUL).
void ReadDailyPrices(std::string_view bytes,
                     const std::function<void(const DailyPriceRecord&)>& onRecord);

// Reads the whole file at `path` at once and hands its records on as above.
// Returns false, with "Cannot read <path>: <cause>" in `error`, when the file
// cannot be read; no record is handed on then.
bool ReadDailyPriceFile(const std::string& path,
                        const std::function<void(const DailyPriceRecord&)>& onRecord,
                        std::string* error = nullptr);

} // namespace kelvarin
