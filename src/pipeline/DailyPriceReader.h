#pragma once

#include "pipeline/DailyPriceRecord.h"

#include <functional>
#include <string>
#include <string_view>

namespace kelvarin {

// The fields of one line as text, cut out but not converted: name and code
// without their trailing white space, the numbers as their columns hold them.
struct DailyPriceFields {
    std::string_view date;
    std::string_view name;
    std::string_view code;
    std::string_view open;
    std::string_view high;
    std::string_view low;
    std::string_view close;
    std::string_view volume;
};

DailyPriceFields CutDailyPriceLine(std::string_view line);

// Cuts one line (the bytes before its CR) into its fields.
DailyPriceRecord ParseDailyPriceLine(std::string_view line);

// A price field's value as the C library's strtod gives it in the "C" locale,
// and a volume field's as its strtol in base 10.
double PriceFieldValue(std::string_view field);
long VolumeFieldValue(std::string_view field);

// The shortcuts behind them, for the plain decimals nearly every field holds:
// false when the text needs the C library's conversion.
bool PlainDecimalValue(std::string_view text, double& value);
bool PlainWholeValue(std::string_view text, long& value);

// The lines of daily price bytes in order (each without its CR), up to the
// first end condition of the format: an empty line, a line without CR, a line
// of 500 bytes or more, a NUL.
class DailyPriceLines {
public:
    explicit DailyPriceLines(std::string_view bytes);

    // False once the lines have ended.
    bool Next(std::string_view& line);

private:
    // Once an end condition is met, no later line is ever read.
    bool Stop();

    std::string_view m_bytes;
    std::size_t m_offset = 0;
    std::size_t m_nul;
};

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
