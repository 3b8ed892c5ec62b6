#include "app/gridmodel.h"
#include "editing/search.h"
#include "gridtexts.h"

#include <QTest>

namespace {

void fillJournal(GridModel& grid) {
    fillGrid(grid, texts({"Владелец", "Модель  ККМ"}),
             {texts({"ООО Заря", "Кассир-01Ф"}), texts({"", "АМС-100К"}),
              texts({"ИП Жукова Е.С.", "Вега-02К"}), texts({"Ёлочка", "apple pay"}),
              texts({"ООО Заря", "Пульс-2К"})});
}

} // namespace

class TestSearch : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void promptText() {
        QCOMPARE(editing::searchPrompt(),
                 QStringLiteral("Нажмите на любую ячейку в колонке поиска. Потом введите здесь "
                                "слово. Выделение всей колонки производит сортировку."));
    }

    void findsFirstRowContainingWord_data() {
        QTest::addColumn<int>("col");
        QTest::addColumn<int>("colSel");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<int>("foundRow");
        QTest::addColumn<int>("rowSel");
        QTest::newRow("lower case finds capitals")
            << 0 << 0 << QStringLiteral("ооо заря") << 1 << 2;
        QTest::newRow("capitals find lower latin") << 1 << 1 << QStringLiteral("APPLE") << 4 << 5;
        QTest::newRow("mixed case") << 1 << 1 << QStringLiteral("вЕгА") << 3 << 4;
        QTest::newRow("part of the text") << 0 << 0 << QStringLiteral("жуков") << 3 << 4;
        QTest::newRow("ё and Ё") << 0 << 0 << QStringLiteral("ёЛоЧкА") << 4 << 5;
        QTest::newRow("last row selects the one above")
            << 1 << 1 << QStringLiteral("Пульс-2К") << 5 << 4;
        QTest::newRow("column where the selection ends")
            << 0 << 1 << QStringLiteral("вега") << 3 << 4;
    }
    void findsFirstRowContainingWord() {
        QFETCH(int, col);
        QFETCH(int, colSel);
        QFETCH(QString, answer);
        QFETCH(int, foundRow);
        QFETCH(int, rowSel);
        GridModel grid;
        fillJournal(grid);
        grid.setCurrentCell(2, col);
        grid.setColSel(colSel);

        QVERIFY(editing::searchColumn(grid, answer));

        QCOMPARE(grid.row(), foundRow);
        QCOMPARE(grid.topRow(), foundRow);
        QCOMPARE(grid.rowSel(), rowSel);
        QCOMPARE(grid.col(), col);
    }

    void noMatchChangesNothing_data() {
        QTest::addColumn<int>("col");
        QTest::addColumn<QString>("answer");
        QTest::newRow("word not in the column") << 1 << QStringLiteral("Жукова");
        QTest::newRow("empty cells match no word") << 0 << QStringLiteral("Q");
        QTest::newRow("header is not searched") << 0 << QStringLiteral("Владелец");
        QTest::newRow("cell shorter than the word") << 0 << QStringLiteral("ООО Заря-2");
        QTest::newRow("cancel") << 0 << QString();
    }
    void noMatchChangesNothing() {
        QFETCH(int, col);
        QFETCH(QString, answer);
        GridModel grid;
        fillJournal(grid);
        grid.setCurrentCell(2, col);
        grid.setRowSel(3);
        grid.setTopRow(2);
        const QList<QString> before = columnTexts(grid, col);

        QVERIFY(!editing::searchColumn(grid, answer));

        QCOMPARE(grid.row(), 2);
        QCOMPARE(grid.col(), col);
        QCOMPARE(grid.rowSel(), 3);
        QCOMPARE(grid.colSel(), col);
        QCOMPARE(grid.topRow(), 2);
        QCOMPARE(columnTexts(grid, col), before);
    }

    void smallGrids() {
        GridModel grid;
        fillGrid(grid, texts({"Владелец"}), {});
        QVERIFY(!editing::searchColumn(grid, QStringLiteral("Владелец")));

        fillGrid(grid, texts({"Владелец"}), {texts({"Заря"})});
        grid.setCurrentCell(1, 0);
        QVERIFY(editing::searchColumn(grid, QStringLiteral("заря")));
        QCOMPARE(grid.row(), 1);
        QCOMPARE(grid.rowSel(), 0);
    }
};

QTEST_GUILESS_MAIN(TestSearch)
#include "tst_search.moc"
