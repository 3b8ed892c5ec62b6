// The block-date watch: judging every row of an opened register against today and counting the
// blocked units and those that block soon.
#include "benchjournals.h"
#include "core/journalcolumns.h"
#include "journal/blockdates.h"
#include "model/blockwatch.h"
#include "model/gridmodel.h"

namespace {

using bench::benchJournal;
using bench::fillGridAsOpened;
using bench::timeIteration;

// The generated registers hold units activated 2004 .. 2013; judged in mid-2010 some have
// blocked, some block soon and most are still clear.
const QDate JudgedOn(2010, 6, 15);

bool countsLookRight(benchmark::State& state, const model::BlockWatch& watch) {
    const model::BlockCounts counts = watch.counts();
    if (counts.blocked > 0 && counts.soon > 0 && counts.blocked + counts.soon < state.range(0))
        return true;
    state.SkipWithError("the counts do not show a mix of blocked, soon and clear rows");
    return false;
}

// The whole-register pass that follows a sort, an opening, a moved or renamed column or a new
// day; measured through a new day, which changes nothing else.
void wholeRegister(benchmark::State& state) {
    const auto& journal = benchJournal(int(state.range(0)));
    model::GridModel grid;
    fillGridAsOpened(grid, journal);
    model::BlockWatch watch(grid, JudgedOn);
    int turn = 1; // the first run already meets a new day
    for (auto _ : state) {
        const QDate day = JudgedOn.addDays(turn++ % 2);
        timeIteration(state, [&] { watch.setToday(day); });
        if (!countsLookRight(state, watch))
            break;
    }
}
BENCHMARK(wholeRegister)->Name("block watch")->Apply(bench::registerSizesToMillion);

// One block date changed in the middle of the register: its row is judged again, nothing else.
void oneEdit(benchmark::State& state) {
    const auto& journal = benchJournal(int(state.range(0)));
    model::GridModel grid;
    fillGridAsOpened(grid, journal);
    model::BlockWatch watch(grid, JudgedOn);
    const int row = grid.rows() / 2;
    const QString dates[] = {QStringLiteral("01.06.2010"), QStringLiteral("01.07.2010")};
    int turn = 0;
    for (auto _ : state) {
        const QString& date = dates[turn++ % 2];
        timeIteration(state, [&] { grid.setTextMatrix(row, core::BlockDate, date); });
        if (watch.state(row) == model::BlockState::Clear) {
            state.SkipWithError("the edited row was not judged again");
            break;
        }
    }
}
BENCHMARK(oneEdit)->Name("block watch, one edit")->Apply(bench::registerSizesToMillion);

// The block-date pass writing every row while the window's watch follows each change, as on
// opening a register whose block dates are missing; the counts are sent once at the end.
void fillWatched(benchmark::State& state) {
    const auto& journal = benchJournal(int(state.range(0)));
    model::GridModel grid;
    fillGridAsOpened(grid, journal);
    model::BlockWatch watch(grid, JudgedOn);
    for (auto _ : state) {
        for (int r = 1; r < grid.rows(); ++r)
            grid.setTextMatrix(r, core::BlockDate, QString());
        bench::settleHeap();
        timeIteration(state, [&] {
            const model::BlockWatch::Batch batch(watch);
            journal::fillBlockDates(grid);
        });
        if (!countsLookRight(state, watch))
            break;
    }
}
BENCHMARK(fillWatched)
    ->Name("block dates watched, every one written")
    ->Apply(bench::registerSizesToMillion);

} // namespace
