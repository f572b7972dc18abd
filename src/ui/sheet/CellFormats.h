#pragma once

#include <QColor>
#include <QFont>
#include <Qt>
#include <optional>
#include <vector>

namespace kelvarin::gui {

// The fonts, colours and alignments given to ranges of cells, latest on top.
// A sheet gets a handful of them, so a look-up walks the list instead of
// keeping a format per cell.
class CellFormats {
public:
    // Rows and columns count from 0, both ends included.
    struct Area {
        int top;
        int left;
        int bottom;
        int right;
    };

    void SetFont(const Area& area, const QFont& font, const QColor& colour);
    void SetAlignment(const Area& area, Qt::Alignment alignment);

    std::optional<QFont> FontAt(int row, int column) const;
    std::optional<QColor> ColourAt(int row, int column) const;
    std::optional<Qt::Alignment> AlignmentAt(int row, int column) const;

    // Follows the removal of rows first..last: formats of those rows go and
    // those below move up with their rows.
    void RemoveRows(int first, int last);

private:
    struct Format {
        Area area;
        std::optional<QFont> font;
        std::optional<QColor> colour;
        std::optional<Qt::Alignment> alignment;
    };

    template <typename T>
    std::optional<T> Latest(int row, int column, std::optional<T> Format::*member) const;

    std::vector<Format> m_formats;
};

} // namespace kelvarin::gui
