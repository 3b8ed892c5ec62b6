// The register's state: judging every row of an opened register against today, counting the
// blocked units and those that block soon, and counting the numbers registered twice.
#include "benchjournals.h"
#include "core/journalcolumns.h"
#include "journal/journalgrid.h"
#include "model/gridmodel.h"
#include "model/registerstate.h"

namespace {

using bench::benchJournal;
using bench::fillGridAsOpened;
using bench::timeIteration;

// The generated registers hold units activated 2004 .. 2013; judged in mid-2010 some have
// blocked, some block soon and most are still clear.
const QDate JudgedOn(2010, 6, 15);

bool countsLookRight(benchmark::State& state, const model::RegisterState& registerState) {
    const model::BlockCounts counts = registerState.blocks().counts();
    if (counts.blocked > 0 && counts.soon > 0 && counts.blocked + counts.soon < state.range(0))
        return true;
    state.SkipWithError("the counts do not show a mix of blocked, soon and clear rows");
    return false;
}

// The whole pass that follows any change; measured through a new day, which changes nothing
// else.
void wholeRegister(benchmark::State& state) {
    const auto& journal = benchJournal(int(state.range(0)));
    model::GridModel grid;
    fillGridAsOpened(grid, journal);
    model::RegisterState registerState(grid, JudgedOn);
    int turn = 1; // the first run already meets a new day
    for (auto _ : state) {
        const QDate day = JudgedOn.addDays(turn++ % 2);
        timeIteration(state, [&] {
            registerState.setToday(day);
            registerState.settle();
        });
        if (!countsLookRight(state, registerState))
            break;
    }
}
BENCHMARK(wholeRegister)->Name("register state")->Apply(bench::registerSizesToMillion);

// One block date stored in the middle of the register, and the state read again, as a click
// that stores a cell does.
void oneEdit(benchmark::State& state) {
    const auto& journal = benchJournal(int(state.range(0)));
    model::GridModel grid;
    fillGridAsOpened(grid, journal);
    model::RegisterState registerState(grid, JudgedOn);
    const int row = grid.rowCount() / 2;
    const QString dates[] = {QStringLiteral("01.06.2010"), QStringLiteral("01.07.2010")};
    int turn = 0;
    for (auto _ : state) {
        const QString& date = dates[turn++ % 2];
        timeIteration(state, [&] {
            grid.setText(row, core::BlockDate, date);
            registerState.settle();
        });
        if (registerState.blocks().state(row) == model::BlockState::Clear) {
            state.SkipWithError("the edited row was not judged again");
            break;
        }
    }
}
BENCHMARK(oneEdit)->Name("register state, one edit")->Apply(bench::registerSizesToMillion);

// The block-date pass writing every row beside the register's state, as on opening a register
// whose block dates are missing; the state is worked out again once at the end.
void fillWatched(benchmark::State& state) {
    const auto& journal = benchJournal(int(state.range(0)));
    model::GridModel grid;
    fillGridAsOpened(grid, journal);
    model::RegisterState registerState(grid, JudgedOn);
    for (auto _ : state) {
        for (int r = 0; r < grid.rowCount(); ++r)
            grid.setText(r, core::BlockDate, QString());
        bench::settleHeap();
        timeIteration(state, [&] {
            journal::fillBlockDates(grid, registerState.blocks());
            registerState.settle();
        });
        if (!countsLookRight(state, registerState))
            break;
    }
}
BENCHMARK(fillWatched)
    ->Name("block dates beside the state, every one written")
    ->Apply(bench::registerSizesToMillion);

} // namespace
