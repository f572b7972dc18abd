#pragma once

#include "exchange/TradingDate.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

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

// What a market is generated from; the same settings give the same market.
struct MarketSettings {
    std::uint64_t seed = 1;
    std::size_t days = 60;
    // Stocks listed on the first day; a few more list and delist later.
    std::size_t stocks = 100;
    TradingDate firstDate = TradingDate::FromCivil(2004, 1, 2);
};

class SeededRandom;

// The whole simulated market, fixed by its settings: the same seed gives the
// same days, stocks and prices on every machine. Closing prices are walked
// once up front; the rest of a day's figures are derived from the seed, the
// day and the stock, so any day can be produced on its own and in any order.
class MarketGenerator {
public:
    static constexpr std::size_t MaxDays = 20000;
    static constexpr std::size_t MaxStocks = 5000;

    explicit MarketGenerator(const MarketSettings& settings);

    std::size_t DayCount() const { return m_dates.size(); }
    const TradingDate& DateOf(std::size_t day) const { return m_dates.at(day); }
    // Archive id of a day: its date as YYYY-MM-DD.
    const std::string& IdOf(std::size_t day) const { return m_ids.at(day); }
    std::optional<std::size_t> FindDay(const std::string& id) const;

    const std::vector<ListedStock>& Stocks() const { return m_stocks; }
    // Every stock listed on the day, in roster order.
    std::vector<DailyQuote> QuotesOn(std::size_t day) const;

private:
    void MakeCalendar(const MarketSettings& settings);
    void MakeRoster(const MarketSettings& settings, SeededRandom& random);
    void WalkCloses(SeededRandom& random);
    DailyQuote QuoteOf(std::size_t day, std::size_t stock) const;
    std::int32_t CloseOf(std::size_t day, std::size_t stock) const;

    std::uint64_t m_seed;
    std::vector<TradingDate> m_dates;
    std::vector<std::string> m_ids;
    std::unordered_map<std::string, std::size_t> m_dayById;
    std::vector<ListedStock> m_stocks;
    // Closing price in thousandths, day-major; 0 where a stock is not listed.
    std::vector<std::int32_t> m_closes;
};

} // namespace kelvarin::exchange
