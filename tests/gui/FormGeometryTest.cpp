#include "GuiHarness.h"
#include "ui/form/ControlForm.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QTest>

using namespace kelvarin::gui;

namespace {

struct TemplateControl {
    const char* name;
    int x, y, w, h;
};

// Dialog template 101 in template order, in dialog units.
const TemplateControl Template[] = {
    {"connectButton", 2, 4, 43, 15},      {"statusLine", 340, 2, 328, 11},
    {"downloadButton", 85, 4, 56, 15},    {"unzipButton", 194, 4, 43, 15},
    {"zipFolderEdit", 110, 22, 98, 12},   {"zipList", 110, 36, 98, 38},
    {"unzipFolderEdit", 217, 22, 98, 12}, {"unzipList", 217, 36, 98, 38},
    {"updateButton", 290, 4, 43, 15},     {"stockFolderEdit", 324, 22, 344, 12},
    {"stockList", 324, 36, 198, 37},      {"updateAuto", 261, 4, 27, 15},
    {"unzipAuto", 165, 4, 27, 15},        {"remoteList", 2, 36, 98, 38},
    {"downloadAuto", 58, 4, 27, 15},      {"clearStockButton", 529, 114, 38, 15},
    {"resetButton", 529, 60, 38, 12},     {"exchangeCombo", 2, 21, 98, 99},
    {"progressBar", 340, 15, 328, 6},     {"pauseButton", 529, 38, 38, 18},
    {"clearZipButton", 529, 76, 38, 15},  {"clearUnzipButton", 529, 95, 38, 15},
    {"zipCount", 632, 78, 22, 11},        {"unzipCount", 632, 97, 22, 11},
    {"stockCount", 632, 116, 22, 11},     {"zipLabel", 569, 79, 61, 10},
    {"unzipLabel", 569, 98, 61, 10},      {"stockLabel", 569, 116, 61, 10},
};

const char* const Lists[] = {"remoteList", "zipList", "unzipList", "stockList"};

bool IsList(const char* name) {
    return std::any_of(std::begin(Lists), std::end(Lists),
                       [name](const char* list) { return qstrcmp(list, name) == 0; });
}

// What Windows makes of a dialog unit for this font.
struct Units {
    explicit Units(const QFont& font) {
        const QFontMetrics metrics(font);
        x = qRound(
            metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") /
            52.0);
        y = metrics.height();
    }
    int X(int units) const { return qRound(units * x / 4.0); }
    int Y(int units) const { return qRound(units * y / 8.0); }
    int x;
    int y;
};

} // namespace

class FormGeometryTest : public QObject {
    Q_OBJECT
private slots:
    void everyControlSitsAtItsConvertedPlace() {
        GuiHarness gui;
        gui.Start();
        auto& form = gui.Get<QWidget>("controlForm");
        QCOMPARE(form.font().pointSize(), 8);
        const Units units(form.font());
        for (const TemplateControl& control : Template) {
            const QRect placed = gui.Get<QWidget>(control.name).geometry();
            QCOMPARE_EQ(placed.x(), units.X(control.x));
            QCOMPARE_EQ(placed.y(), units.Y(control.y));
            QCOMPARE_EQ(placed.width(), units.X(control.w));
            if (IsList(control.name)) {
                QCOMPARE_EQ(placed.bottom() + 1, form.height()); // the resize rule
            } else if (qstrcmp(control.name, "exchangeCombo") != 0) {
                QCOMPARE_EQ(placed.height(), units.Y(control.h));
            }
        }
    }

    void tabOrderFollowsTheTemplate() {
        GuiHarness gui;
        gui.Start();
        QStringList expected;
        for (const TemplateControl& control : Template) {
            const QString name = control.name;
            if (!name.endsWith("Label") && !name.endsWith("Count") && name != "statusLine" &&
                name != "progressBar")
                expected << name;
        }
        QStringList order;
        QWidget* widget = &gui.Get<QWidget>("connectButton");
        for (int step = 0; step < expected.size(); ++step) {
            order << widget->objectName();
            do {
                widget = widget->nextInFocusChain();
            } while (!(widget->focusPolicy() & Qt::TabFocus) || widget->objectName().isEmpty() ||
                     widget->parentWidget() != &gui.Get<QWidget>("controlForm"));
        }
        QCOMPARE(order, expected);
    }

    void listBottomsFollowTheFormAndNothingElseMoves() {
        GuiHarness gui;
        gui.Start();
        auto& form = gui.Get<QWidget>("controlForm");
        QMap<QString, QRect> before;
        for (const TemplateControl& control : Template)
            before[control.name] = gui.Get<QWidget>(control.name).geometry();

        form.resize(form.width() + 300, 600);
        QApplication::processEvents();
        for (const TemplateControl& control : Template) {
            const QRect now = gui.Get<QWidget>(control.name).geometry();
            const QRect old = before[control.name];
            if (IsList(control.name))
                QCOMPARE(now, QRect(old.x(), old.y(), old.width(), 600 - old.y()));
            else
                QCOMPARE(now, old);
        }

        // Shorter than the lists' tops: no visible height is left.
        form.resize(form.width(), 20);
        QApplication::processEvents();
        for (const char* list : Lists)
            QCOMPARE(gui.Get<QWidget>(list).height(), 0);
    }
};

QTEST_MAIN(FormGeometryTest)
#include "FormGeometryTest.moc"
