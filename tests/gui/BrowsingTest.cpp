#include "GuiHarness.h"
#include "app/FixedNames.h"
#include "support/FileBytes.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <filesystem>

using namespace kelvarin::gui;

using kelvarin::test::FileExists;
using kelvarin::test::ReadBytes;
using kelvarin::test::WriteBytes;

namespace {

void FillZipFolder(const std::string& base) {
    std::filesystem::create_directories(base + "/zip");
    WriteBytes(base + "/zip/SGX20040122.zip", "PK");
    WriteBytes(base + "/zip/SGX20040123.zip", "PK");
    WriteBytes(base + "/zip/log_auto_download", "SGX20040123.zip");
}

} // namespace

// Double-clicks that move a stage folder, Reset, Clear All and what is saved at exit.
class BrowsingTest : public QObject {
    Q_OBJECT
private slots:
    void upNextThenIntoAFolderThenRoot() {
        GuiHarness gui;
        gui.Start();
        const std::string base = gui.Base();

        gui.DoubleClickRow("zipList", gui.RowOf("zipList", ".."));
        QCOMPARE(gui.App().Folders().ZipFolder, base + "/");
        for (const char* folder : {"zip", "unzip", "stocks"})
            QVERIFY2(gui.Rows("zipList").contains(folder), folder);
        QCOMPARE(gui.Get<QLineEdit>("zipFolderEdit").text(),
                 QString::fromStdString(base + "/*.zip").toLower());

        gui.DoubleClickRow("zipList", gui.RowOf("zipList", "zip"));
        QCOMPARE(gui.App().Folders().ZipFolder, base + "/zip/");
        QCOMPARE(gui.Rows("zipList"), QStringList({".", ".."}));

        gui.DoubleClickRow("zipList", gui.RowOf("zipList", "."));
        QCOMPARE(gui.App().Folders().ZipFolder, std::string("/"));
        QVERIFY(gui.Rows("zipList").contains("tmp"));
        // Only the zip list moved.
        QCOMPARE(gui.App().Folders().UnzipFolder, base + "/unzip/");
    }

    // A double-click arrives as press, release, press, double-click, release;
    // the last release lands on the listing the double-click has just opened.
    void releaseEndingADoubleClickIsNoClick() {
        GuiHarness gui;
        std::filesystem::create_directories(gui.Base() + "/unzip/January-2004");
        WriteBytes(gui.Base() + "/unzip/January-2004/SGX20040122.dat", "x");
        gui.Start();
        auto& list = gui.Get<StageListView>("unzipList");
        const int folder = gui.RowOf("unzipList", "January-2004");
        list.doItemsLayout();
        const QPoint pointer = list.visualItemRect(list.item(folder)).center();

        gui.DoubleClickRow("unzipList", folder);
        QCOMPARE(gui.App().Folders().UnzipFolder, gui.Base() + "/unzip/January-2004/");
        list.doItemsLayout();
        QCOMPARE(list.indexAt(pointer).row(), gui.RowOf("unzipList", "SGX20040122.dat"));
        QVERIFY(gui.Get<QCheckBox>("updateAuto").isChecked());
        QVERIFY(list.selectedItems().isEmpty());

        // The next click is a click again.
        gui.ClickRow("unzipList", gui.RowOf("unzipList", "SGX20040122.dat"));
        QVERIFY(!gui.Get<QCheckBox>("updateAuto").isChecked());
    }

    void doubleClickOnAFileChangesNothing() {
        GuiHarness gui;
        FillZipFolder(gui.Base());
        gui.Start();
        gui.Messages().ForgetShown();
        const QStringList before = gui.Rows("zipList");
        gui.DoubleClickRow("zipList", gui.RowOf("zipList", "SGX20040122.zip"));
        QCOMPARE(gui.App().Folders().ZipFolder, gui.Base() + "/zip/");
        QCOMPARE(gui.Rows("zipList"), before);
        QVERIFY(gui.Messages().Shown().isEmpty());
    }

