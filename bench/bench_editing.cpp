// Sorting, searching and the column commands, as the window runs them on an opened register.
#include "benchjournals.h"
#include "core/journalcolumns.h"
#include "editing/journalsortkey.h"
#include "editing/rowcolumncommands.h"
#include "editing/search.h"
#include "editing/sortbycolumn.h"
#include "model/gridmodel.h"

namespace {

using bench::benchJournal;
using bench::fillGridAsOpened;
using bench::timeIteration;

// A click on a column's header: all data rows sorted by it with the journal's sort key.
void sortByColumn(benchmark::State& state, int column) {
    const auto& journal = benchJournal(int(state.range(0)));
    GridModel grid;
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
BENCHMARK_CAPTURE(sortByColumn, owner, int(journal::Owner))
    ->Name("sort text")
    ->Apply(bench::registerSizes);
BENCHMARK_CAPTURE(sortByColumn, activation, int(journal::ActivationDate))
    ->Name("sort date")
    ->Apply(bench::registerSizes);

// "Поиск" for a word no row holds: every cell of the column is looked at.
void searchWithoutMatch(benchmark::State& state) {
    const auto& journal = benchJournal(int(state.range(0)));
    GridModel grid;
    fillGridAsOpened(grid, journal);
    grid.setCurrentCell(1, journal::Owner);
    const QString word = QStringLiteral("Несуществующее");
    for (auto _ : state) {
        bool found = true;
        timeIteration(state, [&] { found = editing::searchColumn(grid, word); });
        if (found) {
            state.SkipWithError("the word was found");
            break;
        }
    }
}
BENCHMARK(searchWithoutMatch)->Name("search no match")->Apply(bench::registerSizes);

// "Переместить колонки": the rightmost column goes in front of the first.
void columnMove(benchmark::State& state) {
    const auto& journal = benchJournal(int(state.range(0)));
    GridModel grid;
    fillGridAsOpened(grid, journal);
    for (auto _ : state) {
        grid.setCurrentCell(1, 0);
        bool moved = false;
        timeIteration(state, [&] { moved = editing::moveLastColumnToCurrent(grid); });
        if (!moved) {
            state.SkipWithError("the column did not move");
            break;
        }
    }
}
BENCHMARK(columnMove)->Name("column move")->Apply(bench::registerSizes);

// "Добавить колонку" at the first column; the rightmost column is removed again unmeasured so
// that every insert meets a grid of the same width.
void columnInsert(benchmark::State& state) {
    const auto& journal = benchJournal(int(state.range(0)));
    GridModel grid;
    fillGridAsOpened(grid, journal);
    const int cols = grid.cols();
    for (auto _ : state) {
        grid.setCurrentCell(1, 0);
        bool inserted = false;
        timeIteration(state, [&] { inserted = editing::addColumn(grid); });
        if (!inserted || grid.cols() != cols + 1) {
            state.SkipWithError("no column was inserted");
            break;
        }
        editing::deleteColumn(grid);
        bench::settleHeap();
    }
}
BENCHMARK(columnInsert)->Name("column insert")->Apply(bench::registerSizes);

} // namespace
