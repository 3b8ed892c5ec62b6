#include "editing/search.h"
#include "support/gridtexts.h"

#include <QTest>

class TestSearch : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The first data row whose cell in the column where the selection ends holds the word, case
    // aside, becomes the current row, shown at the top with the row below it (above it for the
    // last row) selected. No match changes nothing.
    void findsTheFirstRowHoldingTheWord_data() {
        QTest::addColumn<int>("colSel");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<int>("foundRow"); // 0: none
        QTest::addColumn<int>("rowSel");
        QTest::newRow("lower case finds capitals") << 0 << QStringLiteral("ооо з") << 1 << 2;
        QTest::newRow("capitals find lower latin") << 1 << QStringLiteral("APPLE") << 4 << 5;
        QTest::newRow("ё finds Ё") << 0 << QStringLiteral("ёЛоЧкА") << 4 << 5;
        QTest::newRow("last row") << 1 << QStringLiteral("пульс") << 5 << 4;
        QTest::newRow("word in another column") << 1 << QStringLiteral("Жукова") << 0 << 0;
        QTest::newRow("header is not searched") << 0 << QStringLiteral("Владелец") << 0 << 0;
        QTest::newRow("cancelled: no cell matches") << 0 << QString() << 0 << 0;
    }
    void findsTheFirstRowHoldingTheWord() {
        QFETCH(int, colSel);
        QFETCH(QString, answer);
        QFETCH(int, foundRow);
        QFETCH(int, rowSel);
        GridModel grid;
        fillGrid(grid, texts({"Владелец", "Модель"}),
                 {texts({"ООО Заря", "Кассир-01Ф"}), texts({"", "АМС-100К"}),
                  texts({"ИП Жукова Е.С.", "Вега-02К"}), texts({"Ёлочка", "apple pay"}),
                  texts({"ООО Заря", "Пульс-2К"})});
        grid.setCurrentCell(2, 0);
        grid.setColSel(colSel);
        grid.setTopRow(2);
        QCOMPARE(editing::searchColumn(grid, answer), foundRow > 0);
        const int row = foundRow > 0 ? foundRow : 2;
        QCOMPARE(QPoint(grid.row(), grid.col()), QPoint(row, 0));
        QCOMPARE(grid.topRow(), row);
        QCOMPARE(grid.rowSel(), foundRow > 0 ? rowSel : 2);
    }
};

QTEST_GUILESS_MAIN(TestSearch)
#include "tst_search.moc"
