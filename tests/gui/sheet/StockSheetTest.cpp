#include "ui/sheet/StockSheet.h"

#include "support/FileBytes.h"
#include "support/TempDir.h"
#include "ui/sheet/PriceChart.h"
#include "ui/sheet/SheetModel.h"
#include "ui/sheet/VCF1.h"

#include <QPointer>
#include <QtTest>
#include <chrono>
#include <condition_variable>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace kelvarin::gui;

using kelvarin::test::ReadBytes;
using kelvarin::test::TempDir;
using kelvarin::test::WriteBytes;

namespace {

const std::string History = "date\topen\thigh\tlow\tclose\tvolume"
                            "\r\n2004-01-23\t 2.650\t 2.700\t 2.600\t 2.680\t1200"
                            "\r\n2004-01-26\t 2.680\t 2.720\t 2.640\t 2.700\t800";

QStringList Headings(const StockSheet& sheet) {
    const SheetModel& model = sheet.Form().Grid().Model();
    QStringList headings;
    for (int column = 0; column < model.Columns(); ++column)
        headings << model.headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    return headings;
}

QString CellText(const StockSheet& sheet, int row, int column) {
    const SheetModel& model = sheet.Form().Grid().Model();
    return model.data(model.index(row, column), Qt::DisplayRole).toString();
}

} // namespace

class StockSheetTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_owner = std::make_unique<QWidget>();
        m_messages.clear();
        m_sheets = std::make_unique<StockSheets>(
            [this](const std::string& text) { m_messages.push_back(text); });
    }

    void cleanup() {
        m_sheets.reset();
        m_owner.reset();
    }

    // The rectangle is the whole window, frame included.
    void windowsStepDownRightAlsoAfterEarlierOnesClosed() {
        const std::string path = m_dir / "A.dat";
        WriteBytes(path, "x\r\n");
        StockSheet* first = Open(path);
        QCOMPARE(first->frameGeometry(), QRect(0, 0, 450, 300));
        QVERIFY(first->geometry().width() < 450);
        QPointer<StockSheet> closed = first;
        first->close();
        QTRY_VERIFY(closed.isNull());
        StockSheet* second = Open(path);
        QCOMPARE(second->frameGeometry(), QRect(20, 20, 450, 300));
        second->close();
        StockSheet* last = nullptr;
        for (int n = 2; n < 10; ++n)
            last = Open(path);
        QCOMPARE(last->frameGeometry(), QRect(180, 180, 450, 300));
        QCOMPARE(m_sheets->SheetCount(), 10);
    }

    void windowIsOwnedWithoutMinimiseOrMaximiseBox() {
        const std::string path = m_dir / "A.dat";
        WriteBytes(path, "x");
        QPointer<StockSheet> sheet = Open(path);
        QVERIFY(sheet->isWindow());
        QCOMPARE(sheet->parentWidget(), m_owner.get());
        const Qt::WindowFlags flags = sheet->windowFlags();
        QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
        QCOMPARE(m_sheets->LastSheetForm(), &sheet->Form());
        m_owner.reset();
        QVERIFY(sheet.isNull());
    }

    void captionIsTheFullPath() {
        const std::string dat = m_dir / "SGX20040123.dat";
        const std::string txt = m_dir / "ALPHA HOLDINGS (A11).txt";
        WriteBytes(dat, "x");
        WriteBytes(txt, History);
        QCOMPARE(Open(dat)->windowTitle(), QString::fromStdString(dat));
        QCOMPARE(Open(txt)->windowTitle(), QString::fromStdString(txt));
    }

    void historyHeaderBecomesHeadingsAndLeavesTheRows() {
        const std::string path = m_dir / "A.txt";
        WriteBytes(path, History);
        StockSheet* sheet = Open(path);
        // No tab follows "volume", so it is not taken as a heading.
        QCOMPARE(Headings(*sheet), (QStringList{"date", "open", "high", "low", "close", "6"}));
        QCOMPARE(sheet->Form().Grid().Model().Rows(), 2);
        QCOMPARE(CellText(*sheet, 0, 0), QString("2004-01-23"));
        QCOMPARE(CellText(*sheet, 1, 5), QString("800"));
        QCOMPARE(ReadBytes(path), History);
        QVERIFY(sheet->Form().Chart() != nullptr);
    }

    void headerWithTrailingTabNamesItsLastColumn() {
        const std::string path = m_dir / "A.txt";
        WriteBytes(path, "date\topen\thigh\tlow\tclose\tvolume\t\r\n2004-01-23\t1\t1\t1\t1\t5");
        QCOMPARE(Headings(*Open(path)).mid(0, 6),
                 (QStringList{"date", "open", "high", "low", "close", "volume"}));
    }

    void headerStartingWithTabSetsNoHeadingsButGoes() {
        const std::string path = m_dir / "A.txt";
        WriteBytes(path, "\topen\thigh\r\n2004-01-23\t1\t2");
        StockSheet* sheet = Open(path);
        QCOMPARE(Headings(*sheet), (QStringList{"1", "2", "3"}));
        QCOMPARE(sheet->Form().Grid().Model().Rows(), 1);
        QCOMPARE(CellText(*sheet, 0, 0), QString("2004-01-23"));
    }

    void emptyMiddleFieldStopsTheHeadings() {
        const std::string path = m_dir / "A.txt";
        WriteBytes(path, "date\topen\t\tlow\tclose\t\r\n2004-01-23\t1\t2\t3\t4");
        StockSheet* sheet = Open(path);
        QCOMPARE(Headings(*sheet), (QStringList{"date", "open", "3", "4", "5", "6"}));
        QCOMPARE(sheet->Form().Grid().Model().Rows(), 1);
    }

    void capitalTxtIsShownAsRead() {
        const std::string path = m_dir / "NOTES.TXT";
        WriteBytes(path, History);
        StockSheet* sheet = Open(path);
        QCOMPARE(Headings(*sheet), (QStringList{"1", "2", "3", "4", "5", "6"}));
        QCOMPARE(sheet->Form().Grid().Model().Rows(), 3);
        QCOMPARE(CellText(*sheet, 0, 0), QString("date"));
        QVERIFY(sheet->Form().Chart() == nullptr);
    }

    void datShowsEachLineAsARowWhateverItsLineEnd() {
        const std::string path = m_dir / "SGX20040123.dat";
        WriteBytes(path, "2004-01-23 ALPHA\r\n2004-01-23 BETA\n2004-01-23 GAMMA\r\n");
        StockSheet* sheet = Open(path);
        QCOMPARE(sheet->Form().Grid().Model().Rows(), 3);
        QCOMPARE(CellText(*sheet, 0, 0), QString("2004-01-23 ALPHA"));
        QCOMPARE(CellText(*sheet, 1, 0), QString("2004-01-23 BETA"));
        QCOMPARE(CellText(*sheet, 2, 0), QString("2004-01-23 GAMMA"));
        QCOMPARE(Headings(*sheet), QStringList{"1"});
        QVERIFY(sheet->Form().Chart() == nullptr);
    }

    void unreadableFileIsReportedAndTheSheetStaysEmpty() {
        const std::string missing = m_dir / "GONE (G1).txt";
        QPointer<StockSheet> sheet = Open(missing);
        QCOMPARE(m_messages.size(), size_t{1});
        QVERIFY(m_messages[0].find(missing) != std::string::npos);
        QVERIFY(m_messages[0].find("No such file or directory") != std::string::npos);
        QVERIFY(sheet->isVisible());
        QVERIFY(sheet->windowTitle().isEmpty());
        QCOMPARE(sheet->Form().Grid().Model().Rows(), 0);

        Open(m_dir.Path() + "/");
        QCOMPARE(m_messages.size(), size_t{2});
        QVERIFY(m_messages[1].find("Is a directory") != std::string::npos);

        const std::string good = m_dir / "A.dat";
        WriteBytes(good, "x");
        QCOMPARE(Open(good)->pos(), QPoint(40, 40));
    }

    void namedPipeIsRefusedWithoutWaitingForAWriter() {
        const std::string pipe = m_dir / "x.txt";
        QCOMPARE(::mkfifo(pipe.c_str(), 0600), 0);
        LateWriter writer(pipe);
        QPointer<StockSheet> sheet = Open(pipe);
        QVERIFY2(!writer.Cancel(), "the sheet waited for a writer");
        QCOMPARE(m_messages.size(), size_t{1});
        QVERIFY(m_messages[0].starts_with("Cannot read " + pipe + ": "));
        QVERIFY(sheet->windowTitle().isEmpty());
        QCOMPARE(sheet->Form().Grid().Model().Rows(), 0);
    }

    // A column narrower than its delegate's size hint shows the text cut
    // short ("2004-01-...").
    void columnsFitTheirFirstRowsAndNumbersStandRight() {
        const std::string dat = m_dir / "SGX20040123.dat";
        WriteBytes(dat, "2004-01-23 ALPHA HOLDINGS LIMITED    A11      2.650    2.700    2.600"
                        "    2.680       1200\r\n");
        const VCF1& daily = Open(dat)->Form().Grid();
        QVERIFY(daily.columnWidth(0) >= daily.sizeHintForIndex(daily.Model().index(0, 0)).width());

        const std::string txt = m_dir / "A.txt";
        WriteBytes(txt, History);
        const VCF1& history = Open(txt)->Form().Grid();
        const SheetModel& model = history.Model();
        for (int column = 0; column < 6; ++column) {
            for (int row = 0; row < 2; ++row)
                QVERIFY(history.columnWidth(column) >=
                        history.sizeHintForIndex(model.index(row, column)).width());
            const Qt::Alignment horizontal =
                Qt::Alignment(model.data(model.index(0, column), Qt::TextAlignmentRole).toInt()) &
                Qt::AlignHorizontal_Mask;
            QCOMPARE(horizontal, column == 0 ? Qt::AlignLeft : Qt::AlignRight);
        }
        QVERIFY(history.columnWidth(0) < daily.columnWidth(0));
    }

