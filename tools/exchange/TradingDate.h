#pragma once

#include <optional>
#include <string>

namespace kelvarin::exchange {

// A calendar day as a serial day number, so stepping over weekends and
// printing YYYY-MM-DD need no time zone or locale.
class TradingDate {
public:
    static std::optional<TradingDate> Parse(const std::string& text);
    static TradingDate FromCivil(int year, unsigned month, unsigned day);

    int Year() const;
    unsigned Month() const;
    unsigned Day() const;
    // 0 = Monday ... 6 = Sunday.
    unsigned Weekday() const;
    bool IsWeekday() const { return Weekday() < 5; }
    TradingDate NextWeekday() const;
    std::string ToString() const;

    long Serial() const { return m_days; }
    bool operator==(const TradingDate&) const = default;
    auto operator<=>(const TradingDate&) const = default;

private:
    explicit TradingDate(long days) : m_days(days) {}
    long m_days; // days since 1970-01-01
};

} // namespace kelvarin::exchange
