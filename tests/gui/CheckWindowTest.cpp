// Library > Check Library on a library the Update built and a row then put
// out of place: the window fills its table from the check, and a
// double-click on a finding opens the history file's sheet at its row.
#include "ui/frame/CheckWindow.h"

#include "GuiHarness.h"
#include "exchange/DailyPriceFile.h"
#include "exchange/MarketGenerator.h"
#include "pipeline/LibraryCheck.h"
#include "support/FakeFrontEnd.h"
#include "support/FileBytes.h"
#include "ui/sheet/SheetModel.h"
#include "ui/sheet/StockSheet.h"
#include "ui/sheet/VCF1.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTest>
#include <filesystem>

using namespace kelvarin;
using namespace kelvarin::gui;

namespace {

constexpr std::size_t TradingDays = 60;

// The simulated exchange's daily files, named as the Unzip stage names them.
void WriteDailyFiles(const std::string& folder) {
    exchange::MarketSettings settings;
    settings.days = TradingDays;
    settings.stocks = 3;
    const exchange::MarketGenerator market(settings);
    std::filesystem::create_directory(folder);
    for (std::size_t day = 0; day < market.DayCount(); ++day) {
        std::string id = market.IdOf(day);
        std::erase(id, '-');
        test::WriteBytes(folder + "SGX" + id + ".dat",
                         exchange::DailyPriceFile::Render(market.IdOf(day), market.QuotesOn(day)));
    }
}

// The rows the table shows: file, line and finding of each.
QStringList TableRows(const QTableWidget& table) {
    QStringList rows;
    for (int row = 0; row < table.rowCount(); ++row)
        rows << table.item(row, 0)->data(Qt::UserRole).toString() + " | " +
                    table.item(row, 1)->text() + " | " + table.item(row, 2)->text();
    return rows;
}

QStringList ReportRows(const LibraryReport& report) {
    QStringList rows;
    for (const FileFindings& file : report.files) {
        for (const Finding& finding : file.findings)
            rows << QString::fromStdString(file.path) + " | " +
                        (finding.line > 0 ? QString::number(finding.line) : QString()) + " | " +
                        QString::fromStdString(finding.text);
    }
    return rows;
}

StockSheet* SheetOn(const std::string& path) {
    for (QWidget* top : QApplication::topLevelWidgets()) {
        auto* sheet = dynamic_cast<StockSheet*>(top);
        if (sheet && sheet->windowTitle() == QString::fromStdString(path))
            return sheet;
    }
    return nullptr;
}

} // namespace

class CheckWindowTest : public QObject {
    Q_OBJECT
private slots:
    void aRealCheckFillsTheTableAndADoubleClickOpensTheRow() {
        GuiHarness gui;
        WriteDailyFiles(gui.Base() + "/unzip/");
        gui.Start();
        gui.Click("updateButton");
        WorkingFolders folders;
        folders.BaseFolder = gui.Base();
        folders.ResetToBaseDefaults();
        // The tenth row of a stock listed every day moves to the end, as a
        // manual Update of an old day leaves it.
        std::string history;
        QStringList lines;
        for (const auto& entry : std::filesystem::directory_iterator(folders.StockFolder)) {
            history = entry.path().string();
            lines = QString::fromStdString(test::ReadBytes(history)).split("\r\n");
            if (history.ends_with(".txt") && lines.size() == TradingDays + 1)
                break;
        }
        QCOMPARE(lines.size(), static_cast<qsizetype>(TradingDays + 1));
        lines.append(lines.takeAt(10));
        test::WriteBytes(history, lines.join("\r\n").toStdString());

        gui.Frame().findChild<QAction*>("checkLibraryAction")->trigger();
        auto* window = gui.Frame().findChild<CheckWindow*>("checkWindow");
        QVERIFY(window);
        // Update waits for the check, which holds the stock folder.
        QVERIFY(!gui.Get<QPushButton>("updateButton").isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(!window->Running(), 20000);
        QVERIFY(gui.Get<QPushButton>("updateButton").isEnabled());

        test::FakeFrontEnd frontEnd;
        const LibraryReport report = CheckLibrary(folders, frontEnd);
        auto& table = *window->findChild<QTableWidget*>("checkTable");
        QCOMPARE(TableRows(table), ReportRows(report));
        QCOMPARE(window->findChild<QLabel*>("checkStatus")->text(),
                 QString::fromStdString(SummaryLine(report)));
        const int moved = static_cast<int>(TradingDays) + 1;
        const int row = TableRows(table).indexOf(
            QRegularExpression(QRegularExpression::escape(QString::fromStdString(history)) +
                               " \\| " + QString::number(moved) + " \\| .*"));
        QVERIFY(row >= 0);

        table.scrollToItem(table.item(row, 2));
        GuiHarness::DoubleClickAt(*table.viewport(),
                                  table.visualItemRect(table.item(row, 2)).center());
        StockSheet* sheet = SheetOn(history);
        QVERIFY(sheet);
        VCF1& grid = sheet->Form().Grid();
        // The header is no row of the grid: file line n is grid row n - 1.
        const QModelIndex current = grid.currentIndex();
        QCOMPARE(current.row(), moved - 2);
        QVERIFY(grid.selectionModel()->isRowSelected(current.row(), {}));
        QCOMPARE(std::string(grid.Model().Cell(current.row(), 0)),
                 lines.back().left(10).toStdString());
        QVERIFY(grid.viewport()->rect().intersects(grid.visualRect(current)));
    }
};

QTEST_MAIN(CheckWindowTest)
#include "CheckWindowTest.moc"