    void doubleClickOpensHistoryAndDailyFilesInSheets() {
        GuiHarness gui;
        std::filesystem::create_directories(gui.Base() + "/stocks");
        WriteBytes(gui.Base() + "/stocks/ALPHA HOLDINGS (A11).txt",
                   "date\topen\thigh\tlow\tclose\tvolume\r\n2004-01-23\t 2.650\t 2.690\t 2.640\t "
                   "2.670\t800");
        WriteBytes(gui.Base() + "/stocks/NOTES.TXT", "notes");
        gui.Start();
        auto sheets = [&gui] {
            int count = 0;
            for (QWidget* top : QApplication::topLevelWidgets())
                count += top->isWindow() && top->parentWidget() && top->isVisible() &&
                         top->windowTitle().startsWith(QString::fromStdString(gui.Base()));
            return count;
        };
        gui.Messages().ForgetShown();

        gui.DoubleClickRow("stockList", gui.RowOf("stockList", "NOTES.TXT"));
        QCOMPARE(sheets(), 0);

        const int history = gui.RowOf("stockList", "ALPHA HOLDINGS (A11).txt");
        gui.DoubleClickRow("stockList", history);
        gui.DoubleClickRow("stockList", history);
        QCOMPARE(sheets(), 2);

        // Enter opens the selected row as a double-click does.
        auto& list = gui.Get<StageListView>("stockList");
        gui.ClickRow("stockList", history);
        QTest::keyClick(&list, Qt::Key_Return);
        QCOMPARE(sheets(), 3);
        list.clearSelection();
        QTest::keyClick(&list, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(sheets(), 3);
        QVERIFY(gui.Messages().Shown().isEmpty());
        QCOMPARE(gui.App().Folders().StockFolder, gui.Base() + "/stocks/");
    }

    void resetAfterBrowsingBringsBackTheBaseFolders() {
        GuiHarness gui;
        gui.Start();
        gui.DoubleClickRow("zipList", gui.RowOf("zipList", ".."));
        gui.DoubleClickRow("stockList", gui.RowOf("stockList", "."));
        gui.Get<QCheckBox>("updateAuto").setChecked(false);
        gui.Get<QLabel>("statusLine").setText("kept");

        gui.Click("resetButton");
        QCOMPARE(gui.App().Folders().ZipFolder, gui.Base() + "/zip/");
        QCOMPARE(gui.App().Folders().StockFolder, gui.Base() + "/stocks/");
        QCOMPARE(gui.Get<QLineEdit>("zipFolderEdit").text(),
                 QString::fromStdString(gui.Base() + "/zip/*.zip").toLower());
        QCOMPARE(gui.Rows("zipList"), QStringList({".", ".."}));
        QVERIFY(gui.Get<QCheckBox>("updateAuto").isChecked());
        QCOMPARE(gui.Text("statusLine"), QString("kept"));
    }

    void clearAllCancelledKeepsEverything() {
        GuiHarness gui;
        FillZipFolder(gui.Base());
        gui.Start();
        gui.Messages().ForgetShown();
        gui.Messages().PrepareAnswer(kelvarin::MessageAnswer::Cancel);
        gui.Click("clearZipButton");
        QCOMPARE(gui.Messages().Shown(),
                 QStringList({"Are you sure you want to delete all the downloaded files? \n\nAfter "
                              "deletion, you can use Download with Auto option to rebuild all the "
                              "downloaded files."}));
        QVERIFY(FileExists(gui.Base() + "/zip/SGX20040122.zip"));
        QVERIFY(FileExists(gui.Base() + "/zip/log_auto_download"));
        QCOMPARE(gui.Text("zipCount"), QString("2"));
    }

    void clearAllConfirmedEmptiesTheFolderAndItsMarker() {
        GuiHarness gui;
        FillZipFolder(gui.Base());
        gui.Start();
        QCOMPARE(gui.Rows("zipList"),
                 QStringList({".", "..", "SGX20040122.zip", "SGX20040123.zip"}));
        gui.Messages().PrepareAnswer(kelvarin::MessageAnswer::Ok);
        gui.Click("clearZipButton");
        QVERIFY(!FileExists(gui.Base() + "/zip/SGX20040122.zip"));
        QVERIFY(!FileExists(gui.Base() + "/zip/SGX20040123.zip"));
        QVERIFY(!FileExists(gui.Base() + "/zip/log_auto_download"));
        QCOMPARE(gui.Rows("zipList"), QStringList({".", ".."}));
        QCOMPARE(gui.Text("zipCount"), QString("0"));
    }

    // The controls of each stage folder act on that folder: a daily file
    // clicked in it unticks the Auto box of the stage that reads it, and its
    // Clear All empties it alone.
    void eachStageFolderHasItsOwnControls() {
        GuiHarness gui;
        const std::string base = gui.Base();
        FillZipFolder(base);
        std::filesystem::create_directories(base + "/unzip");
        std::filesystem::create_directories(base + "/stocks");
        WriteBytes(base + "/unzip/SGX20040123.dat", "x");
        WriteBytes(base + "/stocks/ALPHA (A1).txt", "x");
        gui.Start();

        gui.ClickRow("zipList", gui.RowOf("zipList", "SGX20040123.zip"));
        QVERIFY(!gui.Get<QCheckBox>("unzipAuto").isChecked());
        QVERIFY(gui.Get<QCheckBox>("updateAuto").isChecked());

        gui.Messages().PrepareAnswer(kelvarin::MessageAnswer::Ok);
        gui.Click("clearUnzipButton");
        QVERIFY(!FileExists(base + "/unzip/SGX20040123.dat"));
        QVERIFY(FileExists(base + "/stocks/ALPHA (A1).txt"));
        gui.Messages().PrepareAnswer(kelvarin::MessageAnswer::Ok);
        gui.Click("clearStockButton");
        QVERIFY(!FileExists(base + "/stocks/ALPHA (A1).txt"));
        QVERIFY(FileExists(base + "/zip/SGX20040123.zip"));
        QCOMPARE(gui.Rows("stockList"), QStringList({".", ".."}));
    }

    void settingsWrittenAtExitHoldTheBrowsedFolders() {
        GuiHarness gui;
        gui.Start();
        std::filesystem::create_directories(gui.Base() + "/elsewhere");
        gui.DoubleClickRow("unzipList", gui.RowOf("unzipList", ".."));
        gui.DoubleClickRow("unzipList", gui.RowOf("unzipList", "elsewhere"));
        QCOMPARE(gui.Exit(), 0);
        const std::string settings =
            ReadBytes(gui.Base() + std::string(kelvarin::SettingsFileName));
        QVERIFY2(settings.find("[Unzip Path]\r\n" + gui.Base() + "/elsewhere/\r\n") !=
                     std::string::npos,
                 settings.c_str());
        QVERIFY(settings.find(gui.Base() + "/zip/") != std::string::npos);
    }

    void settingsFromAnEarlierRunAreUsed() {
        GuiHarness gui;
        std::filesystem::create_directories(gui.Base() + "/other");
        const std::string base = gui.Base();
        WriteBytes(base + "/kelvarin.ini", "[Local Path]\r\n" + base + "/zip/\r\n[Unzip Path]\r\n" +
                                               base + "/unzip/\r\n[Stock Path]\r\n" + base +
                                               "/other/\r\n[End]\r\n");
        gui.Start();
        QCOMPARE(gui.Get<QLineEdit>("stockFolderEdit").text(),
                 QString::fromStdString(gui.Base() + "/other/*.txt").toLower());
    }
};

QTEST_MAIN(BrowsingTest)
#include "BrowsingTest.moc"
