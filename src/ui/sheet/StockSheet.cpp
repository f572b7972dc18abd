#include "ui/sheet/StockSheet.h"

#include "ui/sheet/FormViewSheet.h"
#include "ui/sheet/VCF1.h"

#include <QVBoxLayout>
#include <string_view>

namespace {

constexpr Qt::WindowFlags SheetWindow = Qt::Window | Qt::WindowTitleHint |
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

void StockSheet::LoadFile(const std::string& path) {
    VCF1& grid = m_form->Grid();
    std::string cause;
    if (!grid.ReadFile(path, &cause)) {
        m_showMessage("Cannot read " + path + ": " + cause);
        return;
    }
    m_form->FormatSheet();
    setWindowTitle(QString::fromStdString(path));
    if (EndsWith(path, ".txt")) {
        TakeHeadings();
        m_form->AddChart();
    }
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
