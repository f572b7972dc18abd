#pragma once

#include "ui/sheet/FormViewSheet.h"

#include <QPointer>
#include <functional>
#include <string>

class QWidget;

namespace kelvarin::gui {

class StockSheet;

// Shows a message box with an OK button. The control form routes it
// through its own message boxes so tests can read what a sheet reported.
using SheetMessage = std::function<void(const std::string& text)>;

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

} // namespace kelvarin::gui
