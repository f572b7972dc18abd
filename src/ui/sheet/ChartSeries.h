#pragma once

#include <string>
#include <vector>

namespace kelvarin::gui {

class SheetModel;

// One day of a history file as the chart draws it. key is the date as
// seconds since 1970-01-01 00:00 UTC, the unit the chart's date axis counts in.
struct ChartPoint {
    double key;
    std::string date;
    double open;
    double high;
    double low;
    double close;
    double volume;
};

// The chartable rows of a history sheet in date order (rows of one date keep
// their file order), with the rows left out and why.
struct ChartSeries {
    std::vector<ChartPoint> points;
    int badDates = 0;  // date cell not YYYY-MM-DD
    int badValues = 0; // good date, but a price or the volume is not a number
};

// Columns as a history file has them: date, open, high, low, close, volume.
ChartSeries BuildChartSeries(const SheetModel& model);

} // namespace kelvarin::gui
