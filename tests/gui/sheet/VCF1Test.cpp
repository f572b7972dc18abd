#include "ui/sheet/VCF1.h"

#include "support/FileBytes.h"
#include "support/TempDir.h"
#include "ui/sheet/SheetModel.h"

#include <QtTest>
#include <string>

using namespace kelvarin::gui;

using kelvarin::test::TempDir;
using kelvarin::test::WriteBytes;

class VCF1Test : public QObject {
    Q_OBJECT

private slots:
    void readSplitsLinesAtLfOrCrLfAndCellsAtTabs() {
        VCF1 grid;
        QVERIFY(Read(grid, "a\tb\r\n\nc\r\nd\te\tf\n"));
        const SheetModel& model = grid.Model();
        QCOMPARE(model.Rows(), 4);
        QCOMPARE(model.Columns(), 3);
        QCOMPARE(model.CellCount(1), 1);
        QCOMPARE(model.Cell(0, 1), std::string_view("b"));
        QCOMPARE(model.Cell(1, 0), std::string_view(""));
        QCOMPARE(model.Cell(2, 0), std::string_view("c"));
        QCOMPARE(model.Cell(2, 2), std::string_view(""));
        QCOMPARE(model.Cell(3, 2), std::string_view("f"));
        QVERIFY(!(model.flags(model.index(0, 0)) & Qt::ItemIsEditable));
    }

    void lineEndsInsideARowStayInTheRow() {
        VCF1 grid;
        QVERIFY(Read(grid, "a\rb\r\r\nlast"));
        QCOMPARE(grid.Model().Rows(), 2);
        QCOMPARE(grid.Model().Cell(0, 0), std::string_view("a\rb\r"));
        QCOMPARE(grid.Model().Cell(1, 0), std::string_view("last"));
    }

    void failedReadKeepsWhatTheGridHeld() {
        VCF1 grid;
        QVERIFY(Read(grid, "kept"));
        std::string cause;
        QVERIFY(!grid.ReadFile(m_dir / "missing.txt", &cause));
        QCOMPARE(cause, std::string("No such file or directory"));
        QCOMPARE(grid.Model().Cell(0, 0), std::string_view("kept"));
    }

    void selectionTextGivesOnlyTheCellsEachRowHolds() {
        VCF1 grid;
        QVERIFY(Read(grid, "a\tb\tc\r\nd\te\tf\t\r\ng"));
        QCOMPARE(grid.SelectionText(), QString("a"));
        grid.SetSelection(1, -1, 1, -1);
        QCOMPARE(grid.SelectionText(), QString("a\tb\tc"));
        grid.SetSelection(2, -1, 2, -1);
        QCOMPARE(grid.SelectionText(), QString("d\te\tf\t"));
        grid.SetSelection(-1, -1, -1, -1);
        QCOMPARE(grid.SelectionText(), QString("a\tb\tc\nd\te\tf\t\ng"));
        grid.SetSelection(1, 2, 2, 3);
        QCOMPARE(grid.SelectionText(), QString("b\tc\ne\tf"));
        grid.SetSelection(9, 1, 9, 1);
        QCOMPARE(grid.SelectionText(), QString());
    }

    void removedRowsTakeTheirFormatsWithThem() {
        VCF1 grid;
        QVERIFY(Read(grid, "h1\th2\r\nr1\tx\r\nr2\ty"));
        grid.SetSelection(-1, -1, -1, -1);
        grid.SetSelectionFont("Arial", 8, false, false, false, false, 0);
        grid.SetSelection(1, 1, 1, 1);
        grid.SetSelectionFont("Courier", 12, true, false, false, false, 0x0000ff);
        grid.SetSelection(3, 1, 3, 1);
        grid.SetSelectionAlignment(4, false, 1);
        grid.SetSelection(1, -1, 1, -1);
        grid.SetColumnHeading(1, "first");
        grid.RemoveRows(1, 1);

        const SheetModel& model = grid.Model();
        QCOMPARE(model.Rows(), 2);
        QCOMPARE(model.Cell(0, 0), std::string_view("r1"));
        QCOMPARE(model.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), QString("first"));
        QCOMPARE(model.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), QString("2"));
        const QFont font = model.data(model.index(0, 0), Qt::FontRole).value<QFont>();
        QCOMPARE(font.family(), QString("Arial"));
        QCOMPARE(font.pointSize(), 8);
        QVERIFY(!font.bold());
        QCOMPARE(model.data(model.index(1, 1), Qt::ForegroundRole).value<QColor>(),
                 QColor(0, 0, 0));
        QCOMPARE(model.data(model.index(1, 0), Qt::TextAlignmentRole).toInt(),
                 int(Qt::AlignRight | Qt::AlignTop));
        // A cell no alignment reaches has the general one: text left.
        QCOMPARE(model.data(model.index(0, 0), Qt::TextAlignmentRole).toInt(),
                 int(Qt::AlignLeft | Qt::AlignVCenter));
        QVERIFY(grid.SelectionText().isEmpty());
    }

    void fontColourIsReadAsBlueGreenRed() {
        VCF1 grid;
        QVERIFY(Read(grid, "a"));
        grid.SetSelectionFont("Arial", 8, false, true, true, true, 0x00332211);
        const SheetModel& model = grid.Model();
        QCOMPARE(model.data(model.index(0, 0), Qt::ForegroundRole).value<QColor>(),
                 QColor(0x11, 0x22, 0x33));
        const QFont font = model.data(model.index(0, 0), Qt::FontRole).value<QFont>();
        QVERIFY(font.italic() && font.underline() && font.strikeOut());
    }

private:
    bool Read(VCF1& grid, const std::string& bytes) {
        const std::string path = m_dir / "sheet.dat";
        WriteBytes(path, bytes);
        return grid.ReadFile(path, nullptr);
    }

    TempDir m_dir;
};

QTEST_MAIN(VCF1Test)
#include "VCF1Test.moc"
