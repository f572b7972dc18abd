#include "ui/sheet/SheetModel.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace kelvarin::gui {

namespace {

// A plain decimal number as the history files write them, blanks around
// allowed (" 2.650", "1200", "-0.5"); dates and names are not numbers.
bool IsNumber(std::string_view cell) {
    const auto blank = [](char c) { return c == ' '; };
    while (!cell.empty() && blank(cell.front()))
        cell.remove_prefix(1);
    while (!cell.empty() && blank(cell.back()))
        cell.remove_suffix(1);
    if (!cell.empty() && (cell.front() == '-' || cell.front() == '+'))
        cell.remove_prefix(1);
    bool digit = false;
    bool point = false;
    for (const char c : cell) {
        if (std::isdigit(static_cast<unsigned char>(c)))
            digit = true;
        else if (c == '.' && !point)
            point = true;
        else
            return false;
    }
    return digit;
}

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

void SheetModel::SetBytes(QByteArray bytes) {
    beginResetModel();
    m_bytes = std::move(bytes);
    m_lines.clear();
    m_columns = 0;
    m_headings.clear();
    m_formats = {};
    const char* data = m_bytes.constData();
    const qsizetype size = m_bytes.size();
    qsizetype begin = 0;
    // A line end at the very end of the file closes the last row rather than
    // opening an empty one.
    while (begin < size) {
        const void* lf = std::memchr(data + begin, '\n', static_cast<size_t>(size - begin));
        const qsizetype next = lf ? static_cast<const char*>(lf) - data + 1 : size;
        qsizetype end = lf ? next - 1 : size;
        if (end > begin && data[end - 1] == '\r')
            --end;
        const int cells = 1 + static_cast<int>(std::count(data + begin, data + end, '\t'));
        m_lines.push_back({begin, end, cells});
        m_columns = std::max(m_columns, cells);
        begin = next;
    }
    endResetModel();
}

std::string_view SheetModel::Cell(int row, int column) const {
    const Line& line = m_lines[row];
    std::string_view rest(m_bytes.constData() + line.begin,
                          static_cast<size_t>(line.end - line.begin));
    for (int skipped = 0; skipped < column; ++skipped) {
        const size_t tab = rest.find('\t');
        if (tab == std::string_view::npos)
            return {};
        rest.remove_prefix(tab + 1);
    }
    return rest.substr(0, rest.find('\t'));
}

void SheetModel::SetHeading(int column, const QString& text) {
    if (m_headings.size() <= column)
        m_headings.resize(column + 1);
    m_headings[column] = text;
    emit headerDataChanged(Qt::Horizontal, column, column);
}

void SheetModel::RemoveRowRange(int first, int last) {
    beginRemoveRows({}, first, last);
    m_lines.erase(m_lines.begin() + first, m_lines.begin() + last + 1);
    m_formats.RemoveRows(first, last);
    endRemoveRows();
}

void SheetModel::FormatsChanged(int top, int left, int bottom, int right) {
    emit dataChanged(index(top, left), index(bottom, right),
                     {Qt::FontRole, Qt::ForegroundRole, Qt::TextAlignmentRole});
}

int SheetModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Rows();
}

int SheetModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_columns;
}

QVariant SheetModel::data(const QModelIndex& index, int role) const {
    const int row = index.row();
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole: {
        const std::string_view cell = Cell(row, column);
        return QString::fromLocal8Bit(cell.data(), static_cast<qsizetype>(cell.size()));
    }
    case Qt::FontRole:
        if (const auto font = m_formats.FontAt(row, column))
            return *font;
        break;
    case Qt::ForegroundRole:
        if (const auto colour = m_formats.ColourAt(row, column))
            return *colour;
        break;
    case Qt::TextAlignmentRole: {
        Qt::Alignment alignment = m_formats.AlignmentAt(row, column).value_or(Qt::AlignVCenter);
        if (!(alignment & Qt::AlignHorizontal_Mask))
            alignment |= IsNumber(Cell(row, column)) ? Qt::AlignRight : Qt::AlignLeft;
        return static_cast<int>(alignment.toInt());
    }
    default:
        break;
    }
    return {};
}

QVariant SheetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section < m_headings.size() &&
        !m_headings[section].isNull())
        return m_headings[section];
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags SheetModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

} // namespace kelvarin::gui
