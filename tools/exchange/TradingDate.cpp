#include "exchange/TradingDate.h"

#include <charconv>
#include <cstdio>

namespace kelvarin::exchange {

namespace {

struct Civil {
    int year;
    unsigned month;
    unsigned day;
};

// Howard Hinnant's days_from_civil / civil_from_days: exact for the
// proleptic Gregorian calendar without going through time_t.
long DaysFromCivil(int y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long>(doe) - 719468;
}

Civil CivilFromDays(long z) {
    z += 719468;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    const int y = static_cast<int>(yoe) + static_cast<int>(era) * 400 + (m <= 2);
    return {y, m, d};
}

bool ParseNumber(const std::string& text, std::size_t pos, std::size_t len, unsigned& out) {
    const char* first = text.data() + pos;
    const char* last = first + len;
    for (const char* p = first; p != last; ++p) {
        if (*p < '0' || *p > '9')
            return false;
    }
    return std::from_chars(first, last, out).ptr == last;
}

} // namespace

std::optional<TradingDate> TradingDate::Parse(const std::string& text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-')
        return std::nullopt;
    unsigned year = 0;
    unsigned month = 0;
    unsigned day = 0;
    if (!ParseNumber(text, 0, 4, year) || !ParseNumber(text, 5, 2, month) ||
        !ParseNumber(text, 8, 2, day))
        return std::nullopt;
    if (month < 1 || month > 12 || day < 1)
        return std::nullopt;
    const TradingDate date = FromCivil(static_cast<int>(year), month, day);
    // A day past the month's end rolls over; reject it instead of guessing.
    if (date.Month() != month || date.Day() != day)
        return std::nullopt;
    return date;
}

TradingDate TradingDate::FromCivil(int year, unsigned month, unsigned day) {
    return TradingDate(DaysFromCivil(year, month, day));
}

int TradingDate::Year() const {
    return CivilFromDays(m_days).year;
}
unsigned TradingDate::Month() const {
    return CivilFromDays(m_days).month;
}
unsigned TradingDate::Day() const {
    return CivilFromDays(m_days).day;
}

unsigned TradingDate::Weekday() const {
    // 1970-01-01 was a Thursday.
    const long w = (m_days + 3) % 7;
    return static_cast<unsigned>(w < 0 ? w + 7 : w);
}

TradingDate TradingDate::NextWeekday() const {
    TradingDate next(m_days + 1);
    while (!next.IsWeekday())
        next.m_days += 1;
    return next;
}

std::string TradingDate::ToString() const {
    const Civil c = CivilFromDays(m_days);
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%04d-%02u-%02u", c.year, c.month, c.day);
    return buffer;
}

} // namespace kelvarin::exchange
