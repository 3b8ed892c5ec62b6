// The grid members that every whole-register operation is built from, measured on their own so
// that a slow operation can be traced to its pass over the grid.
#include "benchjournals.h"
#include "core/journalcolumns.h"
#include "model/gridmodel.h"

namespace {

using bench::benchJournal;
using bench::fillGridAsOpened;
using bench::timeIteration;

// Growing the grid a row at a time, as a reader that appends each line does.
void gridAppendRows(benchmark::State& state) {
    const auto& journal = benchJournal(int(state.range(0)));
    for (auto _ : state) {
        model::GridModel grid;
        grid.setColumnCount(core::FileColumns);
        bench::settleHeap();
        timeIteration(state, [&] {
            for (int r = 0; r < journal.rows; ++r) {
                grid.setRowCount(r + 1);
                for (int c = 0; c < 8; ++c)
                    grid.setText(r, c, journal.cells[qsizetype(r) * 8 + c]);
            }
        });
    }
}
BENCHMARK(gridAppendRows)->Name("grid: append row by row")->Apply(bench::registerSizesToMillion);

// Reading every cell of columns 0 .. 7 through the checked member, as writing and printing do.
void gridReadEveryCell(benchmark::State& state) {
    const auto& journal = benchJournal(int(state.range(0)));
    model::GridModel grid;
    fillGridAsOpened(grid, journal);
    for (auto _ : state) {
        qsizetype characters = 0;
        timeIteration(state, [&] {
            for (int r = 0; r < grid.rowCount(); ++r)
                for (int c = 0; c < 8; ++c)
                    characters += grid.text(r, c).size();
        });
        benchmark::DoNotOptimize(characters);
    }
}
BENCHMARK(gridReadEveryCell)->Name("grid: read every cell")->Apply(bench::registerSizesToMillion);

// Writing one column of every row, the write half of the block-date pass. Two texts take turns
// so that every write changes the cell.
void gridWriteColumn(benchmark::State& state) {
    const auto& journal = benchJournal(int(state.range(0)));
    model::GridModel grid;
    fillGridAsOpened(grid, journal);
    const QString dates[] = {QStringLiteral("01.05.2010"), QStringLiteral("01.06.2010")};
    int turn = 0;
    for (auto _ : state) {
        const QString& date = dates[turn++ % 2];
        timeIteration(state, [&] {
            for (int r = 0; r < grid.rowCount(); ++r)
                grid.setText(r, core::BlockDate, date);
        });
    }
}
BENCHMARK(gridWriteColumn)->Name("grid: write one column")->Apply(bench::registerSizesToMillion);

// Sorting all rows with the grid's generic key (numbers, then texts by code point).
void gridSortGeneric(benchmark::State& state, int column) {
    const auto& journal = benchJournal(int(state.range(0)));
    for (auto _ : state) {
        model::GridModel grid;
        fillGridAsOpened(grid, journal);
        bench::settleHeap();
        timeIteration(state, [&] { grid.sort(column); });
    }
}
BENCHMARK_CAPTURE(gridSortGeneric, owner, int(core::Owner))
    ->Name("grid: sort, generic key, text column")
    ->Apply(bench::registerSizesToMillion);
BENCHMARK_CAPTURE(gridSortGeneric, activation, int(core::ActivationDate))
    ->Name("grid: sort, generic key, date column")
    ->Apply(bench::registerSizesToMillion);

// Moving the last column to the front, the rotation behind every column move.
void gridColumnPosition(benchmark::State& state) {
    const auto& journal = benchJournal(int(state.range(0)));
    model::GridModel grid;
    fillGridAsOpened(grid, journal);
    for (auto _ : state)
        timeIteration(state, [&] { grid.moveColumnTo(grid.columnCount() - 1, 0); });
}
BENCHMARK(gridColumnPosition)->Name("grid: move a column")->Apply(bench::registerSizesToMillion);

// One more column at the right, the storage half of inserting a column.
void gridAddColumn(benchmark::State& state) {
    const auto& journal = benchJournal(int(state.range(0)));
    for (auto _ : state) {
        model::GridModel grid;
        fillGridAsOpened(grid, journal);
        bench::settleHeap();
        timeIteration(state, [&] { grid.setColumnCount(grid.columnCount() + 1); });
    }
}
BENCHMARK(gridAddColumn)->Name("grid: add a column")->Apply(bench::registerSizesToMillion);

} // namespace
