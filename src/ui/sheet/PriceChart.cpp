#include "ui/sheet/PriceChart.h"

#include "ui/sheet/SheetModel.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <optional>
#include <qcustomplot.h>
#include <string_view>
#include <utility>

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

namespace {

constexpr double Day = 24.0 * 60 * 60;
// Candles and bars leave a gap between neighbouring days.
constexpr double BodyWidth = Day * 0.7;
// The chart opens on about the last trading year: decades of days in a small
// window would be sub-pixel candles, and the wheel zooms out when wanted.
constexpr size_t DaysInView = 250;

// Volumes as people write them (8M, 250K, 1.5B): the plot's own labels,
// "8·10⁶" and the like, run into each other at a sheet's size.
class ShortNumberTicker : public QCPAxisTicker {
protected:
    QString getTickLabel(double tick, const QLocale&, QChar, int) override {
        constexpr std::pair<double, char> Units[] = {{1e9, 'B'}, {1e6, 'M'}, {1e3, 'K'}};
        for (const auto& [size, letter] : Units) {
            if (std::abs(tick) >= size)
                return Trimmed(tick / size) + QLatin1Char(letter);
        }
        return Trimmed(tick);
    }

private:
    // At most two decimals, and none that are zero.
    static QString Trimmed(double value) {
        QString text = QString::number(value, 'f', 2);
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
        return text;
    }
};

QString NoteFor(const ChartSeries& series) {
    QStringList parts;
    if (series.badDates > 0)
        parts << QStringLiteral("%1 rows skipped: date not YYYY-MM-DD").arg(series.badDates);
    if (series.badValues > 0)
        parts << QStringLiteral("%1 rows skipped: prices or volume not numbers")
                     .arg(series.badValues);
    return parts.join(QStringLiteral("; "));
}

} // namespace

