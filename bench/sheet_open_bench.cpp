// Time to open a 10,000-row history file in a stock sheet: the grid shown
// and painted, then the chart tab shown and drawn.
//
//   cmake --build <build> --target sheet_open_bench
//   QT_QPA_PLATFORM=offscreen <build>/bench/sheet_open_bench [rows] [runs]

#include "pipeline/DailyPriceRecord.h"
#include "pipeline/HistoryFile.h"
#include "ui/sheet/PriceChart.h"
#include "ui/sheet/StockSheet.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTabWidget>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

using namespace kelvarin::gui;

namespace {

std::string HistoryOf(int rows) {
    std::string text(kelvarin::HistoryHeader);
    kelvarin::DailyPriceRecord record;
    for (int row = 0; row < rows; ++row) {
        char date[16];
        std::snprintf(date, sizeof date, "%04d-%02d-%02d", 1980 + row / 336, 1 + row / 28 % 12,
                      1 + row % 28);
        record.date = date;
        record.open = 2.0 + (row % 97) * 0.01;
        record.high = record.open + 0.05;
        record.low = record.open - 0.04;
        record.close = record.open + ((row % 3) - 1) * 0.02;
        record.volume = 1000 + row % 5000;
        kelvarin::AppendHistoryRow(text, record);
    }
    return text;
}

struct Run {
    double open;
    double grid;
    double chart;
};

Run OpenOnce(StockSheets& sheets, const std::string& path, QWidget& owner) {
    QElapsedTimer timer;
    timer.start();
    StockSheet* sheet = sheets.OpenStockSheet(path, &owner);
    const double open = timer.nsecsElapsed() / 1e6;
    sheet->repaint();
    QApplication::processEvents();
    const double grid = timer.nsecsElapsed() / 1e6;
    sheet->findChild<QTabWidget*>()->setCurrentWidget(sheet->Form().Chart());
    sheet->repaint();
    QApplication::processEvents();
    const double chart = timer.nsecsElapsed() / 1e6;
    sheet->close();
    QApplication::processEvents();
    return {open, grid, chart};
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rows = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 15;

    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("BENCH (B1).txt")).toStdString();
    std::ofstream(path, std::ios::binary) << HistoryOf(rows);

    QWidget owner;
    StockSheets sheets([](const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); });
    OpenOnce(sheets, path, owner); // fonts, styles and plugins load on first use
    std::vector<Run> times;
    for (int run = 0; run < runs; ++run)
        times.push_back(OpenOnce(sheets, path, owner));
    std::sort(times.begin(), times.end(),
              [](const Run& a, const Run& b) { return a.chart < b.chart; });
    const Run& median = times[times.size() / 2];
    std::printf("sheet_open_bench: %d rows, %d runs, median of the total\n", rows, runs);
    std::printf("  loaded (grid, headings, chart built): %7.2f ms\n", median.open);
    std::printf("  grid painted:                         %7.2f ms\n", median.grid);
    std::printf("  chart tab painted (total):            %7.2f ms\n", median.chart);
    std::printf("  best total:                           %7.2f ms\n", times.front().chart);
    std::printf("reproduce: QT_QPA_PLATFORM=offscreen %s %d %d\n", argv[0], rows, runs);
    return 0;
}
