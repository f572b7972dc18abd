#include "ui/sheet/VCF1.h"

#include "app/FileAccess.h"
#include "ui/sheet/SheetModel.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace kelvarin::gui {

namespace {

// Reads the file through its byte path, so any name the folder listing
// showed can be opened whatever its encoding. Only a regular file is read:
// a named pipe or a device would wait for a writer or never end, and the
// open itself must not wait, or a pipe would freeze the window.
bool ReadWholeFile(const std::string& path, QByteArray& bytes, std::string& cause) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        cause = std::strerror(errno);
        return false;
    }
    const auto fail = [fd, &cause](std::string why) {
        cause = std::move(why);
        ::close(fd);
        return false;
    };
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return fail(std::strerror(errno));
    if (S_ISDIR(info.st_mode))
        return fail(std::strerror(EISDIR));
    if (!S_ISREG(info.st_mode))
        return fail("not a regular file");
    kelvarin::WholeFile file;
    if (!file.ReadFrom(fd))
        return fail(std::strerror(errno));
    ::close(fd);
    const std::string_view read = file.View();
    bytes = QByteArray(read.data(), static_cast<qsizetype>(read.size()));
    return true;
}

// A 1-based range with -1 for "all" as 0-based first and last, clipped to
// `count`; first > last when nothing of it exists.
std::pair<int, int> Span(int first, int last, int count) {
    if (first == -1 || last == -1)
        return {0, count - 1};
    return {std::max(first, 1) - 1, std::min(last, count) - 1};
}

// No horizontal flag is the general alignment, which the model settles by
// the cell's content.
Qt::Alignment HorizontalOf(int code) {
    switch (code) {
    case 2:
        return Qt::AlignLeft;
    case 3:
        return Qt::AlignHCenter;
    case 4:
        return Qt::AlignRight;
    default:
        return {};
    }
}

Qt::Alignment VerticalOf(int code) {
    switch (code) {
    case 1:
        return Qt::AlignTop;
    case 3:
        return Qt::AlignBottom;
    default:
        return Qt::AlignVCenter;
    }
}

} // namespace

VCF1::VCF1(QWidget* parent) : QTableView(parent), m_model(new SheetModel(this)) {
    setModel(m_model);
    setEditTriggers(NoEditTriggers);
    setWordWrap(false);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
}

bool VCF1::ReadFile(const std::string& path, std::string* error) {
    QByteArray bytes;
    std::string cause;
    if (!ReadWholeFile(path, bytes, cause)) {
        if (error)
            *error = cause;
        return false;
    }
    m_model->SetBytes(std::move(bytes));
    SetSelection(1, 1, 1, 1);
    return true;
}

void VCF1::SetSelection(int firstRow, int firstColumn, int lastRow, int lastColumn) {
    const auto [top, bottom] = Span(firstRow, lastRow, m_model->Rows());
    const auto [left, right] = Span(firstColumn, lastColumn, m_model->Columns());
    if (top > bottom || left > right) {
        selectionModel()->clearSelection();
        return;
    }
    const QModelIndex topLeft = m_model->index(top, left);
    selectionModel()->select(QItemSelection(topLeft, m_model->index(bottom, right)),
                             QItemSelectionModel::ClearAndSelect);
    selectionModel()->setCurrentIndex(topLeft, QItemSelectionModel::NoUpdate);
}

QString VCF1::SelectionText() const {
    QString text;
    bool firstRow = true;
    for (const QItemSelectionRange& range : selectionModel()->selection()) {
        for (int row = range.top(); row <= range.bottom(); ++row) {
            if (!firstRow)
                text += QLatin1Char('\n');
            firstRow = false;
            const int right = std::min(range.right(), m_model->CellCount(row) - 1);
            for (int column = range.left(); column <= right; ++column) {
                if (column > range.left())
                    text += QLatin1Char('\t');
                const std::string_view cell = m_model->Cell(row, column);
                text += QString::fromLocal8Bit(cell.data(), static_cast<qsizetype>(cell.size()));
            }
        }
    }
    return text;
}

void VCF1::SetColumnHeading(int column, const QString& text) {
    if (column >= 1)
        m_model->SetHeading(column - 1, text);
}

void VCF1::RemoveRows(int firstRow, int lastRow) {
    const auto [top, bottom] = Span(firstRow, lastRow, m_model->Rows());
    if (top <= bottom)
        m_model->RemoveRowRange(top, bottom);
}

void VCF1::SetSelectionFont(const QString& name, int points, bool bold, bool italic, bool underline,
                            bool strikeOut, quint32 colour) {
    QFont font(name, points, bold ? QFont::Bold : QFont::Normal, italic);
    font.setUnderline(underline);
    font.setStrikeOut(strikeOut);
    const QColor shown(colour & 0xff, (colour >> 8) & 0xff, (colour >> 16) & 0xff);
    for (const QItemSelectionRange& range : selectionModel()->selection()) {
        m_model->Formats().SetFont({range.top(), range.left(), range.bottom(), range.right()}, font,
                                   shown);
        m_model->FormatsChanged(range.top(), range.left(), range.bottom(), range.right());
    }
}

// The item delegate's own size hint, so no measured cell is cut short: the
// plain font metrics come out a few pixels narrower than the text it lays out.
void VCF1::FitColumnsToContents() {
    constexpr int MeasuredRows = 50;
    const int rows = std::min(m_model->Rows(), MeasuredRows);
    const int gridLine = showGrid() ? 1 : 0;
    QHeaderView* headings = horizontalHeader();
    for (int column = 0; column < m_model->Columns(); ++column) {
        int width = headings->sectionSizeHint(column);
        for (int row = 0; row < rows; ++row)
            width =
                std::max(width, sizeHintForIndex(m_model->index(row, column)).width() + gridLine);
        headings->resizeSection(column, width);
    }
}

void VCF1::SetSelectionAlignment(int horizontal, bool wordWrap, int vertical) {
    setWordWrap(wordWrap);
    const Qt::Alignment alignment = HorizontalOf(horizontal) | VerticalOf(vertical);
    for (const QItemSelectionRange& range : selectionModel()->selection()) {
        m_model->Formats().SetAlignment({range.top(), range.left(), range.bottom(), range.right()},
                                        alignment);
        m_model->FormatsChanged(range.top(), range.left(), range.bottom(), range.right());
    }
}

} // namespace kelvarin::gui
