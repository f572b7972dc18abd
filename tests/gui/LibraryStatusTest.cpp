#include "GuiHarness.h"
#include "support/ExchangeProcess.h"

#include <QAction>
#include <QDialog>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTest>

using namespace kelvarin::gui;

using kelvarin::test::ExchangeProcess;

// The library status window of the desktop program.
class LibraryStatusTest : public QObject {
    Q_OBJECT
private slots:
    // Opened while Download runs, it reads without holding the stage up or
    // locking its folder, and then tells the day the stage failed on.
    void opensDuringADownloadAndNamesTheHeldDay() {
        ExchangeProcess probe({"--days", "4", "--stocks", "3"});
        QString missing;
        {
            GuiHarness gui(probe.Url());
            gui.Start();
            gui.Click("connectButton");
            missing = gui.Rows("remoteList").at(1);
        }
        ExchangeProcess exchange({"--days", "4", "--stocks", "3", "--slow-ms", "30", "--missing",
                                  missing.mid(3).toStdString()});
        GuiHarness gui(exchange.Url());
        gui.Start();
        gui.Click("connectButton");
        auto& progress = gui.Get<QProgressBar>("progressBar");
        auto* action = gui.Frame().findChild<QAction*>("statusAction");
        QVERIFY(action);
        bool opened = false;
        QObject::connect(&progress, &QProgressBar::valueChanged, action, [&] {
            if (opened)
                return;
            opened = true;
            QMetaObject::invokeMethod(action, &QAction::trigger, Qt::QueuedConnection);
        });
        gui.Messages().ForgetShown();
        gui.Click("downloadButton");

        QVERIFY(opened);
        QCOMPARE(gui.Text("zipCount"), QString("3"));
        QCOMPARE(gui.Messages().Shown().size(), 1);
        const QString failure = gui.Messages().Shown().at(0);
        QVERIFY2(failure.contains("Later days wait for " + missing), qPrintable(failure));
        QVERIFY2(failure.contains("untick Auto"), qPrintable(failure));

        auto& window = gui.Get<QDialog>("libraryStatus");
        QVERIFY(window.isVisible());
        action->trigger();
        auto& text = gui.Get<QPlainTextEdit>("statusText");
        QTRY_VERIFY2(text.toPlainText().contains("Held days:\n  " + missing + " since "),
                     qPrintable(text.toPlainText()));
        QVERIFY(text.toPlainText().startsWith(
            QString::fromStdString("Download: " + gui.Base() + "/zip/\n")));
    }
};

QTEST_MAIN(LibraryStatusTest)

#include "LibraryStatusTest.moc"
