#include "ui/form/FormFrontEnd.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QLabel>
#include <QStringList>
#include <QTest>
#include <string>

using namespace kelvarin::gui;

namespace {

// What reached the screen: the label's text at each of its paints.
class PaintLog : public QObject {
public:
    explicit PaintLog(QLabel& label) : m_label(label) { label.installEventFilter(this); }
    const QStringList& Painted() const { return m_painted; }
    QString Last() const { return m_painted.isEmpty() ? QString() : m_painted.last(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == &m_label && event->type() == QEvent::Paint)
            m_painted << m_label.text();
        return false;
    }

private:
    QLabel& m_label;
    QStringList m_painted;
};

} // namespace

// The status label while the event loop is held by a stage: only the label's
// own paints reach the screen, apart from the stage's pump.
class StatusLabelTest : public QObject {
    Q_OBJECT
private slots:
    void stageTextsAtOnceTransferTextsThinnedButNeverLost() {
        QLabel label;
        label.resize(400, 20);
        label.show();
        QVERIFY(QTest::qWaitForWindowExposed(&label));
        PaintLog log(label);
        StatusLabel line(label);

        line.SetText("Downloading SGX20040123.zip...");
        QCOMPARE(log.Last(), QString("Downloading SGX20040123.zip..."));
        // Right after a paint a transfer's text waits, so the name stays up.
        line.Thinned().SetText("Request sent");
        QCOMPARE(log.Last(), QString("Downloading SGX20040123.zip..."));
        // A stage's own text is painted however close it comes to the last paint.
        line.SetText("Download successful");
        QCOMPARE(log.Last(), QString("Download successful"));
        // The text held back is older than the stage's: it must not follow it.
        QTest::qWait(80);
        QVERIFY(!log.Painted().contains("Request sent"));
        QCOMPARE(label.text(), QString("Download successful"));

        // A text held back reaches the screen once the limit has passed and
        // the event loop runs, with nothing set after it.
        line.SetText("Downloading SGX20040126.zip...");
        line.Thinned().SetText("Resolving name for 127.0.0.1");
        QCOMPARE(log.Last(), QString("Downloading SGX20040126.zip..."));
        QTRY_COMPARE(log.Last(), QString("Resolving name for 127.0.0.1"));

        const qsizetype before = log.Painted().size();
        QElapsedTimer burst;
        burst.start();
        std::string last;
        for (int read = 1; read <= 300; ++read) {
            last = "Read " + std::to_string(read * 4095) + " bytes";
            line.Thinned().SetText(last);
        }
        // At most one paint per 33 ms.
        QVERIFY2(log.Painted().size() - before <= burst.elapsed() / 33 + 1,
                 qPrintable(log.Painted().mid(before).join(" | ")));
        QTRY_COMPARE(log.Last(), QString::fromStdString(last));
    }
};

QTEST_MAIN(StatusLabelTest)
#include "StatusLabelTest.moc"
