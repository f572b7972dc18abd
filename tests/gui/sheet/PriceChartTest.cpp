#include "ui/sheet/PriceChart.h"

#include "support/FileBytes.h"
#include "support/TempDir.h"
#include "ui/sheet/VCF1.h"

#include <QCheckBox>
#include <QtTest>
#include <algorithm>
#include <cmath>
#include <qcustomplot.h>
#include <string>

using namespace kelvarin::gui;

using kelvarin::test::TempDir;
using kelvarin::test::WriteBytes;

namespace {

double Midnight(int year, int month, int day) {
    return double(QDateTime(QDate(year, month, day), QTime(0, 0), Qt::UTC).toSecsSinceEpoch());
}

// The rows of a history sheet once its header has become the headings.
const std::string Rows = "2004-01-26\t 2.680\t 2.720\t 2.640\t 2.700\t800"
                         "\r\n2004-1-27\t 9.000\t 9.000\t 9.000\t 9.000\t1"
                         "\r\n2004-01-23\t 2.650\t 2.700\t 2.600\t 2.680\t1200"
                         "\r\n2004-02-30\t 1.000\t 1.000\t 1.000\t 1.000\t1"
                         "\r\n2004-01-28\t  n/a\t 2.000\t 2.000\t 2.000\t1"
                         "\r\n2004-01-29\t1234.500\t1240.000\t1200.250\t1238.125\t0";

} // namespace

class PriceChartTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        WriteBytes(m_dir / "rows.txt", Rows);
        QVERIFY(m_grid.ReadFile(m_dir / "rows.txt", nullptr));
    }

    void seriesHoldsTheGoodRowsInDateOrder() {
        const ChartSeries series = BuildChartSeries(m_grid.Model());
        QCOMPARE(series.badDates, 2);
        QCOMPARE(series.badValues, 1);
        QCOMPARE(series.points.size(), size_t{3});
        const ChartPoint& first = series.points[0];
        QCOMPARE(first.key, Midnight(2004, 1, 23));
        QCOMPARE(first.date, std::string("2004-01-23"));
        QCOMPARE(first.open, 2.65);
        QCOMPARE(first.high, 2.7);
        QCOMPARE(first.low, 2.6);
        QCOMPARE(first.close, 2.68);
        QCOMPARE(first.volume, 1200.0);
        QCOMPARE(series.points[1].key, Midnight(2004, 1, 26));
        const ChartPoint& last = series.points[2];
        QCOMPARE(last.key, Midnight(2004, 1, 29));
        QCOMPARE(last.open, 1234.5);
        QCOMPARE(last.low, 1200.25);
        QCOMPARE(last.close, 1238.125);
        QCOMPARE(last.volume, 0.0);
    }

    void plottablesAndNoteFollowTheSeries() {
        PriceChart chart(BuildChartSeries(m_grid.Model()));
        QCOMPARE(chart.Candles().data()->size(), 3);
        QCOMPARE(chart.Candles().data()->at(1)->close, 2.7);
        QCOMPARE(chart.CloseLine().data()->at(2)->value, 1238.125);
        QCOMPARE(chart.VolumeBars().data()->at(0)->value, 1200.0);
        QCOMPARE(chart.Note(), QString("2 rows skipped: date not YYYY-MM-DD; "
                                       "1 rows skipped: prices or volume not numbers"));
        QVERIFY(chart.Plot().xAxis->range().contains(Midnight(2004, 1, 23)));
        QVERIFY(chart.Plot().xAxis->range().contains(Midnight(2004, 1, 29)));
    }

    void switchTradesCandlesForTheCloseLine() {
        PriceChart chart(BuildChartSeries(m_grid.Model()));
        QVERIFY(chart.Candles().visible() && !chart.CloseLine().visible());
        chart.LineSwitch().setChecked(true);
        QVERIFY(!chart.Candles().visible() && chart.CloseLine().visible());
    }

    void datesRangeIsSharedAndPricesFollowIt() {
        PriceChart chart(BuildChartSeries(m_grid.Model()));
        QCPAxis* volumeDates = chart.Plot().axisRect(1)->axis(QCPAxis::atBottom);
        volumeDates->setRange(Midnight(2004, 1, 22), Midnight(2004, 1, 27));
        QCOMPARE(chart.Plot().xAxis->range().lower, Midnight(2004, 1, 22));
        const QCPRange prices = chart.Plot().yAxis->range();
        QVERIFY(prices.contains(2.6) && prices.contains(2.72));
        QVERIFY(prices.upper < 3);
    }

    void readoutShowsTheNearestDay() {
        PriceChart chart(BuildChartSeries(m_grid.Model()));
        chart.ShowDayNearest(Midnight(2004, 1, 24));
        QCOMPARE(chart.Readout(), QString("2004-01-23  open 2.650  high 2.700  low 2.600  "
                                          "close 2.680  volume 1200"));
        chart.ShowDayNearest(Midnight(2004, 1, 25) + 3600);
        QVERIFY(chart.Readout().startsWith("2004-01-26"));
        chart.ShowDayNearest(Midnight(2005, 1, 1));
        QVERIFY(chart.Readout().startsWith("2004-01-29"));
    }

    // Each label must read back as its tick's value, in at most five characters.
    void volumeLabelsAreShortNumbers() {
        for (const char* top : {"8000000", "250000", "1200", "3500000000"}) {
            WriteBytes(m_dir / "volumes.txt", std::string("2004-01-23\t1\t1\t1\t1\t") + top +
                                                  "\r\n2004-01-26\t1\t1\t1\t1\t100");
            VCF1 grid;
            QVERIFY(grid.ReadFile(m_dir / "volumes.txt", nullptr));
            PriceChart chart(BuildChartSeries(grid.Model()));
            chart.resize(450, 300);
            chart.Plot().replot();
            QCPAxis* volume = chart.Plot().axisRect(1)->axis(QCPAxis::atLeft);
            const QVector<double> ticks = volume->tickVector();
            const QVector<QString> labels = volume->tickVectorLabels();
            QVERIFY(ticks.size() >= 2);
            QCOMPARE(labels.size(), ticks.size());
            for (int i = 0; i < ticks.size(); ++i) {
                const QRegularExpressionMatch parts =
                    QRegularExpression("^([0-9]+(?:\\.[0-9]+)?)([KMB]?)$").match(labels[i]);
                QVERIFY2(parts.hasMatch() && labels[i].size() <= 5, qPrintable(labels[i]));
                const qsizetype thousands =
                    QStringList({"", "K", "M", "B"}).indexOf(parts.captured(2));
                const double value = parts.captured(1).toDouble() * std::pow(1000.0, thousands);
                QVERIFY2(std::abs(value - ticks[i]) <= 1e-9 * std::max(1.0, ticks[i]),
                         qPrintable(labels[i]));
            }
        }
    }

private:
    TempDir m_dir;
    VCF1 m_grid;
};

QTEST_MAIN(PriceChartTest)
#include "PriceChartTest.moc"
