#pragma once

#include <QWidget>
#include <memory>

namespace Ui {
class FormViewSheet;
}

namespace kelvarin::gui {

class PriceChart;
class StockSheets;
class VCF1;

// The form inside a stock sheet window: the grid, and for a history file a
// second tab with its price chart. The layouts keep the grid the size of the
// window.
class FormViewSheet : public QWidget {
public:
    // Becomes `sheets`' LastSheetForm.
    FormViewSheet(StockSheets& sheets, QWidget* parent);
    ~FormViewSheet() override;

    // The grid's fixed look: numbers right and other text left, vertically
    // centred, Arial 8 black.
    void FormatSheet();
    // Charts the rows the grid holds now.
    void AddChart();

    VCF1& Grid() const;
    // Null until AddChart.
    PriceChart* Chart() const { return m_chart; }

private:
    std::unique_ptr<Ui::FormViewSheet> m_ui;
    PriceChart* m_chart = nullptr;
};

} // namespace kelvarin::gui
