#pragma once

#include <cstddef>
#include <string>

namespace kelvarin::exchange {

// One stock of the simulated market and the trading days it is listed on:
// from firstDay up to, not including, endDay (indexes into the trading days).
struct ListedStock {
    std::string name;
    std::string code;
    std::size_t firstDay = 0;
    std::size_t endDay = 0;

    bool ListedOn(std::size_t day) const { return day >= firstDay && day < endDay; }
};

} // namespace kelvarin::exchange
