#include "core/journalcolumns.h"
#include "support/gridtexts.h"

#include <QAbstractItemModelTester>
#include <QTest>

class TestGridModel : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void formatStringGivesCentredColumnsWithTheirTexts() {
        model::GridModel grid;
        grid.setCols(3);
        grid.setFormatString(core::headerFormat());
        QCOMPARE(grid.cols(), 8);
        QCOMPARE(grid.textMatrix(0, 7), QStringLiteral("Механик           "));
        for (int c = 0; c < 8; ++c) {
            QVERIFY(grid.colCentred(c));
            // The trailing blanks widen the column but are not drawn.
            QCOMPARE(grid.colWidthText(c), grid.textMatrix(0, c));
            QCOMPARE(grid.headerData(c, Qt::Horizontal).toString(),
                     grid.textMatrix(0, c).trimmed());
        }
        grid.setFormatString(QStringLiteral("a |^b"));
        QCOMPARE(rowTexts(grid, 0), texts({"a ", "b"}));
        QVERIFY(!grid.colCentred(0) && grid.colCentred(1));
        grid.setTextMatrix(1, 1, QStringLiteral("x")); // the view sees the data rows only
        QCOMPARE(grid.data(grid.index(0, 1)).toString(), QStringLiteral("x"));
    }

    // LeaveCell comes once for each change of the current cell, before it, while row() and col()
    // still name the cell being left; a move resets the selection to the new cell.
    void leaveCellIsRaisedExactlyOnAChange() {
        model::GridModel grid;
        grid.setRows(5);
        QStringList left;
        connect(&grid, &model::GridModel::leaveCell, &grid,
                [&] { left << QStringLiteral("%1,%2").arg(grid.row()).arg(grid.col()); });
        grid.setCurrentCell(1, 0);
        grid.setTextMatrix(1, 0, QStringLiteral("x"));
        grid.setRowSel(3);
        grid.setColSel(4);
        QVERIFY(left.isEmpty());
        grid.setCol(2);
        QCOMPARE(QPoint(grid.rowSel(), grid.colSel()), QPoint(1, 2));
        grid.setRow(3);
        grid.setCurrentCell(4, 5);
        grid.setRows(3); // the current row goes: it is left while it still exists
        QCOMPARE(left, texts({"1,0", "1,2", "3,2", "4,5"}));
        grid.removeItem(1);
        QCOMPARE(left.last(), QStringLiteral("2,5"));
        QCOMPARE(grid.row(), 1);
    }

    void colPositionMovesWholeColumnsBothWays() {
        model::GridModel grid;
        fillGrid(grid, cells(QStringLiteral("ABCDE")), {cells(QStringLiteral("abcde"))});
        grid.setFormatString(QStringLiteral("A|B|C|^D|E"));
        grid.setColPosition(3, 0); // leftwards: the ones between shift right
        QCOMPARE(rowTexts(grid, 1), cells(QStringLiteral("dabce")));
        QVERIFY(grid.colCentred(0) && !grid.colCentred(3));
        grid.setColPosition(1, 4); // rightwards: the ones between shift left
        QCOMPARE(rowTexts(grid, 0), cells(QStringLiteral("DBCEA")));
        QCOMPARE(rowTexts(grid, 1), cells(QStringLiteral("dbcea")));
    }

    // Refused, and nothing changes: no exception leaves the grid, which Qt's views could not
    // survive inside a signal.
    void indicesOutsideTheGridAreRefused() {
        model::GridModel grid;
        grid.setTextMatrix(1, 0, QStringLiteral("kept"));
        QVERIFY(!grid.setRow(2));
        QVERIFY(grid.textMatrix(0, 8).isNull());
        QVERIFY(!grid.setTextMatrix(-1, 0, QStringLiteral("x")));
        QVERIFY(!grid.setColPosition(0, -1));
        QVERIFY(!grid.removeItem(0)); // the header row stays
        QVERIFY(!grid.setCols(0));
        QVERIFY(!grid.replaceCells(2, 2, {QStringLiteral("too few")}));
        QCOMPARE(QPoint(grid.rows(), grid.cols()), QPoint(2, 8));
        QCOMPARE(grid.textMatrix(1, 0), QStringLiteral("kept"));
    }

    // Qt's own checks of a model's signals and answers, through every structural change the
    // commands make: rows and columns added, removed and moved, a sort, a whole new grid.
    void keepsQtsModelContract() {
        model::GridModel grid;
        QAbstractItemModelTester tester(&grid,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        fillGrid(grid, cells(QStringLiteral("ABCD")),
                 {cells(QStringLiteral("dcba")), cells(QStringLiteral("abcd"))});
        grid.setCols(6);
        grid.setColPosition(5, 1);
        grid.setColPosition(0, 4);
        grid.setCols(3);
        grid.addItem(QStringLiteral("x\ty"));
        grid.setRows(6);
        grid.removeItem(2);
        grid.setCurrentCell(1, 0);
        grid.setSort(1);
        grid.setFormatString(core::headerFormat());
        grid.setRows(1);
        QCOMPARE(grid.rowCount(), 0);
        QCOMPARE(grid.columnCount(), 8);
    }
};

QTEST_GUILESS_MAIN(TestGridModel)
#include "tst_gridmodel.moc"
