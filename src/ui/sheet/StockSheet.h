#pragma once

#include <QMargins>
#include <QPointer>
#include <QRect>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

namespace Ui {
class FormViewSheet;
}

namespace kelvarin::gui {

class PriceChart;
class StockSheet;
class StockSheets;
class VCF1;

// Shows a message box with an OK button. The control form routes it
// through its own message boxes so tests can read what a sheet reported.
using SheetMessage = std::function<void(const std::string& text)>;

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

// Opens the stock sheet windows of one run and remembers how many it opened:
// each new sheet stands 20 pixels further right and down than the one
// before, closed ones included.
class StockSheets {
public:
    explicit StockSheets(SheetMessage showMessage) : m_showMessage(std::move(showMessage)) {}

    // A new sheet window on the file at `path` (".txt" history files get
    // their header as column headings and a chart), owned by `owner`'s
    // window so it closes with the main window. It deletes itself when
    // closed; the pointer is for callers that want to look at it right away.
    StockSheet* OpenStockSheet(const std::string& path, QWidget* owner);

    int SheetCount() const { return m_sheetCount; }
    // The form of the sheet opened last; null once that sheet is closed.
    FormViewSheet* LastSheetForm() const { return m_lastSheetForm; }
    void SetLastSheetForm(FormViewSheet* form) { m_lastSheetForm = form; }

private:
    SheetMessage m_showMessage;
    int m_sheetCount = 0;
    QPointer<FormViewSheet> m_lastSheetForm;
};

// A stock sheet window: one file in a grid, a viewer only. Sizing border,
// caption and close box but no minimise or maximise box. It is owned by the
// main window: kept above it and closed with it.
class StockSheet : public QWidget {
public:
    StockSheet(StockSheets& sheets, QWidget* owner, SheetMessage showMessage);

    // Places the window so that its outer rectangle, frame included, is
    // `outer`, also once the window manager has told the frame's size.
    void PlaceFrame(const QRect& outer);

    // Reads the file into the grid and, for a ".txt" history file, turns its
    // header line into column headings and charts its rows. A file that
    // cannot be read is reported and the load ends there, leaving an empty
    // sheet without a caption.
    void LoadFile(const std::string& path);

    FormViewSheet& Form() const { return *m_form; }

protected:
    bool event(QEvent* event) override;

private:
    void TakeHeadings();
    QMargins FrameMargins() const;
    void FitFrame();

    FormViewSheet* m_form;
    SheetMessage m_showMessage;
    QRect m_outer;
    QMargins m_fittedMargins;
};

} // namespace kelvarin::gui
