#include "editing/findcell.h"
#include "editing/rowcolumncommands.h"
#include "editing/search.h"
#include "support/gridtexts.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestSearch : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The first data row whose cell in the column where the selection ends holds the word, case
    // aside, is shown at the top, its cell alone selected and current, so that "Удалить строку"
    // then removes that unit. No match changes nothing.
    void findsTheFirstRowHoldingTheWord_data() {
        QTest::addColumn<int>("colSel");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<int>("foundRow"); // 0: none
        QTest::newRow("lower case finds capitals") << 0 << QStringLiteral("ооо з") << 1;
        QTest::newRow("capitals find lower latin") << 1 << QStringLiteral("APPLE") << 4;
        QTest::newRow("ё finds Ё") << 0 << QStringLiteral("ёЛоЧкА") << 4;
        QTest::newRow("last row") << 1 << QStringLiteral("пульс") << 5;
        QTest::newRow("word in another column") << 1 << QStringLiteral("Жукова") << 0;
        QTest::newRow("header is not searched") << 0 << QStringLiteral("Владелец") << 0;
        QTest::newRow("cancelled: no cell matches") << 0 << QString() << 0;
    }
    void findsTheFirstRowHoldingTheWord() {
        QFETCH(int, colSel);
        QFETCH(QString, answer);
        QFETCH(int, foundRow);
        model::GridModel grid;
        fillGrid(grid, texts({"Владелец", "Модель"}),
                 {texts({"ООО Заря", "Кассир-01Ф"}), texts({"", "АМС-100К"}),
                  texts({"ИП Жукова Е.С.", "Вега-02К"}), texts({"Ёлочка", "apple pay"}),
                  texts({"ООО Заря", "Пульс-2К"})});
        grid.setCurrentCell(2, 0);
        grid.setColSel(colSel);
        grid.setTopRow(2);
        QCOMPARE(editing::searchColumn(grid, answer), foundRow > 0);
        const QPoint current = foundRow > 0 ? QPoint(foundRow, colSel) : QPoint(2, 0);
        QCOMPARE(QPoint(grid.row(), grid.col()), current);
        QCOMPARE(grid.topRow(), current.x());
        QCOMPARE(QPoint(grid.rowSel(), grid.colSel()), foundRow > 0 ? current : QPoint(2, colSel));
        if (foundRow == 0)
            return;
        const QStringList found = rowTexts(grid, foundRow);
        QVERIFY(editing::deleteRow(grid));
        QCOMPARE(grid.rows(), 5);
        for (int r = 1; r < grid.rows(); ++r)
            QVERIFY(rowTexts(grid, r) != found);
    }

    // Rows a filter hides are never found, whichever way the search walks and wherever in a
    // row it enters: backwards it enters a row at its last cell.
    void findSkipsHiddenRowsBothWays() {
        model::GridModel grid;
        fillGrid(grid, cells(u"ABC"_s),
                 {cells(u"x__"_s), cells(u"__x"_s), cells(u"y__"_s), cells(u"x__"_s)});
        const auto shown = [](int row) { return row != 2; };
        const core::FindText x(QStringLiteral("x"));
        for (const bool forward : {true, false}) {
            QList<QPoint> walk;
            QPoint at(3, 0);
            for (int i = 0; i < 4; ++i) {
                const auto found =
                    editing::findCell(grid, x, at.x(), at.y(), forward, false, {}, shown);
                QVERIFY(found);
                at = QPoint(found->row, found->col);
                walk << at;
            }
            const QPoint first = forward ? QPoint(4, 0) : QPoint(1, 0);
            const QPoint second = forward ? QPoint(1, 0) : QPoint(4, 0);
            QCOMPARE(walk, (QList<QPoint>{first, second, first, second}));
        }
    }
};

QTEST_GUILESS_MAIN(TestSearch)
#include "tst_search.moc"
