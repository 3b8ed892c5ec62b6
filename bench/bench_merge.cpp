// The three-way merge a save makes when another copy saved the same register meanwhile.
#include "benchjournals.h"
#include "core/journalformat.h"
#include "journal/journalmerge.h"
#include "model/gridmodel.h"

namespace {

using bench::benchJournal;

// Both copies opened the same register; each then changed `changes` cells spread over it (every
// few rows a different one), and the other one also added and deleted a few rows. The merge
// plans against the base and is made in the grid.
void mergeRegisters(benchmark::State& state) {
    const auto& journal = benchJournal(int(state.range(0)));
    const int changes = 200;
    const int rows = journal.rows;
    // The other copy's save, as its file.
    model::GridModel other;
    bench::fillGridAsOpened(other, journal);
    for (int i = 0; i < changes; ++i)
        other.setText((i * 7919) % rows, 7, QStringLiteral("Другой механик %1").arg(i));
    for (int i = 0; i < 5; ++i)
        other.removeRows(rows / 2 - 1, 1);
    for (int i = 0; i < 5; ++i)
        other.appendRow({QStringLiteral("Новый владелец %1").arg(i), QStringLiteral("ЭКР"),
                         QStringLiteral("1"), QStringLiteral("Н%1").arg(i)});
    const QByteArray theirs = core::writeJournal(other.dataRows());
    model::GridModel grid;
    for (auto _ : state) {
        bench::fillGridAsOpened(grid, journal);
        for (int i = 0; i < changes; ++i)
            grid.setText((i * 104729) % rows, 2, QStringLiteral("№ %1").arg(i));
        // Both files are read as the save reads them: the base kept, the file found.
        bench::timeIteration(state, [&] {
            const core::ReadResult base = core::readJournal(journal.fileBytes);
            const core::ReadResult found = core::readJournal(theirs);
            const journal::JournalMerge merge(base.rows, found.rows, grid);
            merge.apply(grid, std::vector<bool>(merge.conflicts().size(), false));
        });
        benchmark::DoNotOptimize(grid.rowCount());
    }
}
BENCHMARK(mergeRegisters)
    ->Name("merge")
    ->Apply(bench::registerSizes)
    ->Unit(benchmark::kMillisecond);

} // namespace