private:
    // Opens the pipe for writing after a while unless cancelled first, so a
    // sheet that waits for a writer ends its wait with an empty read instead
    // of hanging the test.
    class LateWriter {
    public:
        explicit LateWriter(std::string path)
            : m_thread([this, path = std::move(path)] {
                  std::unique_lock lock(m_mutex);
                  if (m_woken.wait_for(lock, std::chrono::seconds(3),
                                       [this] { return m_cancelled; }))
                      return;
                  m_wrote = true;
                  ::close(::open(path.c_str(), O_RDWR | O_NONBLOCK));
              }) {}
        ~LateWriter() { Cancel(); }
        // True when the writer had already turned up.
        bool Cancel() {
            {
                std::lock_guard lock(m_mutex);
                m_cancelled = true;
            }
            m_woken.notify_one();
            if (m_thread.joinable())
                m_thread.join();
            return m_wrote;
        }

    private:
        std::mutex m_mutex;
        std::condition_variable m_woken;
        bool m_cancelled = false;
        bool m_wrote = false;
        std::thread m_thread;
    };

    StockSheet* Open(const std::string& path) {
        return m_sheets->OpenStockSheet(path, m_owner.get());
    }

    TempDir m_dir;
    std::unique_ptr<QWidget> m_owner;
    std::unique_ptr<StockSheets> m_sheets;
    std::vector<std::string> m_messages;
};

QTEST_MAIN(StockSheetTest)
#include "StockSheetTest.moc"
