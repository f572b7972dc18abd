#include "ui/sheet/CellFormats.h"

#include <algorithm>

namespace kelvarin::gui {

namespace {

bool Covers(const CellFormats::Area& area, int row, int column) {
    return row >= area.top && row <= area.bottom && column >= area.left && column <= area.right;
}

} // namespace

void CellFormats::SetFont(const Area& area, const QFont& font, const QColor& colour) {
    m_formats.push_back({area, font, colour, std::nullopt});
}

void CellFormats::SetAlignment(const Area& area, Qt::Alignment alignment) {
    m_formats.push_back({area, std::nullopt, std::nullopt, alignment});
}

template <typename T>
std::optional<T> CellFormats::Latest(int row, int column, std::optional<T> Format::*member) const {
    for (auto it = m_formats.rbegin(); it != m_formats.rend(); ++it) {
        if ((*it).*member && Covers(it->area, row, column))
            return (*it).*member;
    }
    return std::nullopt;
}

std::optional<QFont> CellFormats::FontAt(int row, int column) const {
    return Latest(row, column, &Format::font);
}

std::optional<QColor> CellFormats::ColourAt(int row, int column) const {
    return Latest(row, column, &Format::colour);
}

std::optional<Qt::Alignment> CellFormats::AlignmentAt(int row, int column) const {
    return Latest(row, column, &Format::alignment);
}

void CellFormats::RemoveRows(int first, int last) {
    const int removed = last - first + 1;
    for (Format& format : m_formats) {
        Area& area = format.area;
        if (area.bottom < first)
            continue;
        area.top = area.top < first ? area.top : area.top > last ? area.top - removed : first;
        area.bottom = area.bottom > last ? area.bottom - removed : first - 1;
    }
    std::erase_if(m_formats,
                  [](const Format& format) { return format.area.bottom < format.area.top; });
}

} // namespace kelvarin::gui
