#include "GuiHarness.h"

#include "app/WorkingFolders.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QWindow>
#include <stdexcept>
#include <unistd.h>

namespace kelvarin::gui {

GuiHarness::GuiHarness(std::string server, CertificateTrust trust)
    : m_previousDirectory(kelvarin::CurrentDirectory()),
      m_app(std::make_unique<KelvarinApp>(std::move(server), MessageBoxes::Mode::Scripted, false,
                                          TransferSettings{.trust = std::move(trust)})) {
    if (::chdir(m_dir.Path().c_str()) != 0)
        throw std::runtime_error("cannot enter " + m_dir.Path());
    m_base = kelvarin::CurrentDirectory();
}

GuiHarness::~GuiHarness() {
    m_app.reset();
    if (::chdir(m_previousDirectory.c_str()) != 0)
        qWarning("cannot return to %s", m_previousDirectory.c_str());
}

void GuiHarness::Start() {
    m_app->Start();
    QApplication::processEvents();
}

int GuiHarness::Exit() {
    return m_app->Exit();
}

QStringList GuiHarness::Rows(const char* list) {
    QStringList rows;
    auto& widget = Get<StageListView>(list);
    for (int row = 0; row < widget.count(); ++row)
        rows << widget.item(row)->text();
    return rows;
}

int GuiHarness::RowOf(const char* list, const QString& text) {
    return static_cast<int>(Rows(list).indexOf(text));
}

QPoint GuiHarness::RowCentre(StageListView& list, int row) {
    list.doItemsLayout();
    list.scrollToItem(list.item(row));
    return list.visualItemRect(list.item(row)).center();
}

void GuiHarness::ClickRow(const char* list, int row, Qt::KeyboardModifiers modifiers) {
    auto& widget = Get<StageListView>(list);
    QTest::mouseClick(widget.viewport(), Qt::LeftButton, modifiers, RowCentre(widget, row));
}

// Through the window, as a user's double-click arrives: press, release and
// press, which Qt follows with the double-click, then the last release once
// the event loop has run (a hand takes some milliseconds to let go).
void GuiHarness::DoubleClickRow(const char* list, int row) {
    auto& widget = Get<StageListView>(list);
    DoubleClickAt(*widget.viewport(), RowCentre(widget, row));
}

void GuiHarness::DoubleClickAt(QWidget& viewport, QPoint point) {
    QWindow* window = viewport.window()->windowHandle();
    if (!window)
        throw std::runtime_error("no window shows " + viewport.objectName().toStdString());
    const QPoint local = window->mapFromGlobal(viewport.mapToGlobal(point));
    const QPointF global = window->mapToGlobal(QPointF(local));
    // Clear of any earlier press, so that only this pair makes a double-click.
    QTest::lastMouseTimestamp += QTest::mouseDoubleClickInterval;
    auto send = [&](QEvent::Type type, Qt::MouseButtons held) {
        qt_handleMouseEvent(window, local, global, held, Qt::LeftButton, type, Qt::NoModifier,
                            ++QTest::lastMouseTimestamp);
    };
    send(QEvent::MouseButtonPress, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, Qt::NoButton);
    send(QEvent::MouseButtonPress, Qt::LeftButton);
    QApplication::processEvents();
    send(QEvent::MouseButtonRelease, Qt::NoButton);
    QTest::lastMouseTimestamp += QTest::mouseDoubleClickInterval;
    QApplication::processEvents();
}

void GuiHarness::Click(const char* button) {
    QTest::mouseClick(&Get<QAbstractButton>(button), Qt::LeftButton);
}

QString GuiHarness::Text(const char* label) {
    return Get<QLabel>(label).text();
}

} // namespace kelvarin::gui
