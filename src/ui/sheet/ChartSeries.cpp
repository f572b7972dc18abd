#include "ui/sheet/ChartSeries.h"

#include "ui/sheet/SheetModel.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <optional>
#include <string_view>

namespace kelvarin::gui {

namespace {

enum Column { Date, Open, High, Low, Close, Volume, Count };

std::optional<int> Digits(std::string_view text) {
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

std::optional<double> DateKey(std::string_view text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-')
        return std::nullopt;
    const auto year = Digits(text.substr(0, 4));
    const auto month = Digits(text.substr(5, 2));
    const auto day = Digits(text.substr(8, 2));
    if (!year || !month || !day)
        return std::nullopt;
    const std::chrono::year_month_day date{std::chrono::year(*year),
                                           std::chrono::month(static_cast<unsigned>(*month)),
                                           std::chrono::day(static_cast<unsigned>(*day))};
    if (!date.ok())
        return std::nullopt;
    const std::chrono::sys_seconds midnight = std::chrono::sys_days(date);
    return static_cast<double>(midnight.time_since_epoch().count());
}

// Prices are written right-aligned in a field of six, so leading spaces are
// part of the format; the numbers are C-locale whatever the desktop's.
std::optional<double> Number(std::string_view text) {
    const size_t start = text.find_first_not_of(' ');
    if (start == std::string_view::npos)
        return std::nullopt;
    text.remove_prefix(start);
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace

ChartSeries BuildChartSeries(const SheetModel& model) {
    ChartSeries series;
    series.points.reserve(static_cast<size_t>(model.Rows()));
    for (int row = 0; row < model.Rows(); ++row) {
        const auto key = DateKey(model.Cell(row, Date));
        if (!key) {
            ++series.badDates;
            continue;
        }
        double values[Count] = {};
        bool numbers = true;
        for (int column = Open; column < Count && numbers; ++column) {
            const auto value = Number(model.Cell(row, column));
            numbers = value.has_value();
            values[column] = value.value_or(0);
        }
        if (!numbers) {
            ++series.badValues;
            continue;
        }
        series.points.push_back({*key, std::string(model.Cell(row, Date)), values[Open],
                                 values[High], values[Low], values[Close], values[Volume]});
    }
    std::stable_sort(series.points.begin(), series.points.end(),
                     [](const ChartPoint& a, const ChartPoint& b) { return a.key < b.key; });
    return series;
}

} // namespace kelvarin::gui
