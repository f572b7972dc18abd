#include "ui/frame/MainFrame.h"

#include <QTest>

using namespace kelvarin::gui;

class PaneHeightsTest : public QObject {
    Q_OBJECT
private slots:
    void split_data() {
        QTest::addColumn<int>("frame");
        QTest::addColumn<int>("top");
        QTest::addColumn<int>("bottom");
        QTest::newRow("ordinary") << 600 << 558 << 42;
        QTest::newRow("bottom capped at 100") << 2000 << 1900 << 100;
        QTest::newRow("top at least 200") << 150 << 200 << 10;
        QTest::newRow("fraction dropped below the cap") << 1428 << 1329 << 99;
        QTest::newRow("cap reached") << 1429 << 1329 << 100;
        QTest::newRow("top floor still applies") << 214 << 200 << 14;
        QTest::newRow("top floor just left") << 216 << 201 << 15;
        QTest::newRow("empty frame") << 0 << 200 << 0;
    }
    void split() {
        QFETCH(int, frame);
        QFETCH(int, top);
        QFETCH(int, bottom);
        const PaneHeights heights = SplitPaneHeights(frame);
        QCOMPARE(heights.top, top);
        QCOMPARE(heights.bottom, bottom);
    }
};

QTEST_APPLESS_MAIN(PaneHeightsTest)
#include "PaneHeightsTest.moc"
