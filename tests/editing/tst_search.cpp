#include "editing/findcell.h"
#include "support/gridtexts.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestSearch : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The first row whose cell in the column searched holds the word, case aside. No match
    // finds nothing.
    void findsTheFirstRowHoldingTheWord_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<int>("foundRow"); // -1: none
        QTest::newRow("lower case finds capitals") << 0 << QStringLiteral("ооо з") << 0;
        QTest::newRow("capitals find lower latin") << 1 << QStringLiteral("APPLE") << 3;
        QTest::newRow("ё finds Ё") << 0 << QStringLiteral("ёЛоЧкА") << 3;
        QTest::newRow("last row") << 1 << QStringLiteral("пульс") << 4;
        QTest::newRow("word in another column") << 1 << QStringLiteral("Жукова") << -1;
        QTest::newRow("header is not searched") << 0 << QStringLiteral("Владелец") << -1;
        QTest::newRow("cancelled: no cell matches") << 0 << QString() << -1;
        QTest::newRow("no such column") << 2 << QStringLiteral("ООО") << -1;
    }
    void findsTheFirstRowHoldingTheWord() {
        QFETCH(int, column);
        QFETCH(QString, answer);
        QFETCH(int, foundRow);
        model::GridModel grid;
        fillGrid(grid, texts({"Владелец", "Модель"}),
                 {texts({"ООО Заря", "Кассир-01Ф"}), texts({"", "АМС-100К"}),
                  texts({"ИП Жукова Е.С.", "Вега-02К"}), texts({"Ёлочка", "apple pay"}),
                  texts({"ООО Заря", "Пульс-2К"})});
        QCOMPARE(editing::searchColumn(grid, column, answer),
                 foundRow >= 0 ? std::optional(foundRow) : std::nullopt);
    }

    // Rows a filter hides are never found, whichever way the search walks and wherever in a
    // row it enters: backwards it enters a row at its last cell.
    void findSkipsHiddenRowsBothWays() {
        model::GridModel grid;
        fillGrid(grid, cells(u"ABC"_s),
                 {cells(u"x__"_s), cells(u"__x"_s), cells(u"y__"_s), cells(u"x__"_s)});
        const auto shown = [](int row) { return row != 1; };
        const core::FindText x(QStringLiteral("x"));
        for (const bool forward : {true, false}) {
            QList<QPoint> walk;
            QPoint at(2, 0);
            for (int i = 0; i < 4; ++i) {
                const auto found =
                    editing::findCell(grid, x, at.x(), at.y(), forward, false, {}, shown);
                QVERIFY(found);
                at = QPoint(found->row, found->col);
                walk << at;
            }
            const QPoint first = forward ? QPoint(3, 0) : QPoint(0, 0);
            const QPoint second = forward ? QPoint(0, 0) : QPoint(3, 0);
            QCOMPARE(walk, (QList<QPoint>{first, second, first, second}));
        }
    }
};

QTEST_GUILESS_MAIN(TestSearch)
#include "tst_search.moc"
