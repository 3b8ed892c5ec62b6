#include "core/journalcolumns.h"
#include "editing/gridhistory.h"
#include "editing/journalsortkey.h"
#include "editing/rowcolumncommands.h"
#include "support/gridtexts.h"

#include <QItemSelectionModel>
#include <QTest>
#include <functional>

namespace {

// Everything undo must restore: every cell, the grid's shape and the current cell.
struct Shot {
    QList<QStringList> rows;
    QPoint current;
    friend bool operator==(const Shot&, const Shot&) = default;
};

Shot shot(const model::GridModel& grid, const QItemSelectionModel& selection) {
    Shot taken{{grid.captions()},
               {selection.currentIndex().row(), selection.currentIndex().column()}};
    taken.rows += grid.dataRows();
    return taken;
}

void setCurrent(QItemSelectionModel& selection, int row, int col) {
    selection.setCurrentIndex(selection.model()->index(row, col),
                              QItemSelectionModel::ClearAndSelect);
}

using Change = std::function<void(model::GridModel&, QItemSelectionModel&)>;

} // namespace

Q_DECLARE_METATYPE(Change)

class TestGridHistory : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Each kind of step, undone, gives back the grid exactly as it was, and redone, exactly as
    // the step left it; a second round trip does the same.
    void undoAndRedoRestoreTheGridExactly_data() {
        QTest::addColumn<Change>("change");
        QTest::newRow("cell") << Change([](model::GridModel& g, QItemSelectionModel&) {
            g.setText(1, 1, QStringLiteral("new"));
        });
        QTest::newRow("caption") << Change(
            [](model::GridModel& g, QItemSelectionModel&) { g.setCaption(3, QString()); });
        QTest::newRow("add row") << Change(
            [](model::GridModel& g, QItemSelectionModel&) { g.appendRow(); });
        QTest::newRow("delete row") << Change([](model::GridModel& g, QItemSelectionModel& s) {
            setCurrent(s, 1, 1);
            g.removeRows(1, 1);
        });
        QTest::newRow("delete last row") << Change([](model::GridModel& g, QItemSelectionModel& s) {
            setCurrent(s, 2, 4);
            g.removeRows(2, 1);
        });
        QTest::newRow("add column") << Change([](model::GridModel& g, QItemSelectionModel& s) {
            setCurrent(s, 0, 2);
            g.insertColumns(2, 1);
        });
        QTest::newRow("delete column") << Change([](model::GridModel& g, QItemSelectionModel&) {
            g.removeColumns(g.columnCount() - 1, 1);
        });
        QTest::newRow("move column") << Change([](model::GridModel& g, QItemSelectionModel& s) {
            setCurrent(s, 0, 0);
            editing::moveLastColumnTo(g, 0);
        });
        QTest::newRow("sort") << Change(
            [](model::GridModel& g, QItemSelectionModel&) { editing::sortByColumn(g, 0); });
        QTest::newRow("sort descending") << Change(
            [](model::GridModel& g, QItemSelectionModel&) { editing::sortByColumn(g, 1, true); });
        QTest::newRow("a command with its edits")
            << Change([](model::GridModel& g, QItemSelectionModel&) {
                   g.setText(0, 0, QStringLiteral("first"));
                   g.insertColumns(0, 1);
                   g.setText(0, 0, QStringLiteral("second"));
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
        QItemSelectionModel selection(&grid);
        setCurrent(selection, 2, 3);
        editing::GridHistory history(grid, selection);
        const Shot before = shot(grid, selection);
        {
            const auto step = history.step(QStringLiteral("step"));
            change(grid, selection);
        }
        const Shot after = shot(grid, selection);
        QVERIFY(after != before);
        for (int round = 0; round < 2; ++round) {
            QVERIFY(history.undo());
            QCOMPARE(shot(grid, selection), before);
            QVERIFY(!history.undo());
            QVERIFY(history.redo());
            QCOMPARE(shot(grid, selection), after);
        }
    }

    // Typing into one cell is one step, however many keys; a step that changes nothing is not
    // kept; a whole new grid (opening a journal) ends the history.
    void stepsMergeAndEnd() {
        model::GridModel grid;
        QItemSelectionModel selection(&grid);
        editing::GridHistory history(grid, selection);
        for (const char* typed : {"1", "15", "15."}) {
            const auto step =
                history.step(QStringLiteral("typing"), editing::GridHistory::InputLineEntry);
            grid.setText(0, 0, QString::fromLatin1(typed));
        }
        { const auto nothing = history.step(QStringLiteral("nothing")); }
        QCOMPARE(history.stack().count(), 1);
        QVERIFY(history.undo());
        QCOMPARE(grid.text(0, 0), QString());
        QVERIFY(history.redo());
        {
            const auto step = history.step(QStringLiteral("open"));
            grid.setHeaderFormat(core::headerFormat());
        }
        QVERIFY(!history.undo());
    }
};

QTEST_GUILESS_MAIN(TestGridHistory)
#include "tst_gridhistory.moc"
