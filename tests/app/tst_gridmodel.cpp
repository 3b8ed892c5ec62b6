#include "app/gridmodel.h"
#include "journal/journalcolumns.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>

namespace {

// Fills data rows with "r<row>c<col>" texts so that moves and sorts can be traced.
void fillTraceable(GridModel& grid, int dataRows) {
    grid.setRows(dataRows + 1);
    for (int r = 1; r <= dataRows; ++r)
        for (int c = 0; c < grid.cols(); ++c)
            grid.setTextMatrix(r, c, QStringLiteral("r%1c%2").arg(r).arg(c));
}

QStringList column(const GridModel& grid, int col) {
    QStringList texts;
    for (int r = 0; r < grid.rows(); ++r)
        texts << grid.textMatrix(r, col);
    return texts;
}

QStringList headerRow(const GridModel& grid) {
    QStringList texts;
    for (int c = 0; c < grid.cols(); ++c)
        texts << grid.textMatrix(0, c);
    return texts;
}

} // namespace

class TestGridModel : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void startsWithHeaderAndOneRow() {
        GridModel grid;
        QCOMPARE(grid.rows(), 2);
        QCOMPARE(grid.cols(), 8);
        QCOMPARE(grid.rowCount(), 1); // the view sees the data rows only
    }

    void formatStringGivesCentredColumnsWithTheirTexts() {
        GridModel grid;
        grid.setCols(3);
        grid.setFormatString(journal::headerFormat());
        QCOMPARE(grid.cols(), 8);
        QCOMPARE(
            headerRow(grid),
            QStringList({QStringLiteral("Владелец           "), QStringLiteral("Модель  ККМ  "),
                         QStringLiteral("№  ККМ     "), QStringLiteral("Зав. № ЭКЛЗ    "),
                         QStringLiteral("Рег. № ЭКЛЗ  "), QStringLiteral("Дата актив. "),
                         QStringLiteral("Дата блок. "), QStringLiteral("Механик           ")}));
        for (int c = 0; c < 8; ++c) {
            QVERIFY(grid.colCentred(c));
            QCOMPARE(grid.colWidth(c), GridModel::AutoSize);
            QCOMPARE(grid.colWidthText(c), grid.textMatrix(0, c));
            QCOMPARE(grid.headerData(c, Qt::Horizontal).toString(),
                     grid.textMatrix(0, c).trimmed());
        }
        QCOMPARE(grid.rows(), 2); // the row count stays

        grid.setFormatString(QStringLiteral("a|^b"));
        QCOMPARE(grid.cols(), 2);
        QVERIFY(!grid.colCentred(0));
        QVERIFY(grid.colCentred(1));
        QCOMPARE(headerRow(grid), QStringList({QStringLiteral("a"), QStringLiteral("b")}));
    }

    void growingAndShrinkingKeepsCellsAtTheirPlaces() {
        GridModel grid;
        fillTraceable(grid, 3);
        grid.setCols(10);
        QCOMPARE(grid.textMatrix(2, 7), QStringLiteral("r2c7"));
        QCOMPARE(grid.textMatrix(2, 9), QString());
        grid.setCols(3);
        QCOMPARE(grid.textMatrix(3, 2), QStringLiteral("r3c2"));
        grid.setRows(6);
        QCOMPARE(grid.textMatrix(3, 0), QStringLiteral("r3c0"));
        QCOMPARE(grid.textMatrix(5, 0), QString());
        grid.setRows(2);
        QCOMPARE(grid.rows(), 2);
        QCOMPARE(grid.textMatrix(1, 1), QStringLiteral("r1c1"));
    }

    void currentCellMovesResetTheSelectionAndRaiseLeaveCellFirst() {
        GridModel grid;
        fillTraceable(grid, 4);
        QStringList seen;
        connect(&grid, &GridModel::leaveCell, &grid,
                [&] { seen << QStringLiteral("%1,%2").arg(grid.row()).arg(grid.col()); });
        grid.setRow(1);
        QVERIFY(seen.isEmpty()); // no change, no notification
        grid.setRowSel(3);
        grid.setColSel(4);
        grid.setCol(2);
        QCOMPARE(seen, QStringList{QStringLiteral("1,0")}); // raised while still on the old cell
        QCOMPARE(grid.rowSel(), 1);
        QCOMPARE(grid.colSel(), 2);
        grid.setRow(3);
        grid.setCurrentCell(4, 5);
        QCOMPARE(seen, QStringList(
                           {QStringLiteral("1,0"), QStringLiteral("1,2"), QStringLiteral("3,2")}));
        QCOMPARE(grid.text(), QStringLiteral("r4c5"));
        grid.setText(QStringLiteral("x"));
        QCOMPARE(grid.textMatrix(4, 5), QStringLiteral("x"));

        grid.setRows(3); // the current row disappears: the cell is left while it still exists
        QCOMPARE(seen.last(), QStringLiteral("4,5"));
        QCOMPARE(grid.row(), 2);
    }

    void textMatrixDoesNotMoveTheCurrentCell() {
        GridModel grid;
        fillTraceable(grid, 2);
        QSignalSpy leave(&grid, &GridModel::leaveCell);
        QCOMPARE(grid.textMatrix(2, 7), QStringLiteral("r2c7"));
        grid.setTextMatrix(2, 7, QStringLiteral("y"));
        QCOMPARE(grid.row(), 1);
        QCOMPARE(grid.col(), 0);
        QCOMPARE(leave.count(), 0);
    }

    void colPositionMovesWholeColumnsBothWays() {
        GridModel grid;
        grid.setFormatString(journal::headerFormat());
        fillTraceable(grid, 2);
        const QStringList before = headerRow(grid);
        grid.setColPosition(7, 0);
        QStringList expected = before;
        expected.move(7, 0);
        QCOMPARE(headerRow(grid), expected);
        QCOMPARE(column(grid, 0).mid(1),
                 QStringList({QStringLiteral("r1c7"), QStringLiteral("r2c7")}));
        QCOMPARE(column(grid, 1).mid(1),
                 QStringList({QStringLiteral("r1c0"), QStringLiteral("r2c0")}));
        QCOMPARE(column(grid, 7).mid(1),
                 QStringList({QStringLiteral("r1c6"), QStringLiteral("r2c6")}));

        grid.setColPosition(1, 5); // rightwards: the ones between shift left
        expected.move(1, 5);
        QCOMPARE(headerRow(grid), expected);
        QCOMPARE(grid.textMatrix(2, 5), QStringLiteral("r2c0"));
        QCOMPARE(grid.textMatrix(2, 1), QStringLiteral("r2c1"));
        QVERIFY(grid.colCentred(5));
    }

    void addItemAppendsAndRemoveItemCloses() {
        GridModel grid;
        fillTraceable(grid, 3);
        grid.addItem(QString());
        QCOMPARE(grid.rows(), 5);
        QCOMPARE(grid.textMatrix(4, 0), QString());
        grid.addItem(QStringLiteral("a\tb\t\td"));
        QCOMPARE(grid.textMatrix(5, 0), QStringLiteral("a"));
        QCOMPARE(grid.textMatrix(5, 1), QStringLiteral("b"));
        QCOMPARE(grid.textMatrix(5, 2), QString());
        QCOMPARE(grid.textMatrix(5, 3), QStringLiteral("d"));

        grid.removeItem(2);
        QCOMPARE(grid.rows(), 5);
        QCOMPARE(column(grid, 0).mid(1, 2),
                 QStringList({QStringLiteral("r1c0"), QStringLiteral("r3c0")}));
        QVERIFY_THROWS_EXCEPTION(GridError, grid.removeItem(0)); // the header row stays
        grid.setRows(2);
        grid.removeItem(1); // the last data row may go
        QCOMPARE(grid.rows(), 1);
        QCOMPARE(grid.row(), 0);
    }

    void sortComparesNumbersAsNumbersAndKeepsTheHeader() {
        GridModel grid;
        grid.setFormatString(QStringLiteral("^Key|^Tag"));
        const QStringList keys = {QStringLiteral("10"),  QStringLiteral("9"), QStringLiteral("b"),
                                  QStringLiteral("100"), QStringLiteral("a"), QStringLiteral("9")};
        grid.setRows(int(keys.size()) + 1);
        for (int i = 0; i < keys.size(); ++i) {
            grid.setTextMatrix(i + 1, 0, keys[i]);
            grid.setTextMatrix(i + 1, 1, QString::number(i));
        }
        grid.setCol(0);
        grid.setColSel(0);
        grid.setRow(0);
        grid.setRowSel(0);
        grid.setSort(1);
        QCOMPARE(column(grid, 0),
                 QStringList({QStringLiteral("Key"), QStringLiteral("9"), QStringLiteral("9"),
                              QStringLiteral("10"), QStringLiteral("100"), QStringLiteral("a"),
                              QStringLiteral("b")}));
        // Whole rows move, equal keys keep their order.
        QCOMPARE(column(grid, 1),
                 QStringList({QStringLiteral("Tag"), QStringLiteral("1"), QStringLiteral("5"),
                              QStringLiteral("0"), QStringLiteral("3"), QStringLiteral("4"),
                              QStringLiteral("2")}));
        QCOMPARE(grid.row(), 0);
        QCOMPARE(grid.col(), 0);
    }

    void sortUsesTheInstalledKeysAndTheSelectedRange() {
        GridModel grid;
        grid.setCols(1);
        grid.setRows(5);
        const QStringList texts = {QStringLiteral("d"), QStringLiteral("c"), QStringLiteral("b"),
                                   QStringLiteral("a")};
        for (int i = 0; i < 4; ++i)
            grid.setTextMatrix(i + 1, 0, texts[i]);
        grid.setRow(2);
        grid.setRowSel(3); // only rows 2..3
        grid.setSort(1);
        QCOMPARE(column(grid, 0).mid(1), QStringList({QStringLiteral("d"), QStringLiteral("b"),
                                                      QStringLiteral("c"), QStringLiteral("a")}));
        grid.setSortKeyMaker([](const QString& text) {
            return SortKey{text == QStringLiteral("b") ? 0 : 1, 0, text, {}};
        });
        grid.setRow(1);
        grid.setSort(1);
        QCOMPARE(column(grid, 0).mid(1), QStringList({QStringLiteral("b"), QStringLiteral("a"),
                                                      QStringLiteral("c"), QStringLiteral("d")}));
    }

    // Several selected columns are keys in turn, left to right; ties keep their order. Checked
    // against a plain stable sort on random texts with many ties.
    void sortOverSeveralKeyColumnsMatchesAStableSort() {
        QRandomGenerator random(20261207);
        const int rows = 400;
        GridModel grid;
        grid.setCols(4);
        grid.setRows(rows + 1);
        QList<QStringList> expected;
        for (int r = 1; r <= rows; ++r) {
            QStringList row;
            for (int c = 0; c < 3; ++c)
                row.append(QString::number(random.bounded(c == 1 ? 3 : 5)));
            row.append(QString::number(r));
            for (int c = 0; c < 4; ++c)
                grid.setTextMatrix(r, c, row[c]);
            expected.append(row);
        }
        // Keys on columns 1..2; the number compares as text here, which single digits allow.
        std::stable_sort(expected.begin(), expected.end(), [](const auto& a, const auto& b) {
            return std::pair(a[1], a[2]) < std::pair(b[1], b[2]);
        });
        grid.setSortKeyMaker([](const QString& text) { return SortKey{0, 0, text, {}}; });
        grid.setCurrentCell(0, 1);
        grid.setColSel(2);
        grid.setSort(1);
        for (int r = 1; r <= rows; ++r)
            for (int c = 0; c < 4; ++c)
                QCOMPARE(grid.textMatrix(r, c), expected[r - 1][c]);
    }

    void topRowClampsTheFixedRow() {
        GridModel grid;
        fillTraceable(grid, 5);
        grid.setTopRow(4);
        QCOMPARE(grid.topRow(), 4);
        grid.setTopRow(0);
        QCOMPARE(grid.topRow(), 1);
    }

    void indicesOutsideTheGridRaiseGridError() {
        GridModel grid;
        QVERIFY_THROWS_EXCEPTION(GridError, grid.setRow(2));
        QVERIFY_THROWS_EXCEPTION(GridError, grid.setRow(-1));
        QVERIFY_THROWS_EXCEPTION(GridError, grid.setCol(8));
        QVERIFY_THROWS_EXCEPTION(GridError, grid.setRowSel(-1));
        QVERIFY_THROWS_EXCEPTION(GridError, grid.setColSel(9));
        QVERIFY_THROWS_EXCEPTION(GridError, grid.textMatrix(0, 8));
        QVERIFY_THROWS_EXCEPTION(GridError, grid.setTextMatrix(2, 0, QString()));
        QVERIFY_THROWS_EXCEPTION(GridError, grid.setColPosition(8, 0));
        QVERIFY_THROWS_EXCEPTION(GridError, grid.setColPosition(0, -1));
        QVERIFY_THROWS_EXCEPTION(GridError, grid.removeItem(2));
        QVERIFY_THROWS_EXCEPTION(GridError, grid.setRows(0));
        QVERIFY_THROWS_EXCEPTION(GridError, grid.setCols(-1));
        QVERIFY_THROWS_EXCEPTION(GridError, grid.setColWidth(0, -5));
        QVERIFY_THROWS_EXCEPTION(GridError, grid.setRowHeight(0, -1));
        QVERIFY_THROWS_EXCEPTION(GridError, grid.setTopRow(5));
        // Nothing changed on the way.
        QCOMPARE(grid.rows(), 2);
        QCOMPARE(grid.cols(), 8);
    }

    void viewSeesDataRowsAndHeader() {
        GridModel grid;
        grid.setFormatString(QStringLiteral("^A|B"));
        fillTraceable(grid, 2);
        QCOMPARE(grid.rowCount(), 2);
        QCOMPARE(grid.data(grid.index(1, 1)).toString(), QStringLiteral("r2c1"));
        QCOMPARE(grid.data(grid.index(0, 0), Qt::TextAlignmentRole).value<Qt::Alignment>(),
                 Qt::Alignment(Qt::AlignCenter));
        QSignalSpy changed(&grid, &GridModel::dataChanged);
        grid.setTextMatrix(2, 0, QStringLiteral("z"));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.first().at(0).toModelIndex(), grid.index(1, 0));
    }
};

QTEST_GUILESS_MAIN(TestGridModel)
#include "tst_gridmodel.moc"