PriceChart::PriceChart(ChartSeries series, QWidget* parent)
    : QWidget(parent), m_series(std::move(series)), m_plot(new QCustomPlot(this)),
      m_volumeRect(new QCPAxisRect(m_plot)),
      m_candles(new QCPFinancial(m_plot->xAxis, m_plot->yAxis)),
      m_closeLine(new QCPGraph(m_plot->xAxis, m_plot->yAxis)),
      m_volume(
          new QCPBars(m_volumeRect->axis(QCPAxis::atBottom), m_volumeRect->axis(QCPAxis::atLeft))),
      m_lineSwitch(new QCheckBox(QStringLiteral("Close line"), this)), m_readout(new QLabel(this)),
      m_note(new QLabel(NoteFor(m_series), this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(m_plot, 1);
    auto* controls = new QHBoxLayout;
    controls->addWidget(m_lineSwitch);
    controls->addWidget(m_readout, 1);
    layout->addLayout(controls);
    layout->addWidget(m_note);
    m_note->setVisible(!m_note->text().isEmpty());

    auto dates = QSharedPointer<QCPAxisTickerDateTime>::create();
    dates->setDateTimeFormat(QStringLiteral("yyyy-MM-dd"));
    dates->setDateTimeSpec(Qt::UTC);
    QCPAxis* priceDates = m_plot->xAxis;
    QCPAxis* volumeDates = m_volumeRect->axis(QCPAxis::atBottom);
    priceDates->setTicker(dates);
    priceDates->setTickLabels(false);
    volumeDates->setTicker(dates);
    // The volume panel is a third of the chart's height: room for about
    // three labels, not the five or six of the price axis.
    auto volumes = QSharedPointer<ShortNumberTicker>::create();
    volumes->setTickCount(2);
    m_volumeRect->axis(QCPAxis::atLeft)->setTicker(volumes);

    m_plot->plotLayout()->addElement(1, 0, m_volumeRect);
    m_plot->plotLayout()->setRowStretchFactor(1, 0.35);
    auto* margins = new QCPMarginGroup(m_plot);
    for (QCPAxisRect* rect : {m_plot->axisRect(), m_volumeRect}) {
        rect->setMarginGroup(QCP::msLeft | QCP::msRight, margins);
        rect->setRangeDrag(Qt::Horizontal);
        rect->setRangeZoom(Qt::Horizontal);
    }
    m_plot->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    m_plot->setMouseTracking(true);
    m_plot->setNoAntialiasingOnDrag(true);

    m_candles->setChartStyle(QCPFinancial::csCandlestick);
    m_candles->setTwoColored(true);
    m_candles->setWidth(BodyWidth);
    m_closeLine->setVisible(false);
    m_volume->setWidth(BodyWidth);
    FillPlottables();

    const auto rangeChanged = QOverload<const QCPRange&>::of(&QCPAxis::rangeChanged);
    const auto setRange = QOverload<const QCPRange&>::of(&QCPAxis::setRange);
    connect(priceDates, rangeChanged, volumeDates, setRange);
    connect(volumeDates, rangeChanged, priceDates, setRange);
    connect(priceDates, rangeChanged, this, &PriceChart::FollowDates);
    connect(m_plot, &QCustomPlot::mouseMove, this, &PriceChart::ShowDayUnder);
    connect(m_lineSwitch, &QCheckBox::toggled, this, &PriceChart::ShowCloseLine);

    const std::vector<ChartPoint>& points = m_series.points;
    if (!points.empty()) {
        const size_t first = points.size() > DaysInView ? points.size() - DaysInView : 0;
        priceDates->setRange(points[first].key - Day, points.back().key + Day);
    }
}

void PriceChart::FillPlottables() {
    QVector<QCPFinancialData> candles;
    QVector<QCPGraphData> closes;
    QVector<QCPBarsData> volumes;
    candles.reserve(static_cast<qsizetype>(m_series.points.size()));
    closes.reserve(candles.capacity());
    volumes.reserve(candles.capacity());
    for (const ChartPoint& point : m_series.points) {
        candles.append(QCPFinancialData(point.key, point.open, point.high, point.low, point.close));
        closes.append(QCPGraphData(point.key, point.close));
        volumes.append(QCPBarsData(point.key, point.volume));
    }
    m_candles->data()->set(candles, true);
    m_closeLine->data()->set(closes, true);
    m_volume->data()->set(volumes, true);
}

QString PriceChart::Note() const {
    return m_note->text();
}

QString PriceChart::Readout() const {
    return m_readout->text();
}

void PriceChart::ShowCloseLine(bool on) {
    m_closeLine->setVisible(on);
    m_candles->setVisible(!on);
    m_plot->replot(QCustomPlot::rpQueuedReplot);
}

// Prices and volume rescale to the days in view, so zooming into a quiet
// stretch of a long history does not leave it a flat line.
void PriceChart::FollowDates(const QCPRange& dates) {
    bool found = false;
    const QCPRange prices = m_candles->getValueRange(found, QCP::sdBoth, dates);
    if (found) {
        const double pad = std::max(prices.size() * 0.05, 0.001);
        m_plot->yAxis->setRange(prices.lower - pad, prices.upper + pad);
    }
    const QCPRange volumes = m_volume->getValueRange(found, QCP::sdBoth, dates);
    if (found)
        m_volumeRect->axis(QCPAxis::atLeft)->setRange(0, std::max(volumes.upper * 1.1, 1.0));
}

void PriceChart::ShowDayUnder(QMouseEvent* event) {
    ShowDayNearest(m_plot->xAxis->pixelToCoord(event->position().x()));
}

void PriceChart::ShowDayNearest(double key) {
    const std::vector<ChartPoint>& points = m_series.points;
    if (points.empty())
        return;
    auto it = std::lower_bound(points.begin(), points.end(), key,
                               [](const ChartPoint& point, double k) { return point.key < k; });
    if (it == points.end() || (it != points.begin() && key - std::prev(it)->key < it->key - key))
        --it;
    const auto price = [](double value) { return QString::number(value, 'f', 3); };
    m_readout->setText(QStringLiteral("%1  open %2  high %3  low %4  close %5  volume %6")
                           .arg(QString::fromStdString(it->date), price(it->open), price(it->high),
                                price(it->low), price(it->close),
                                QString::number(it->volume, 'f', 0)));
}

} // namespace kelvarin::gui
