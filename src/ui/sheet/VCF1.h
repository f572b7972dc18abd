#pragma once

#include <QString>
#include <QTableView>
#include <string>

namespace kelvarin::gui {

class SheetModel;

// The stock sheet's grid, standing in for the spreadsheet control the sheet
// was first built around: it offers that control's operations under their
// names (the control's dispatch number beside each). Rows and columns count
// from 1 and -1 means every row or every column, as the control had it.
class VCF1 : public QTableView {
public:
    explicit VCF1(QWidget* parent = nullptr);

    // 202: one row per line, cells split at tabs; afterwards cell 1,1 is
    // selected. False with the cause in `error` when the file cannot be read,
    // and the grid is left as it was.
    bool ReadFile(const std::string& path, std::string* error);
    // 228.
    void SetSelection(int firstRow, int firstColumn, int lastRow, int lastColumn);
    // 78: the selected cells' texts with a tab between cells and a line feed
    // between rows. A row gives only the cells it holds, so a row read from
    // "a\tb\t" gives "a\tb\t" and one read from "a\tb" gives "a\tb".
    QString SelectionText() const;
    // 272.
    void SetColumnHeading(int column, const QString& text);
    // 139 with the whole-row shift (3), the only one this sheet needs: the
    // rows go and the rows below move up.
    void RemoveRows(int firstRow, int lastRow);
    // 217. colour is 0x00BBGGRR; outline and shadow have no counterpart in
    // Qt's fonts and are left out.
    void SetSelectionFont(const QString& name, int points, bool bold, bool italic, bool underline,
                          bool strikeOut, quint32 colour);
    // 212. horizontal: 1 general (numbers right, other text left), 2 left,
    // 3 centre, 4 right, others as general; vertical: 1 top, 2 centre,
    // 3 bottom. The word wrap is the whole grid's, and the orientation
    // (rotated text) is not offered.
    void SetSelectionAlignment(int horizontal, bool wordWrap, int vertical);
    // Each column as wide as its heading and its cells in the first rows,
    // which is what a sheet shows when it opens; later rows are not measured,
    // so a long file opens as fast as a short one.
    void FitColumnsToContents();

    const SheetModel& Model() const { return *m_model; }

private:
    SheetModel* m_model;
};

} // namespace kelvarin::gui
