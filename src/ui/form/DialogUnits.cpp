#include "ui/form/DialogUnits.h"

#include <QFontMetrics>

namespace kelvarin::gui {

namespace {

// MulDiv's rounding: to the nearest pixel, halves away from zero.
int ScaleRounded(int units, int base, int divisor) {
    const int product = units * base;
    return product >= 0 ? (product + divisor / 2) / divisor : -((-product + divisor / 2) / divisor);
}

} // namespace

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    m_baseX = (width / 26 + 1) / 2;
    m_baseY = metrics.height();
}

int DialogUnits::ToPixelsX(int units) const {
    return ScaleRounded(units, m_baseX, 4);
}

int DialogUnits::ToPixelsY(int units) const {
    return ScaleRounded(units, m_baseY, 8);
}

QRect DialogUnits::ToPixels(const QRect& units) const {
    return QRect(ToPixelsX(units.x()), ToPixelsY(units.y()), ToPixelsX(units.width()),
                 ToPixelsY(units.height()));
}

} // namespace kelvarin::gui
