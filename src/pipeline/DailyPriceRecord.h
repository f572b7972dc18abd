#pragma once

#include <string>

namespace kelvarin {

// One line of a daily price file.
struct DailyPriceRecord {
    std::string date;
    std::string name;
    std::string code;
    double open = 0;
    double high = 0;
    double low = 0;
    double close = 0;
    long volume = 0;
};

} // namespace kelvarin
