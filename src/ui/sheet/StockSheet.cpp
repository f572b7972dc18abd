#include "ui/sheet/StockSheet.h"

#include "ui/sheet/FormViewSheet.h"
#include "ui/sheet/VCF1.h"

#include <QEvent>
#include <QVBoxLayout>
#include <QWindow>
#include <string_view>

namespace kelvarin::gui {

namespace {

// A dialog-type window is what X11 window managers keep above its owner
// (Qt marks it transient for the owner's window); a plain one may be buried
// by a click on the maximised main window.
constexpr Qt::WindowFlags SheetWindow = Qt::Dialog | Qt::WindowTitleHint |
                                        Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                                        Qt::CustomizeWindowHint;

bool EndsWith(const std::string& text, std::string_view end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

} // namespace

StockSheet::StockSheet(StockSheets& sheets, QWidget* owner, SheetMessage showMessage)
    : QWidget(owner, SheetWindow), m_showMessage(std::move(showMessage)) {
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new FormViewSheet(sheets, this));
    // The new form has just made itself the last one.
    m_form = sheets.LastSheetForm();
}

void StockSheet::PlaceFrame(const QRect& outer) {
    m_outer = outer;
    FitFrame();
}

QMargins StockSheet::FrameMargins() const {
    const QWindow* window = windowHandle();
    return window ? window->frameMargins() : QMargins();
}

// move() places the frame's corner, resize() sets the inside, so the inside
// is the outer size less the frame as the window system knows it now.
void StockSheet::FitFrame() {
    m_fittedMargins = FrameMargins();
    move(m_outer.topLeft());
    resize(m_outer.size().shrunkBy(m_fittedMargins));
}

// An X11 window manager frames the window only after it is mapped and tells
// the frame's size with the move that follows; the window is fitted again
// then. A move or resize by the user leaves the frame as it is, and so the
// window where the user put it.
bool StockSheet::event(QEvent* event) {
    const bool handled = QWidget::event(event);
    const QEvent::Type type = event->type();
    if ((type == QEvent::Move || type == QEvent::Resize || type == QEvent::Show) &&
        !m_outer.isNull() && FrameMargins() != m_fittedMargins)
        FitFrame();
    return handled;
}

void StockSheet::LoadFile(const std::string& path) {
    VCF1& grid = m_form->Grid();
    std::string cause;
    if (!grid.ReadFile(path, &cause)) {
        m_showMessage("Cannot read " + path + ": " + cause);
        return;
    }
    m_form->FormatSheet();
    setWindowTitle(QString::fromStdString(path));
    const bool history = EndsWith(path, ".txt");
    if (history)
        TakeHeadings();
    grid.FitColumnsToContents();
    if (history)
        m_form->AddChart();
}

// The header's fields become headings from the first column on, up to the
// first empty field; the last field counts only when a tab follows it.
void StockSheet::TakeHeadings() {
    VCF1& grid = m_form->Grid();
    grid.SetSelection(1, -1, 1, -1);
    QString rest = grid.SelectionText();
    for (int column = 1;; ++column) {
        const qsizetype tab = rest.indexOf(QLatin1Char('\t'));
        if (tab <= 0)
            break;
        grid.SetColumnHeading(column, rest.left(tab));
        rest = rest.mid(tab + 1);
    }
    grid.RemoveRows(1, 1);
}

} // namespace kelvarin::gui
