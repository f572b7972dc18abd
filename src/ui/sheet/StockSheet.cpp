#include "ui/sheet/StockSheet.h"

#include "app/FileAccess.h"
#include "app/FixedNames.h"
#include "ui/sheet/PriceChart.h"
#include "ui/sheet/VCF1.h"
#include "ui_FormViewSheet.h"

#include <QEvent>
#include <QVBoxLayout>
#include <QWindow>

namespace kelvarin::gui {

namespace {

// A dialog-type window is what X11 window managers keep above its owner
// (Qt marks it transient for the owner's window); a plain one may be buried
// by a click on the maximised main window.
constexpr Qt::WindowFlags SheetWindow = Qt::Dialog | Qt::WindowTitleHint |
                                        Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                                        Qt::CustomizeWindowHint;

} // namespace

FormViewSheet::FormViewSheet(StockSheets& sheets, QWidget* parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::FormViewSheet>()) {
    m_ui->setupUi(this);
    sheets.SetLastSheetForm(this);
}

FormViewSheet::~FormViewSheet() = default;

VCF1& FormViewSheet::Grid() const {
    return *m_ui->grid;
}

void FormViewSheet::FormatSheet() {
    VCF1& grid = Grid();
    // 218 (false, true, true) sets display switches of the old control that
    // this grid does not have.
    // The first alignment and font reach only what the read left selected;
    // the second pair covers the whole sheet. The general alignment (1)
    // rather than the old control's left (2): a column of left-aligned
    // prices is hard to read.
    grid.SetSelectionAlignment(1, false, 2);
    grid.SetSelectionFont(QStringLiteral("Arial"), 8, false, false, false, false, 0);
    grid.SetSelection(-1, -1, -1, -1);
    grid.SetSelectionAlignment(1, false, 2);
    grid.SetSelectionFont(QStringLiteral("Arial"), 8, false, false, false, false, 0);
    grid.SetSelection(1, 1, 1, 1);
    // 25 = 1 and 6 = 1 put the old control's active cell on row 1, column 1,
    // which the selection above already made current here.
    // 105 = 1 scrolled it to its first row: a new view starts there anyway.
    // 109 = 0 switched off typing into cells: this grid's cells are never
    // editable (SheetModel::flags).
}

void FormViewSheet::AddChart() {
    m_chart = new PriceChart(BuildChartSeries(Grid().Model()));
    m_ui->tabs->addTab(m_chart, QStringLiteral("Chart"));
}

StockSheet* StockSheets::OpenStockSheet(const std::string& path, QWidget* owner) {
    const int n = m_sheetCount;
    auto* sheet = new StockSheet(*this, owner, m_showMessage);
    sheet->PlaceFrame(QRect(20 * n, 20 * n, 450, 300));
    m_sheetCount = n + 1;
    sheet->show();
    sheet->raise();
    sheet->activateWindow();
    sheet->LoadFile(path);
    return sheet;
}

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
        m_showMessage(CannotMessage("read", path, cause));
        return;
    }
    m_form->FormatSheet();
    setWindowTitle(QString::fromStdString(path));
    const bool history = path.ends_with(TxtExtension);
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
