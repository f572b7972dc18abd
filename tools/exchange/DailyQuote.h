#pragma once

#include "ListedStock.h"

#include <cstdint>

namespace kelvarin::exchange {

// One stock's trading on one day. Prices are whole thousandths so that the
// three decimals of the daily price file are exact.
struct DailyQuote {
    const ListedStock* stock = nullptr;
    std::int32_t open = 0;
    std::int32_t high = 0;
    std::int32_t low = 0;
    std::int32_t close = 0;
    std::int64_t volume = 0;
};

} // namespace kelvarin::exchange
