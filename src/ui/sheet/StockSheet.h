#pragma once

#include "ui/sheet/StockSheets.h"

#include <QMargins>
#include <QRect>
#include <QWidget>
#include <string>

namespace kelvarin::gui {

class FormViewSheet;

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
