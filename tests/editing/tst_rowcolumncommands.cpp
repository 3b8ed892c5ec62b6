#include "app/gridmodel.h"
#include "editing/rowcolumncommands.h"
#include "gridtexts.h"

#include <QTest>

namespace {

const QStringList Header = texts({"A", "B", "C", "D", "E", "F", "G", "H"});

QStringList lowered(const QStringList& texts) {
    QStringList result;
    for (const QString& text : texts)
        result << text.toLower();
    return result;
}

// Eight columns A .. H over one data row a .. h.
void fillLetters(GridModel& grid, int cols = 8) {
    const QStringList header = Header.first(cols);
    fillGrid(grid, header, {lowered(header)});
}

QStringList threeRows() {
    return texts({"r1", "r2", "r3"});
}

void fillRows(GridModel& grid, const QStringList& firstColumn) {
    QList<QStringList> rows;
    for (const QString& text : firstColumn)
        rows << QStringList{text, text + QStringLiteral("-b")};
    fillGrid(grid, {QStringLiteral("H1"), QStringLiteral("H2")}, rows);
}

} // namespace

class TestRowColumnCommands : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void addRowAppendsEmptyRowAtBottom_data() {
        QTest::addColumn<QStringList>("firstColumn");
        QTest::newRow("header only") << QStringList{};
        QTest::newRow("three rows") << threeRows();
    }
    void addRowAppendsEmptyRowAtBottom() {
        QFETCH(QStringList, firstColumn);
        GridModel grid;
        fillRows(grid, firstColumn);
        grid.setCurrentCell(0, 1);

        QVERIFY(editing::addRow(grid));

        QCOMPARE(columnTexts(grid, 0), firstColumn + QStringList{QString()});
        QCOMPARE(rowTexts(grid, grid.rows() - 1), QStringList(2));
        QCOMPARE(grid.textMatrix(0, 0), QStringLiteral("H1"));
        QCOMPARE(grid.row(), 0);
        QCOMPARE(grid.col(), 1);
    }

    void deleteRowRemovesSelectionEnd_data() {
        QTest::addColumn<QStringList>("firstColumn");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("rowSel");
        QTest::addColumn<bool>("changed");
        QTest::addColumn<QStringList>("remaining");
        const QString r1 = QStringLiteral("r1"), r2 = QStringLiteral("r2"),
                      r3 = QStringLiteral("r3");
        QTest::newRow("middle row") << threeRows() << 2 << 2 << true << QStringList{r1, r3};
        QTest::newRow("first data row") << threeRows() << 1 << 1 << true << QStringList{r2, r3};
        QTest::newRow("last row") << threeRows() << 3 << 3 << true << QStringList{r1, r2};
        QTest::newRow("block dragged down") << threeRows() << 1 << 3 << true << QStringList{r1, r2};
        QTest::newRow("block dragged up") << threeRows() << 3 << 1 << true << QStringList{r2, r3};
        QTest::newRow("header row") << threeRows() << 0 << 0 << false << threeRows();
        QTest::newRow("only data row") << QStringList{r1} << 1 << 1 << true << QStringList{};
    }
    void deleteRowRemovesSelectionEnd() {
        QFETCH(QStringList, firstColumn);
        QFETCH(int, row);
        QFETCH(int, rowSel);
        QFETCH(bool, changed);
        QFETCH(QStringList, remaining);
        GridModel grid;
        fillRows(grid, firstColumn);
        grid.setCurrentCell(row, 0);
        grid.setRowSel(rowSel);

        QCOMPARE(editing::deleteRow(grid), changed);

        QCOMPARE(columnTexts(grid, 0), remaining);
        QCOMPARE(columnTexts(grid, 1).size(), remaining.size());
        for (int r = 1; r < grid.rows(); ++r)
            QCOMPARE(grid.textMatrix(r, 1), grid.textMatrix(r, 0) + QStringLiteral("-b"));
        QCOMPARE(rowTexts(grid, 0), (QStringList{QStringLiteral("H1"), QStringLiteral("H2")}));
    }

    void addColumnInsertsAtCurrentColumn_data() {
        QTest::addColumn<int>("current");
        QTest::addColumn<QStringList>("header");
        QTest::newRow("first") << 0 << texts({"", "A", "B", "C", "D", "E", "F", "G", "H"});
        QTest::newRow("middle") << 3 << texts({"A", "B", "C", "", "D", "E", "F", "G", "H"});
        QTest::newRow("last") << 7 << texts({"A", "B", "C", "D", "E", "F", "G", "", "H"});
    }
    void addColumnInsertsAtCurrentColumn() {
        QFETCH(int, current);
        QFETCH(QStringList, header);
        GridModel grid;
        fillLetters(grid);
        grid.setCurrentCell(1, current);

        QVERIFY(editing::addColumn(grid));

        QCOMPARE(rowTexts(grid, 0), header);
        QCOMPARE(rowTexts(grid, 1), lowered(header));
        QCOMPARE(grid.col(), current);
    }

    void deleteColumnDropsRightmostDownToOne() {
        GridModel grid;
        fillLetters(grid);
        grid.setCurrentCell(1, 2);

        QVERIFY(editing::deleteColumn(grid));
        QCOMPARE(rowTexts(grid, 0), Header.first(7));
        QCOMPARE(rowTexts(grid, 1), lowered(Header.first(7)));
        QCOMPARE(grid.col(), 2);

        int removed = 1;
        while (editing::deleteColumn(grid))
            ++removed;
        QCOMPARE(removed, 7);
        QCOMPARE(rowTexts(grid, 0), QStringList{QStringLiteral("A")});
    }

    void moveLastColumnToCurrent_data() {
        QTest::addColumn<int>("cols");
        QTest::addColumn<int>("current");
        QTest::addColumn<bool>("changed");
        QTest::addColumn<QStringList>("header");
        QTest::newRow("to the middle")
            << 8 << 5 << true << texts({"A", "B", "C", "D", "E", "H", "F", "G"});
        QTest::newRow("current is rightmost") << 8 << 7 << false << Header;
        QTest::newRow("single column") << 1 << 0 << false << texts({"A"});
    }
    void moveLastColumnToCurrent() {
        QFETCH(int, cols);
        QFETCH(int, current);
        QFETCH(bool, changed);
        QFETCH(QStringList, header);
        GridModel grid;
        fillLetters(grid, cols);
        grid.setCurrentCell(1, current);

        QCOMPARE(editing::moveLastColumnToCurrent(grid), changed);

        QCOMPARE(rowTexts(grid, 0), header);
        QCOMPARE(rowTexts(grid, 1), lowered(header));
        QCOMPARE(grid.col(), current);
    }
};

QTEST_GUILESS_MAIN(TestRowColumnCommands)
#include "tst_rowcolumncommands.moc"
