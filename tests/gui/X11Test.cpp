#include "GuiHarness.h"
#include "XvfbDisplay.h"
#include "support/FileBytes.h"

#include <QApplication>
#include <QLabel>
#include <QStatusBar>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <memory>
#include <xcb/xcb.h>
// The header names a field "explicit", which C++ reserves.
#define explicit explicit_
#include <xcb/xkb.h>

using namespace kelvarin::gui;
#undef explicit

using kelvarin::test::WriteBytes;

namespace {

// A second client of the same X server, as any other program on the desktop.
class XClient {
public:
    XClient() : m_connection(xcb_connect(nullptr, nullptr)) {
        std::free(xcb_xkb_use_extension_reply(
            m_connection,
            xcb_xkb_use_extension(m_connection, XCB_XKB_MAJOR_VERSION, XCB_XKB_MINOR_VERSION),
            nullptr));
    }
    ~XClient() { xcb_disconnect(m_connection); }
    XClient(const XClient&) = delete;
    XClient& operator=(const XClient&) = delete;

    // What the lock keys do: lock or unlock the real modifiers in `mask`.
    void LockModifiers(uint8_t mask, bool on) {
        xcb_xkb_latch_lock_state(m_connection, XCB_XKB_ID_USE_CORE_KBD, mask, on ? mask : 0, 0, 0,
                                 0, 0, 0);
        xcb_flush(m_connection);
    }

    xcb_window_t TransientFor(xcb_window_t window) {
        xcb_get_property_reply_t* reply = xcb_get_property_reply(
            m_connection,
            xcb_get_property(m_connection, 0, window, XCB_ATOM_WM_TRANSIENT_FOR, XCB_ATOM_WINDOW, 0,
                             1),
            nullptr);
        xcb_window_t owner = XCB_WINDOW_NONE;
        if (reply && xcb_get_property_value_length(reply) == sizeof owner)
            owner = *static_cast<const xcb_window_t*>(xcb_get_property_value(reply));
        std::free(reply);
        return owner;
    }

private:
    xcb_connection_t* m_connection;
};

QStringList ShownInStatusBar(MainFrame& frame) {
    QStringList shown;
    for (QLabel* label : frame.statusBar()->findChildren<QLabel*>()) {
        if (label->isVisibleTo(&frame))
            shown << label->text();
    }
    return shown;
}

} // namespace

// The desktop program on a real X11 display of its own.
class X11Test : public QObject {
    Q_OBJECT
private slots:
    void lockIndicatorsShowOnlyTheLocksThatAreOn() {
        GuiHarness gui;
        gui.Start();
        XClient other;
        QTRY_COMPARE(ShownInStatusBar(gui.Frame()), QStringList({"Ready"}));
        other.LockModifiers(XCB_MOD_MASK_LOCK, true);
        QTRY_COMPARE(ShownInStatusBar(gui.Frame()), QStringList({"Ready", "CAP"}));
        // Num Lock sits on the second modifier in the server's usual keymap.
        other.LockModifiers(XCB_MOD_MASK_2, true);
        QTRY_COMPARE(ShownInStatusBar(gui.Frame()), QStringList({"Ready", "CAP", "NUM"}));
        other.LockModifiers(XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2, false);
        QTRY_COMPARE(ShownInStatusBar(gui.Frame()), QStringList({"Ready"}));
    }

    // The window manager keeps a transient window above its owner, so a click
    // on the main window leaves the sheets in view.
    void sheetsAreTransientForTheMainWindow() {
        GuiHarness gui;
        std::filesystem::create_directory(gui.Base() + "/stocks");
        WriteBytes(gui.Base() + "/stocks/A.txt", "date\topen\r\n2004-01-23\t1");
        gui.Start();
        const QWidgetList before = QApplication::topLevelWidgets();
        gui.DoubleClickRow("stockList", gui.RowOf("stockList", "A.txt"));
        QWidget* sheet = nullptr;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (!before.contains(widget) && widget->isVisible())
                sheet = widget;
        }
        QVERIFY(sheet);
        XClient other;
        QTRY_COMPARE(other.TransientFor(sheet->winId()),
                     static_cast<xcb_window_t>(gui.Frame().winId()));
    }
};

int main(int argc, char** argv) {
    std::unique_ptr<XvfbDisplay> display;
    try {
        display = std::make_unique<XvfbDisplay>();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    qputenv("DISPLAY", display->Name().c_str());
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication application(argc, argv);
    X11Test test;
    return QTest::qExec(&test, argc, argv);
}

#include "X11Test.moc"
