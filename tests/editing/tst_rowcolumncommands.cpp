#include "editing/rowcolumncommands.h"
#include "model/gridmodel.h"
#include "support/gridtexts.h"

#include <QTest>

class TestRowColumnCommands : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The row named goes, the captions stay, the only row may go; a row outside the grid changes
    // nothing. Appending then adds an empty row below the rest.
    void rowCommands_data() {
        QTest::addColumn<QString>("before"); // the rows' first cells
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("remaining");
        QTest::newRow("middle row") << QStringLiteral("abc") << 1 << QStringLiteral("ac");
        QTest::newRow("last row") << QStringLiteral("abc") << 2 << QStringLiteral("ab");
        QTest::newRow("first row") << QStringLiteral("abc") << 0 << QStringLiteral("bc");
        QTest::newRow("above the rows") << QStringLiteral("abc") << -1 << QStringLiteral("abc");
        QTest::newRow("below the rows") << QStringLiteral("abc") << 3 << QStringLiteral("abc");
        QTest::newRow("only row") << QStringLiteral("a") << 0 << QString();
    }
    void rowCommands() {
        QFETCH(QString, before);
        QFETCH(int, row);
        QFETCH(QString, remaining);
        model::GridModel grid;
        QList<QStringList> rows;
        for (const QString& cell : cells(before))
            rows << QStringList{cell, cell.toUpper()};
        fillGrid(grid, cells(QStringLiteral("HI")), rows);
        QCOMPARE(grid.removeRows(row, 1), remaining != before);
        grid.appendRow();
        QCOMPARE(columnTexts(grid, 0), cells(remaining + u'_'));
        QCOMPARE(columnTexts(grid, 1), cells(remaining.toUpper() + u'_'));
        QCOMPARE(grid.captions(), cells(QStringLiteral("HI")));
    }

    // An added column goes in front of the one named and the rightmost moves there; neither
    // happens outside the grid.
    void columnCommandsTakeTheirPlace() {
        model::GridModel grid;
        fillGrid(grid, cells(QStringLiteral("ABC")), {cells(QStringLiteral("abc"))});
        QVERIFY(grid.insertColumns(1, 1));
        QCOMPARE(grid.captions(), cells(QStringLiteral("A_BC")));
        QVERIFY(editing::moveLastColumnTo(grid, 0));
        QCOMPARE(rowTexts(grid, 0), cells(QStringLiteral("ca_b")));
        QVERIFY(!editing::moveLastColumnTo(grid, 3)); // the rightmost itself
        QVERIFY(!editing::moveLastColumnTo(grid, -1));
        QCOMPARE(rowTexts(grid, 0), cells(QStringLiteral("ca_b")));
    }

    // The window's command table shows where added and moved columns go; one column stays.
    void deleteColumnKeepsOne() {
        model::GridModel grid;
        grid.setColumnCount(2);
        QVERIFY(grid.removeColumns(grid.columnCount() - 1, 1));
        QVERIFY(!grid.removeColumns(grid.columnCount() - 1, 1));
        QCOMPARE(grid.columnCount(), 1);
    }
};

QTEST_GUILESS_MAIN(TestRowColumnCommands)
#include "tst_rowcolumncommands.moc"
