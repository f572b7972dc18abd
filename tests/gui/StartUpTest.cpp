#include "GuiHarness.h"
#include "support/FileBytes.h"
#include "support/TestPaths.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QStatusBar>
#include <QTest>
#include <QTextBrowser>
#include <filesystem>

using namespace kelvarin::gui;

using kelvarin::test::WriteBytes;

class StartUpTest : public QObject {
    Q_OBJECT
private slots:
    void emptyBaseFolderCreatesTheThreeFoldersWithTheirMessages() {
        GuiHarness gui;
        gui.Start();
        const QString base = QString::fromStdString(gui.Base());
        const QString created = "Error - The directory path %1 does not exist, and a new folder "
                                "has been created.";
        // The three folder messages come before the About box.
        QCOMPARE(gui.Messages().Shown(),
                 QStringList({created.arg(base + "/zip/"), created.arg(base + "/unzip/"),
                              created.arg(base + "/stocks/"), "About Kelvarin"}));
        for (const char* folder : {"/zip", "/unzip", "/stocks"})
            QVERIFY(std::filesystem::is_directory(gui.Base() + folder));
    }

    void freshFormShowsEmptyListsTickedBoxesAndTheWelcome() {
        GuiHarness gui;
        gui.Start();
        for (const char* count : {"zipCount", "unzipCount", "stockCount"})
            QCOMPARE(gui.Text(count), QString("0"));
        for (const char* list : {"zipList", "unzipList", "stockList"})
            QCOMPARE(gui.Rows(list), QStringList({".", ".."}));
        QCOMPARE(gui.Rows("remoteList"), QStringList());
        for (const char* box : {"downloadAuto", "unzipAuto", "updateAuto"})
            QVERIFY(gui.Get<QCheckBox>(box).isChecked());
        QCOMPARE(gui.Text("statusLine"), QString("Welcome to Kelvarin. Click Connect to begin"));
        QCOMPARE(gui.Get<QComboBox>("exchangeCombo").currentText(), QString("SGX"));
        QCOMPARE(gui.Get<QProgressBar>("progressBar").value(), 0);
        QCOMPARE(gui.Get<QLineEdit>("zipFolderEdit").text(),
                 QString::fromStdString(gui.Base() + "/zip/*.zip").toLower());
        QCOMPARE(gui.Get<QLineEdit>("stockFolderEdit").text(),
                 QString::fromStdString(gui.Base() + "/stocks/*.txt").toLower());
    }

    void mainWindowCaptionMenuStatusBarAndTooltips() {
        GuiHarness gui;
        gui.Start();
        MainFrame& frame = gui.Frame();
        QCOMPARE(frame.windowTitle(), QString("Kelvarin Downloader"));
        QVERIFY(frame.isMaximized());
        QStringList menu;
        for (QAction* action : frame.menuBar()->actions())
            menu << action->text();
        QCOMPARE(menu, QStringList({" ", "About", "Status..."}));

        gui.Messages().ForgetShown();
        frame.menuBar()->actions().at(0)->trigger();
        QVERIFY(gui.Messages().Shown().isEmpty());
        frame.menuBar()->actions().at(1)->trigger();
        QCOMPARE(gui.Messages().Shown(), QStringList({"About Kelvarin"}));

        // The offscreen platform cannot tell the lock states, so no indicator
        // claims a lock is on.
        QStringList status;
        for (QLabel* label : frame.statusBar()->findChildren<QLabel*>()) {
            if (label->isVisibleTo(&frame))
                status << label->text();
        }
        QCOMPARE(status, QStringList({"Ready"}));

        QStringList tipped;
        for (QWidget* widget : gui.Get<QWidget>("controlForm").findChildren<QWidget*>()) {
            if (!widget->toolTip().isEmpty())
                tipped << widget->objectName() + "=" + widget->toolTip();
        }
        tipped.sort();
        QCOMPARE(tipped,
                 QStringList({"pauseButton=Pause", "remoteList=Stock files (Remote site)"}));
    }

    void startPageComesFromTheBaseFolder() {
        GuiHarness gui;
        WriteBytes(gui.Base() + "/kv_index.htm",
                   "<html><body><p>Our own start page</p></body></html>");
        gui.Start();
        QVERIFY(gui.Get<QTextBrowser>("startPage").toPlainText().contains("Our own start page"));
    }

    void missingStartPageNamesThePath() {
        GuiHarness gui;
        gui.Start();
        const QString text = gui.Get<QTextBrowser>("startPage").toPlainText();
        QVERIFY2(text.contains(QString::fromStdString(gui.Base() + "/kv_index.htm")),
                 qPrintable(text));
    }

    void shippedStartPageExplainsTheFourSteps() {
        GuiHarness gui;
        std::filesystem::copy_file(std::string(kelvarin::test::SourceDir) + "/res/kv_index.htm",
                                   gui.Base() + "/kv_index.htm");
        gui.Start();
        const QString text = gui.Get<QTextBrowser>("startPage").toPlainText();
        for (const char* step : {"1-Connect", "2-Download", "3-Unzip", "4-Update"})
            QVERIFY2(text.contains(step), step);
    }

    void fileNewInitialisesBothPanesAgain() {
        GuiHarness gui;
        gui.Start();
        gui.Get<QCheckBox>("unzipAuto").setChecked(false);
        gui.Get<QLabel>("statusLine").setText("something else");
        std::filesystem::remove(gui.Base() + "/stocks");
        WriteBytes(gui.Base() + "/kv_index.htm", "<p>Written later</p>");
        gui.Messages().ForgetShown();

        QTest::keyClick(&gui.Frame(), Qt::Key_N, Qt::ControlModifier);

        QVERIFY(gui.Get<QCheckBox>("unzipAuto").isChecked());
        QCOMPARE(gui.Text("statusLine"), QString("Welcome to Kelvarin. Click Connect to begin"));
        QCOMPARE(gui.Messages().Shown().size(), 1);
        QVERIFY(
            gui.Messages().Shown().at(0).contains(QString::fromStdString(gui.Base() + "/stocks/")));
        QVERIFY(gui.Get<QTextBrowser>("startPage").toPlainText().contains("Written later"));
    }

    void f6MovesBetweenThePanesAndPrintWantsTheStartPage() {
        GuiHarness gui;
        gui.Start();
        gui.Frame().activateWindow();
        auto& connect = gui.Get<QWidget>("connectButton");
        connect.setFocus();
        QApplication::processEvents();
        auto& startPage = gui.Get<QTextBrowser>("startPage");
        gui.Messages().ForgetShown();

        QTest::keyClick(&gui.Frame(), Qt::Key_P, Qt::ControlModifier);
        QVERIFY(gui.Messages().Shown().isEmpty());

        QTest::keyClick(&gui.Frame(), Qt::Key_F6);
        QVERIFY(startPage.hasFocus());
        QTest::keyClick(&gui.Frame(), Qt::Key_P, Qt::ControlModifier);
        QCOMPARE(gui.Messages().Shown().size(), 1);

        QTest::keyClick(&gui.Frame(), Qt::Key_F6, Qt::ShiftModifier);
        QVERIFY(connect.hasFocus());
    }
};

QTEST_MAIN(StartUpTest)
#include "StartUpTest.moc"
