#include "editing/rowcolumncommands.h"
#include "support/gridtexts.h"

#include <QTest>

class TestRowColumnCommands : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The row where the selection ends goes; the header row stays, the only data row may go.
    // "Добавить строку" then appends an empty row below the rest.
    void rowCommands_data() {
        QTest::addColumn<QString>("before"); // the data rows' first cells
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("rowSel");
        QTest::addColumn<QString>("remaining");
        QTest::newRow("middle row") << QStringLiteral("abc") << 2 << 2 << QStringLiteral("ac");
        QTest::newRow("dragged down") << QStringLiteral("abc") << 1 << 3 << QStringLiteral("ab");
        QTest::newRow("dragged up") << QStringLiteral("abc") << 3 << 1 << QStringLiteral("bc");
        QTest::newRow("header row") << QStringLiteral("abc") << 0 << 0 << QStringLiteral("abc");
        QTest::newRow("only data row") << QStringLiteral("a") << 1 << 1 << QString();
    }
    void rowCommands() {
        QFETCH(QString, before);
        QFETCH(int, row);
        QFETCH(int, rowSel);
        QFETCH(QString, remaining);
        model::GridModel grid;
        QList<QStringList> rows;
        for (const QString& cell : cells(before))
            rows << QStringList{cell, cell.toUpper()};
        fillGrid(grid, cells(QStringLiteral("HI")), rows);
        grid.setCurrentCell(row, 0);
        grid.setRowSel(rowSel);
        QCOMPARE(editing::deleteRow(grid), remaining != before);
        QVERIFY(editing::addRow(grid));
        QCOMPARE(columnTexts(grid, 0), cells(remaining + u'_'));
        QCOMPARE(columnTexts(grid, 1), cells(remaining.toUpper() + u'_'));
        QCOMPARE(rowTexts(grid, 0), cells(QStringLiteral("HI")));
    }

    // The window's command table shows where added and moved columns go; one column stays.
    void deleteColumnKeepsOne() {
        model::GridModel grid;
        grid.setCols(2);
        QVERIFY(editing::deleteColumn(grid));
        QVERIFY(!editing::deleteColumn(grid));
        QCOMPARE(grid.cols(), 1);
    }
};

QTEST_GUILESS_MAIN(TestRowColumnCommands)
#include "tst_rowcolumncommands.moc"
