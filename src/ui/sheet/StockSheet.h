#pragma once

#include "ui/sheet/StockSheets.h"

#include <QWidget>
#include <string>

class FormViewSheet;

// A stock sheet window: one file in a grid, a viewer only. Sizing border,
// caption and close box but no minimise or maximise box.
class StockSheet : public QWidget {
public:
    StockSheet(StockSheets& sheets, QWidget* owner, SheetMessage showMessage);

    // Reads the file into the grid and, for a ".txt" history file, turns its
    // header line into column headings and charts its rows. A file that
    // cannot be read is reported and the load ends there, leaving an empty
    // sheet without a caption.
    void LoadFile(const std::string& path);

    FormViewSheet& Form() const { return *m_form; }

private:
    void TakeHeadings();

    FormViewSheet* m_form;
    SheetMessage m_showMessage;
};
