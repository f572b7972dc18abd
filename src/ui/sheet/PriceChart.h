#pragma once

#include <QWidget>
#include <string>
#include <vector>

class QCheckBox;
class QCPAxisRect;
class QCPBars;
class QCPFinancial;
class QCPGraph;
class QCPRange;
class QCustomPlot;
class QLabel;
class QMouseEvent;

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

// A history file's prices as candlesticks (or, switched, a close-price line)
// over its dates, its volume as bars in a panel below on the same dates.
// The mouse drags and zooms the dates; the day under the pointer is spelled
// out beneath the chart.
class PriceChart : public QWidget {
    Q_OBJECT

public:
    explicit PriceChart(ChartSeries series, QWidget* parent = nullptr);

    const ChartSeries& Series() const { return m_series; }
    QCPFinancial& Candles() const { return *m_candles; }
    QCPGraph& CloseLine() const { return *m_closeLine; }
    QCPBars& VolumeBars() const { return *m_volume; }
    QCustomPlot& Plot() const { return *m_plot; }
    QCheckBox& LineSwitch() const { return *m_lineSwitch; }
    // Empty when every row made it into the chart.
    QString Note() const;
    QString Readout() const;

    // What the readout shows for the day nearest to `key`.
    void ShowDayNearest(double key);

private:
    void FillPlottables();
    void ShowCloseLine(bool on);
    void FollowDates(const QCPRange& dates);
    void ShowDayUnder(QMouseEvent* event);

    ChartSeries m_series;
    QCustomPlot* m_plot;
    QCPAxisRect* m_volumeRect;
    QCPFinancial* m_candles;
    QCPGraph* m_closeLine;
    QCPBars* m_volume;
    QCheckBox* m_lineSwitch;
    QLabel* m_readout;
    QLabel* m_note;
};

} // namespace kelvarin::gui
