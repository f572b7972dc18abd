#pragma once

#include "exchange/MarketGenerator.h"

#include <string>
#include <vector>

namespace kelvarin::exchange {

// The exchange's fixed-column daily price file: one CR LF line per quote,
// every field at its own columns and spaces between them.
class DailyPriceFile {
public:
    static constexpr std::size_t LineLength = 135;

    static std::string Render(const std::string& date, const std::vector<DailyQuote>& quotes);
    // Appends one line, CR LF included. Names and codes longer than their
    // columns are cut; a price or volume too wide for its columns throws,
    // since it would shift every field after it.
    static void AppendLine(std::string& out, const std::string& date, const DailyQuote& quote);
};

} // namespace kelvarin::exchange
