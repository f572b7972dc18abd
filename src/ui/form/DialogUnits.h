#pragma once

#include <QFont>
#include <QRect>

namespace kelvarin::gui {

// Converts dialog-template units into pixels for one font, the way Windows lays
// out a dialog: a horizontal unit is a quarter of the font's average character
// width, a vertical unit an eighth of its character height.
class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);

    int ToPixelsX(int units) const;
    int ToPixelsY(int units) const;
    QRect ToPixels(const QRect& units) const;

private:
    int m_baseX;
    int m_baseY;
};

} // namespace kelvarin::gui
