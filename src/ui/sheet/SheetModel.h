#pragma once

#include <QAbstractTableModel>
#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QStringList>
#include <Qt>
#include <optional>
#include <string_view>
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

// The rows of one file as the grid shows them: the file's bytes kept once,
// with where each line starts and ends, so a sheet of many thousand rows
// costs no object per cell. A line is a row (LF or CR LF ends it), a tab
// separates its cells. Read-only: nothing typed into the grid could ever
// reach the file.
class SheetModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    void SetBytes(QByteArray bytes);

    int Rows() const { return static_cast<int>(m_lines.size()); }
    int Columns() const { return m_columns; }
    // Cells the row itself holds: one more than its tabs.
    int CellCount(int row) const { return m_lines[row].cells; }
    // The cell's bytes, empty past the row's last cell.
    std::string_view Cell(int row, int column) const;

    void SetHeading(int column, const QString& text);
    void RemoveRowRange(int first, int last);
    CellFormats& Formats() { return m_formats; }
    // Tells the views that the formats of these cells changed.
    void FormatsChanged(int top, int left, int bottom, int right);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    struct Line {
        qsizetype begin;
        qsizetype end;
        int cells;
    };

    QByteArray m_bytes;
    std::vector<Line> m_lines;
    int m_columns = 0;
    QStringList m_headings;
    CellFormats m_formats;
};

} // namespace kelvarin::gui
