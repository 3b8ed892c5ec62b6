// Sorting, searching and the column commands, as the window runs them on an opened register.
#include "benchjournals.h"
#include "core/journalcolumns.h"
#include "editing/findcell.h"
#include "editing/gridhistory.h"
#include "editing/journalsortkey.h"
#include "editing/rowcolumncommands.h"
#include "model/gridmodel.h"

#include <QItemSelectionModel>
#include <optional>

namespace {

using bench::benchJournal;
using bench::fillGridAsOpened;
using bench::timeIteration;

// The current cell where an opening leaves it: the last cell of the last row.
void setCurrentAsOpened(QItemSelectionModel& selection) {
    const QAbstractItemModel& grid = *selection.model();
    selection.setCurrentIndex(grid.index(grid.rowCount() - 1, grid.columnCount() - 1),
                              QItemSelectionModel::ClearAndSelect);
}

// A click on a column's header: all rows sorted by it with the journal's sort key.
void sortByColumn(benchmark::State& state, int column) {
    const auto& journal = benchJournal(int(state.range(0)));
    model::GridModel grid;
    grid.setSortKeyMaker(&editing::journalSortKey);
    for (auto _ : state) {
        fillGridAsOpened(grid, journal);
        bench::settleHeap();
        bool sorted = false;
        timeIteration(state, [&] { sorted = editing::sortByColumn(grid, column); });
        if (!sorted) {
            state.SkipWithError("the sort did not run");
            break;
        }
    }
}
BENCHMARK_CAPTURE(sortByColumn, owner, int(core::Owner))
    ->Name("sort text")
    ->Apply(bench::registerSizesToMillion);
BENCHMARK_CAPTURE(sortByColumn, activation, int(core::ActivationDate))
    ->Name("sort date")
    ->Apply(bench::registerSizesToMillion);

// "Поиск" for a word no row holds: every cell of the column is looked at. Searched again at once
// (the column still in the cache), 10,000 rows took 12 ns a row against 38 ns met fresh, which
// made the search seem to grow faster than the register: timeIteration meets it fresh.
void searchWithoutMatch(benchmark::State& state) {
    const auto& journal = benchJournal(int(state.range(0)));
    model::GridModel grid;
    fillGridAsOpened(grid, journal);
    const QString word = QStringLiteral("Несуществующее");
    for (auto _ : state) {
        std::optional<int> found;
        timeIteration(state, [&] { found = editing::searchColumn(grid, core::Owner, word); });
        if (found) {
            state.SkipWithError("the word was found");
            break;
        }
    }
}
BENCHMARK(searchWithoutMatch)->Name("search no match")->Apply(bench::registerSizesToMillion);

// "Найти" in all columns for a word no cell holds: every cell of the register is looked at.
void findWithoutMatch(benchmark::State& state) {
    const auto& journal = benchJournal(int(state.range(0)));
    model::GridModel grid;
    fillGridAsOpened(grid, journal);
    const core::FindText word(QStringLiteral("Щербаков"));
    for (auto _ : state) {
        std::optional<editing::FoundCell> found;
        timeIteration(state, [&] { found = editing::findCell(grid, word, 0, 0, true, true); });
        if (found) {
            state.SkipWithError("the word was found");
            break;
        }
    }
}
BENCHMARK(findWithoutMatch)->Name("find no match")->Apply(bench::registerSizesToMillion);

// "Переместить колонки": the rightmost column goes in front of the first.
void columnMove(benchmark::State& state) {
    const auto& journal = benchJournal(int(state.range(0)));
    model::GridModel grid;
    fillGridAsOpened(grid, journal);
    for (auto _ : state) {
        bool moved = false;
        timeIteration(state, [&] { moved = editing::moveLastColumnTo(grid, 0); });
        if (!moved) {
            state.SkipWithError("the column did not move");
            break;
        }
    }
}
BENCHMARK(columnMove)->Name("column move")->Apply(bench::registerSizesToMillion);

// "Добавить колонку" at the first column; the rightmost column is removed again unmeasured so
// that every insert meets a grid of the same width.
void columnInsert(benchmark::State& state) {
    const auto& journal = benchJournal(int(state.range(0)));
    model::GridModel grid;
    fillGridAsOpened(grid, journal);
    const int cols = grid.columnCount();
    for (auto _ : state) {
        bool inserted = false;
        timeIteration(state, [&] { inserted = grid.insertColumns(0, 1); });
        if (!inserted || grid.columnCount() != cols + 1) {
            state.SkipWithError("no column was inserted");
            break;
        }
        grid.removeColumns(grid.columnCount() - 1, 1);
        bench::settleHeap();
    }
}
BENCHMARK(columnInsert)->Name("column insert")->Apply(bench::registerSizesToMillion);

// Ctrl+Z and Ctrl+Y after a header sort, or after "Удалить колонку" (which keeps the removed
// column's cells): each undo and redo timed apart.
template <typename Change>
void undoAndRedo(benchmark::State& state, bool measureUndo, Change change) {
    const auto& journal = benchJournal(int(state.range(0)));
    model::GridModel grid;
    grid.setSortKeyMaker(&editing::journalSortKey);
    fillGridAsOpened(grid, journal);
    QItemSelectionModel selection(&grid);
    setCurrentAsOpened(selection);
    editing::GridHistory history(grid, selection);
    {
        const auto step = history.step(QStringLiteral("bench"));
        change(grid);
    }
    for (auto _ : state) {
        bool done = false;
        if (measureUndo) {
            timeIteration(state, [&] { done = history.undo(); });
            history.redo();
        } else {
            history.undo();
            timeIteration(state, [&] { done = history.redo(); });
        }
        if (!done) {
            state.SkipWithError("nothing to undo or redo");
            break;
        }
    }
}
const auto sortByOwner = [](model::GridModel& grid) { editing::sortByColumn(grid, core::Owner); };
const auto deleteLastColumn = [](model::GridModel& grid) {
    grid.removeColumns(grid.columnCount() - 1, 1);
};
BENCHMARK_CAPTURE(undoAndRedo, sortUndo, true, sortByOwner)
    ->Name("undo a sort")
    ->Apply(bench::registerSizesToMillion);
BENCHMARK_CAPTURE(undoAndRedo, sortRedo, false, sortByOwner)
    ->Name("redo a sort")
    ->Apply(bench::registerSizesToMillion);
BENCHMARK_CAPTURE(undoAndRedo, deleteUndo, true, deleteLastColumn)
    ->Name("undo a column delete")
    ->Apply(bench::registerSizesToMillion);
BENCHMARK_CAPTURE(undoAndRedo, deleteRedo, false, deleteLastColumn)
    ->Name("redo a column delete")
    ->Apply(bench::registerSizesToMillion);

// 100 header sorts kept in the history: the time of all 100, and the heap memory they hold
// afterwards as "history_mb".
void historyOfSorts(benchmark::State& state) {
    const auto& journal = benchJournal(int(state.range(0)));
    model::GridModel grid;
    grid.setSortKeyMaker(&editing::journalSortKey);
    fillGridAsOpened(grid, journal);
    QItemSelectionModel selection(&grid);
    setCurrentAsOpened(selection);
    for (auto _ : state) {
        editing::GridHistory history(grid, selection);
        const double before = bench::heapInUseMegabytes();
        timeIteration(state, [&] {
            for (int i = 0; i < 100; ++i) {
                const auto step = history.step(QStringLiteral("bench"));
                editing::sortByColumn(grid, i % 2 == 0 ? core::Owner : core::Mechanic);
            }
        });
        state.counters["history_mb"] = bench::heapInUseMegabytes() - before;
    }
}
BENCHMARK(historyOfSorts)->Name("100 sorts kept for undo")->Apply(bench::registerSizes);

} // namespace
