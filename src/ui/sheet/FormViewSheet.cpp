#include "ui/sheet/FormViewSheet.h"

#include "ui/sheet/ChartSeries.h"
#include "ui/sheet/PriceChart.h"
#include "ui/sheet/StockSheets.h"
#include "ui/sheet/VCF1.h"
#include "ui_FormViewSheet.h"

namespace kelvarin::gui {

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

} // namespace kelvarin::gui
