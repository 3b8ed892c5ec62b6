#include "core/journalcolumns.h"
#include "editing/gridhistory.h"
#include "editing/journalsortkey.h"
#include "editing/rowcolumncommands.h"
#include "editing/sortbycolumn.h"
#include "support/gridtexts.h"

#include <QTest>
#include <functional>

namespace {

// Everything undo must restore: every cell, the grid's shape and the current cell.
struct Shot {
    QList<QStringList> rows;
    QPoint current;
    friend bool operator==(const Shot&, const Shot&) = default;
};

Shot shot(const model::GridModel& grid) {
    Shot taken{{}, {grid.row(), grid.col()}};
    for (int r = 0; r < grid.rows(); ++r)
        taken.rows << rowTexts(grid, r);
    return taken;
}

using Change = std::function<void(model::GridModel&)>;

} // namespace

Q_DECLARE_METATYPE(Change)

class TestGridHistory : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Each kind of step, undone, gives back the grid exactly as it was, and redone, exactly as
    // the step left it; a second round trip does the same.
    void undoAndRedoRestoreTheGridExactly_data() {
        QTest::addColumn<Change>("change");
        QTest::newRow("cell") << Change(
            [](model::GridModel& g) { g.setTextMatrix(2, 1, QStringLiteral("new")); });
        QTest::newRow("caption") << Change(
            [](model::GridModel& g) { g.setTextMatrix(0, 3, QString()); });
        QTest::newRow("add row") << Change([](model::GridModel& g) { editing::addRow(g); });
        QTest::newRow("delete row") << Change([](model::GridModel& g) {
            g.setCurrentCell(2, 1);
            editing::deleteRow(g);
        });
        QTest::newRow("delete last row") << Change([](model::GridModel& g) {
            g.setCurrentCell(3, 4);
            editing::deleteRow(g);
        });
        QTest::newRow("add column") << Change([](model::GridModel& g) {
            g.setCurrentCell(1, 2);
            editing::addColumn(g);
        });
        QTest::newRow("delete column")
            << Change([](model::GridModel& g) { editing::deleteColumn(g); });
        QTest::newRow("move column") << Change([](model::GridModel& g) {
            g.setCurrentCell(1, 0);
            editing::moveLastColumnToCurrent(g);
        });
        QTest::newRow("sort") << Change([](model::GridModel& g) { editing::sortByColumn(g, 1); });
        QTest::newRow("sort descending")
            << Change([](model::GridModel& g) { editing::sortByColumn(g, 1, true); });
        QTest::newRow("a command with its edits") << Change([](model::GridModel& g) {
            g.setTextMatrix(1, 0, QStringLiteral("first"));
            editing::addColumn(g);
            g.setTextMatrix(1, 0, QStringLiteral("second"));
            editing::sortByColumn(g, 0);
        });
    }
    void undoAndRedoRestoreTheGridExactly() {
        QFETCH(Change, change);
        model::GridModel grid;
        grid.setSortKeyMaker(&editing::journalSortKey);
        fillGrid(grid, cells(QStringLiteral("ABCDE")),
                 {cells(QStringLiteral("bqx_1")), cells(QStringLiteral("azy_2")),
                  cells(QStringLiteral("c_w93"))});
        grid.setCurrentCell(3, 3);
        editing::GridHistory history(grid);
        const Shot before = shot(grid);
        {
            const auto step = history.step(QStringLiteral("step"));
            change(grid);
        }
        const Shot after = shot(grid);
        QVERIFY(after != before);
        for (int round = 0; round < 2; ++round) {
            QVERIFY(history.undo());
            QCOMPARE(shot(grid), before);
            QVERIFY(!history.undo());
            QVERIFY(history.redo());
            QCOMPARE(shot(grid), after);
        }
    }

    // Typing into one cell is one step, however many keys; a step that changes nothing is not
    // kept; a whole new grid (opening a journal) ends the history.
    void stepsMergeAndEnd() {
        model::GridModel grid;
        editing::GridHistory history(grid);
        for (const char* typed : {"1", "15", "15."}) {
            const auto step =
                history.step(QStringLiteral("typing"), editing::GridHistory::InputLineEntry);
            grid.setText(QString::fromLatin1(typed));
        }
        { const auto nothing = history.step(QStringLiteral("nothing")); }
        QCOMPARE(history.stack().count(), 1);
        QVERIFY(history.undo());
        QCOMPARE(grid.text(), QString());
        QVERIFY(history.redo());
        {
            const auto step = history.step(QStringLiteral("open"));
            grid.setFormatString(core::headerFormat());
        }
        QVERIFY(!history.undo());
    }
};

QTEST_GUILESS_MAIN(TestGridHistory)
#include "tst_gridhistory.moc"
