#include "core/journalcolumns.h"
#include "editing/journalsortkey.h"
#include "editing/rowcolumncommands.h"
#include "support/gridtexts.h"

#include <QTest>

class TestSort : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Whole numbers before dates before texts before empty cells; equal keys keep their rows in
    // order, which the differing texts of equal keys show.
    void ordersCellsByMeaning_data() {
        QTest::addColumn<QStringList>("cells");
        QTest::addColumn<QStringList>("sorted");
        QTest::newRow("kinds") << texts({"", "Заря", "01.02.2009", "42", "  ", "1.5", "31.02.2009"})
                               << texts(
                                      {"42", "01.02.2009", "1.5", "31.02.2009", "Заря", "", "  "});
        QTest::newRow("dates")
            << texts({"15.03.2009", "31.12.29", "01.02.09", "01.01.30", "5.3.2009", "1.2.2009"})
            << texts({"01.01.30", "01.02.09", "1.2.2009", "5.3.2009", "15.03.2009", "31.12.29"});
        QTest::newRow("numbers") << texts({"100", "007", "-5", "7", "12345678901234567891",
                                           "-12345678901234567890", "12345678901234567890",
                                           "-12345678901234567891"})
                                 << texts({"-12345678901234567891", "-12345678901234567890", "-5",
                                           "007", "7", "100", "12345678901234567890",
                                           "12345678901234567891"});
        QTest::newRow("Russian, case aside")
            << texts({"яма", "ООО Заря", "ёж", "Ёрш", "ооо заря", "еда", "Жук", "Алый", "ООО ЗАРЯ"})
            << texts(
                   {"Алый", "еда", "ёж", "Ёрш", "Жук", "ООО Заря", "ооо заря", "ООО ЗАРЯ", "яма"});
    }
    void ordersCellsByMeaning() {
        QFETCH(QStringList, cells);
        QFETCH(QStringList, sorted);
        model::GridModel grid;
        QList<QStringList> rows;
        for (const QString& cell : cells)
            rows << QStringList{cell};
        fillGrid(grid, QStringList(1), rows);
        grid.setSortKeyMaker(&editing::journalSortKey);
        grid.sort(0);
        QCOMPARE(columnTexts(grid, 0), sorted);
    }

    // Descending is the exact reverse order of the keys ("b" and "B" are one key, as are the two
    // "2"), rows of equal keys keeping their order; ascending again gives the ascending order.
    void sortsDescendingKeepingEqualKeysInOrder() {
        model::GridModel grid;
        fillGrid(grid, QStringList(2),
                 {texts({"2", "0"}), texts({"b", "1"}), texts({"1", "2"}), texts({"a", "3"}),
                  texts({"B", "4"}), texts({"2", "5"})});
        grid.setSortKeyMaker(&editing::journalSortKey);
        QVERIFY(editing::sortByColumn(grid, 0, true));
        QCOMPARE(columnTexts(grid, 1), cells(QStringLiteral("143052")));
        QVERIFY(editing::sortByColumn(grid, 0));
        QCOMPARE(columnTexts(grid, 1), cells(QStringLiteral("205314")));
        QVERIFY(!editing::sortByColumn(grid, 2)); // no such column: nothing moves
        QCOMPARE(columnTexts(grid, 1), cells(QStringLiteral("205314")));
    }

    // A header sort keeps every column with the caption that travelled with it; an empty caption
    // among the first eight gets the standard one of its place, unless another column bears it.
    void sortByColumnKeepsTheColumnsAndTheirCaptions() {
        model::GridModel grid;
        fillGrid(grid, cells(QStringLiteral("AB_DEF_HIJ")),
                 {cells(QStringLiteral("bbbbbbbbbb")), cells(QStringLiteral("aaaaaaaaaa"))});
        grid.setCaption(4, QStringLiteral("Дата блок."));
        QVERIFY(!editing::sortByColumn(grid, 10));
        QVERIFY(editing::sortByColumn(grid, 2));
        QCOMPARE(grid.captions().mid(0, 7),
                 texts({"A", "B", "№  ККМ     ", "D", "Дата блок.", "F", ""}));
        QCOMPARE(grid.columnCount(), 10);
        QCOMPARE(rowTexts(grid, 0), cells(QStringLiteral("aaaaaaaaaa")));
    }
};

QTEST_GUILESS_MAIN(TestSort)
#include "tst_sort.moc"
