#pragma once

#include "TradingDate.h"

#include <cstddef>
#include <cstdint>

namespace kelvarin::exchange {

struct MarketSettings {
    std::uint64_t seed = 1;
    std::size_t days = 60;
    // Stocks listed on the first day; a few more list and delist later.
    std::size_t stocks = 100;
    TradingDate firstDate = TradingDate::FromCivil(2004, 1, 2);
};

} // namespace kelvarin::exchange
