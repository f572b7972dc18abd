#include "ui/sheet/StockSheets.h"

#include "ui/sheet/FormViewSheet.h"
#include "ui/sheet/StockSheet.h"

#include <QRect>

namespace kelvarin::gui {

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

} // namespace kelvarin::gui
