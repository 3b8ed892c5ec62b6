#include "app/gridmodel.h"
#include "editing/journalsortkey.h"
#include "editing/sortbycolumn.h"
#include "gridtexts.h"
#include "journal/journalcolumns.h"

#include <QTest>

namespace {

constexpr int DateColumn = 5;

// A journal whose activation-date column holds the given cells and whose first column numbers
// the rows in their first order.
void fillActivationDates(GridModel& grid, const QStringList& cells) {
    grid.setFormatString(journal::headerFormat());
    QList<QStringList> rows;
    for (qsizetype i = 0; i < cells.size(); ++i) {
        QStringList row(8);
        row[0] = QString::number(i);
        row[DateColumn] = cells[i];
        rows << row;
    }
    fillGrid(grid, rowTexts(grid, 0), rows);
    grid.setSortKeyMaker(&editing::journalSortKey);
}

QStringList sortedByActivationDate(const QStringList& cells) {
    GridModel grid;
    fillActivationDates(grid, cells);
    QString headerFormat;
    if (!editing::sortByColumn(grid, DateColumn, headerFormat))
        return {};
    return columnTexts(grid, DateColumn);
}

QStringList formatSections() {
    QStringList sections = journal::headerFormat().split(QLatin1Char('|'));
    for (QString& section : sections)
        section.remove(0, 1);
    return sections;
}

} // namespace

class TestSort : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void ordersCellsByMeaning_data() {
        QTest::addColumn<QStringList>("cells");
        QTest::addColumn<QStringList>("sorted");
        QTest::newRow("dates across years")
            << texts({"15.03.2009", "01.12.2008", "02.01.2010", "28.02.2009"})
            << texts({"01.12.2008", "28.02.2009", "15.03.2009", "02.01.2010"});
        QTest::newRow("short dates and two-digit years")
            << texts({"5.3.2009", "31.12.29", "04.03.2009", "01.01.30", "15.06.99"})
            << texts({"01.01.30", "15.06.99", "04.03.2009", "5.3.2009", "31.12.29"});
        QTest::newRow("whole numbers as numbers")
            << texts({"100", "9", "-5", "10", "007"}) << texts({"-5", "007", "9", "10", "100"});
        QTest::newRow("numbers beyond double precision")
            << texts({"12345678901234567891", "-12345678901234567890", "12345678901234567890",
                      "9999999999999999", "-12345678901234567891"})
            << texts({"-12345678901234567891", "-12345678901234567890", "9999999999999999",
                      "12345678901234567890", "12345678901234567891"});
        QTest::newRow("numbers, dates, texts, empties")
            << texts({"", "Заря", "01.02.2009", "42", "  ", "1.5"})
            << texts({"42", "01.02.2009", "1.5", "Заря", "", "  "});
        QTest::newRow("impossible dates are texts") << texts({"31.02.2009", "01.02.2009", "1.2.3"})
                                                    << texts({"01.02.2009", "1.2.3", "31.02.2009"});
        QTest::newRow("Russian alphabet, case aside")
            << texts({"яма", "ёж", "Ёрш", "еда", "жук", "Алый", "банк", "ЮГ"})
            << texts({"Алый", "банк", "еда", "ёж", "Ёрш", "жук", "ЮГ", "яма"});
    }
    void ordersCellsByMeaning() {
        QFETCH(QStringList, cells);
        QFETCH(QStringList, sorted);
        QCOMPARE(sortedByActivationDate(cells), sorted);
    }

    void equalKeysKeepTheirOrder_data() {
        QTest::addColumn<QStringList>("cells");
        QTest::addColumn<QStringList>("firstOrder");
        QTest::newRow("texts differing in case")
            << texts({"ООО Заря", "Альфа", "ооо заря", "ООО ЗАРЯ"}) << texts({"1", "0", "2", "3"});
        QTest::newRow("one date written three ways")
            << texts({"01.02.09", "31.12.2008", "1.2.2009", "01.02.2009"})
            << texts({"1", "0", "2", "3"});
        QTest::newRow("one number with leading zeros")
            << texts({"007", "5", "7", "0007"}) << texts({"1", "0", "2", "3"});
        QTest::newRow("empty cells") << texts({"", "б", "", "а"}) << texts({"3", "1", "0", "2"});
    }
    void equalKeysKeepTheirOrder() {
        QFETCH(QStringList, cells);
        QFETCH(QStringList, firstOrder);
        GridModel grid;
        fillActivationDates(grid, cells);
        QString headerFormat;
        QVERIFY(editing::sortByColumn(grid, DateColumn, headerFormat));
        QCOMPARE(columnTexts(grid, 0), firstOrder);
    }

    void sortMovesWholeRowsAndRestoresJournalHeader() {
        GridModel grid;
        QStringList header;
        for (int c = 0; c < 10; ++c)
            header << QStringLiteral("X%1").arg(c);
        QList<QStringList> rows;
        for (const int key : {3, 1, 2}) {
            QStringList row;
            for (int c = 0; c < 10; ++c)
                row << QStringLiteral("%1:%2").arg(key).arg(c);
            rows << row;
        }
        fillGrid(grid, header, rows);
        grid.setSortKeyMaker(&editing::journalSortKey);
        grid.setCurrentCell(2, 4);
        QString headerFormat;

        QVERIFY(editing::sortByColumn(grid, 2, headerFormat));

        QCOMPARE(headerFormat, journal::headerFormat());
        QCOMPARE(grid.cols(), 8);
        QCOMPARE(rowTexts(grid, 0), formatSections());
        for (int r = 1; r <= 3; ++r)
            for (int c = 0; c < 8; ++c)
                QCOMPARE(grid.textMatrix(r, c), QStringLiteral("%1:%2").arg(r).arg(c));
        QCOMPARE(grid.row(), 0);
        QCOMPARE(grid.col(), 2);
        QCOMPARE(grid.rowSel(), 0);
        QCOMPARE(grid.colSel(), 2);

        QVERIFY(editing::sortByColumn(grid, 2, headerFormat));
        QCOMPARE(columnTexts(grid, 2), texts({"1:2", "2:2", "3:2"}));
    }

    void columnOutsideGridChangesNothing_data() {
        QTest::addColumn<int>("column");
        QTest::newRow("left of the grid") << -1;
        QTest::newRow("right of the grid") << 10;
    }
    void columnOutsideGridChangesNothing() {
        QFETCH(int, column);
        GridModel grid;
        fillGrid(grid, QStringList(10), {texts({"b"}), texts({"a"})});
        grid.setCurrentCell(2, 3);
        QString headerFormat = QStringLiteral("unchanged");

        QVERIFY(!editing::sortByColumn(grid, column, headerFormat));

        QCOMPARE(headerFormat, QStringLiteral("unchanged"));
        QCOMPARE(grid.cols(), 10);
        QCOMPARE(columnTexts(grid, 0), texts({"b", "a"}));
        QCOMPARE(grid.row(), 2);
        QCOMPARE(grid.col(), 3);
    }

    void sortsGridsWithoutDataRows() {
        GridModel grid;
        fillGrid(grid, QStringList(3), {});
        QString headerFormat;
        QVERIFY(editing::sortByColumn(grid, 1, headerFormat));
        QCOMPARE(grid.rows(), 1);
        QCOMPARE(rowTexts(grid, 0), formatSections());
    }
};

QTEST_GUILESS_MAIN(TestSort)
#include "tst_sort.moc"
