#include "core/journalcolumns.h"
#include "support/gridtexts.h"

#include <QAbstractItemModelTester>
#include <QTest>

class TestGridModel : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void formatStringGivesCentredColumnsWithTheirTexts() {
        model::GridModel grid;
        grid.setColumnCount(3);
        grid.setHeaderFormat(core::headerFormat());
        QCOMPARE(grid.columnCount(), 8);
        QCOMPARE(grid.caption(7), QStringLiteral("Механик           "));
        for (int c = 0; c < 8; ++c) {
            QVERIFY(grid.isCentred(c));
            // The trailing blanks widen the column but are not drawn.
            QCOMPARE(grid.columnWidthText(c), grid.caption(c));
            QCOMPARE(grid.headerData(c, Qt::Horizontal).toString(), grid.caption(c).trimmed());
            QCOMPARE(grid.headerData(c, Qt::Horizontal, Qt::EditRole).toString(), grid.caption(c));
        }
        grid.setHeaderFormat(QStringLiteral("a |^b"));
        QCOMPARE(grid.captions(), texts({"a ", "b"}));
        QVERIFY(!grid.isCentred(0) && grid.isCentred(1));
        grid.setText(0, 1, QStringLiteral("x"));
        QCOMPARE(grid.data(grid.index(0, 1)).toString(), QStringLiteral("x"));
        QCOMPARE(grid.data(grid.index(0, 1), Qt::TextAlignmentRole).toInt(), int(Qt::AlignCenter));
    }

    // Qt's own editing entry points write the cells and captions, and are undone like the rest.
    void setDataAndHeaderDataAreLoggedChanges() {
        model::GridModel grid;
        std::vector<model::GridChange> log;
        grid.setChangeLog(&log);
        QVERIFY(grid.flags(grid.index(0, 0)) & Qt::ItemIsEditable);
        QVERIFY(grid.setData(grid.index(0, 2), QStringLiteral("cell")));
        QVERIFY(!grid.setData(grid.index(0, 2), QStringLiteral("x"), Qt::DisplayRole));
        QVERIFY(grid.setHeaderData(2, Qt::Horizontal, QStringLiteral("caption")));
        QVERIFY(!grid.setHeaderData(0, Qt::Vertical, QStringLiteral("x")));
        grid.setChangeLog(nullptr);
        QCOMPARE(log.size(), std::size_t(2));
        for (auto change = log.rbegin(); change != log.rend(); ++change)
            grid.undoChange(*change);
        QCOMPARE(grid.text(0, 2), QString());
        QCOMPARE(grid.caption(2), QString());
        for (const model::GridChange& change : log)
            grid.redoChange(change);
        QCOMPARE(grid.text(0, 2), QStringLiteral("cell"));
        QCOMPARE(grid.caption(2), QStringLiteral("caption"));
    }

    void colPositionMovesWholeColumnsBothWays() {
        model::GridModel grid;
        fillGrid(grid, cells(QStringLiteral("ABCDE")), {cells(QStringLiteral("abcde"))});
        grid.setHeaderFormat(QStringLiteral("A|B|C|^D|E"));
        grid.moveColumnTo(3, 0); // leftwards: the ones between shift right
        QCOMPARE(rowTexts(grid, 0), cells(QStringLiteral("dabce")));
        QVERIFY(grid.isCentred(0) && !grid.isCentred(3));
        grid.moveColumnTo(1, 4); // rightwards: the ones between shift left
        QCOMPARE(grid.captions(), cells(QStringLiteral("DBCEA")));
        QCOMPARE(rowTexts(grid, 0), cells(QStringLiteral("dbcea")));
    }

    // A sort keeps equal keys in their order both ways, and moves persistent indexes (the current
    // cell, an open editor's cell) with their rows.
    void sortIsStableAndCarriesPersistentIndexes() {
        model::GridModel grid;
        fillGrid(grid, cells(QStringLiteral("AB")),
                 {cells(QStringLiteral("b1")), cells(QStringLiteral("a2")),
                  cells(QStringLiteral("b3")), cells(QStringLiteral("a4"))});
        const QPersistentModelIndex third = grid.index(2, 1);
        grid.sort(0);
        QCOMPARE(columnTexts(grid, 1), texts({"2", "4", "1", "3"}));
        QCOMPARE(third.row(), 3);
        grid.sort(0, Qt::DescendingOrder);
        QCOMPARE(columnTexts(grid, 1), texts({"1", "3", "2", "4"}));
        QCOMPARE(third.row(), 1);
        grid.sort(5); // no such column
        QCOMPARE(columnTexts(grid, 1), texts({"1", "3", "2", "4"}));
    }

    // Refused, and nothing changes: no exception leaves the grid, which Qt's views could not
    // survive inside a signal.
    void indicesOutsideTheGridAreRefused() {
        model::GridModel grid;
        grid.setText(0, 0, QStringLiteral("kept"));
        QVERIFY(grid.caption(8).isNull());
        QVERIFY(grid.text(1, 0).isNull());
        QVERIFY(!grid.setText(-1, 0, QStringLiteral("x")));
        QVERIFY(!grid.setCaption(8, QStringLiteral("x")));
        QVERIFY(!grid.moveColumnTo(0, -1));
        QVERIFY(!grid.removeRows(1, 1));
        QVERIFY(!grid.insertRows(3, 1));
        QVERIFY(!grid.setColumnCount(0));
        QVERIFY(!grid.removeColumns(0, 8)); // one column stays
        QVERIFY(!grid.insertRowTexts(0, 1, {QStringLiteral("too few")}));
        QVERIFY(!grid.replaceCells({}, {}));
        QCOMPARE(QPoint(grid.rowCount(), grid.columnCount()), QPoint(1, 8));
        QCOMPARE(grid.text(0, 0), QStringLiteral("kept"));
    }

    // Qt's own checks of a model's signals and answers, through every structural change the
    // commands make: rows and columns added, removed and moved, a sort, a whole new grid.
    void keepsQtsModelContract() {
        model::GridModel grid;
        QAbstractItemModelTester tester(&grid,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        fillGrid(grid, cells(QStringLiteral("ABCD")),
                 {cells(QStringLiteral("dcba")), cells(QStringLiteral("abcd"))});
        grid.setColumnCount(6);
        grid.moveColumnTo(5, 1);
        grid.moveColumnTo(0, 4);
        grid.setColumnCount(3);
        grid.appendRow(texts({"x", "y"}));
        QCOMPARE(rowTexts(grid, 2), texts({"x", "y", ""}));
        grid.setRowCount(5);
        grid.removeRows(1, 1);
        grid.sort(0);
        grid.setHeaderFormat(core::headerFormat());
        grid.setRowCount(0);
        QCOMPARE(grid.rowCount(), 0);
        QCOMPARE(grid.columnCount(), 8);
        grid.replaceDataRows({texts({"a", "b", "c", "d", "e", "f", "g", "h", "i"})});
        QCOMPARE(grid.columnCount(), 9);
        QCOMPARE(grid.caption(8), QString());
    }
};

QTEST_GUILESS_MAIN(TestGridModel)
#include "tst_gridmodel.moc"
