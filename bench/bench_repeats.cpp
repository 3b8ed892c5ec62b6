// Numbers registered twice: storing a serial with its check against this year's register and its
// tooltip naming 20 archives' rows, the grid's index made, and the first look at those archives.
#include "benchjournals.h"
#include "core/journalcolumns.h"
#include "journal/archiveserials.h"
#include "journalgenerator.h"
#include "model/gridmodel.h"
#include "model/registerstate.h"

#include <QDir>
#include <QTemporaryDir>
#include <optional>

namespace {

using bench::benchJournal;
using bench::fillGridAsOpened;
using bench::timeIteration;

constexpr int Archives = 20;
constexpr int ArchiveRows = 32767;

// A program folder holding 20 generated archives of 32,767 rows, made once for the run.
const QString& archiveFolder() {
    static QTemporaryDir folder;
    static const bool written = [] {
        QDir(folder.path()).mkdir(QStringLiteral("Archive"));
        for (int i = 0; i < Archives; ++i)
            if (!bench::writeGeneratedJournal(
                    folder.filePath(QStringLiteral("Archive/%1.csv").arg(2000 + i)), ArchiveRows,
                    bench::RegisterSeed + quint64(i) + 1))
                return false;
        return true;
    }();
    static const QString path = written ? folder.path() : QString();
    return path;
}

// Every archive read and indexed, as when the window opens its first journal.
void firstLook(benchmark::State& state) {
    if (archiveFolder().isEmpty()) {
        state.SkipWithError("the archives could not be written");
        return;
    }
    for (auto _ : state) {
        journal::ArchiveSerials archives(archiveFolder());
        timeIteration(state, [&] { archives.refresh(); });
        if (archives.reads() != Archives) {
            state.SkipWithError("not every archive was read");
            break;
        }
    }
}
BENCHMARK(firstLook)
    ->Name("repeats: first look at 20 archives of 32,767 rows")
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(5);

// The grid's numbers counted afresh, as after any change.
void wholePass(benchmark::State& state) {
    const auto& journal = benchJournal(int(state.range(0)));
    model::GridModel grid;
    fillGridAsOpened(grid, journal);
    for (auto _ : state) {
        std::optional<model::SerialRepeats> index;
        timeIteration(state, [&] { index.emplace(grid); });
        if (!index->column(model::FactoryNumber)) {
            state.SkipWithError("the index was not made");
            break;
        }
    }
}
BENCHMARK(wholePass)
    ->Name("repeats: the grid's numbers indexed")
    ->Arg(32767)
    ->Arg(1000000)
    ->ArgName("rows")
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(5);

// A serial stored in the middle of the register, by turns one an archive holds and a new one:
// the grid's numbers are counted again, the archives are looked at again (a stat each: the periodic
// look, falling on this store) and the cell's tooltip is made, naming the archive's rows. A number
// only an archive holds is no repeat: the cell is not marked.
void oneStore(benchmark::State& state) {
    const auto& journal = benchJournal(int(state.range(0)));
    model::GridModel grid;
    fillGridAsOpened(grid, journal);
    journal::ArchiveSerials archives(archiveFolder());
    archives.refresh();
    const double heapBefore = bench::heapInUseMegabytes();
    const model::RegisterState registerState(grid, {});
    const auto index = [&]() -> const model::SerialRepeats& { return registerState.repeats(); };
    index();
    state.counters["index_mb"] = bench::heapInUseMegabytes() - heapBefore;
    const int row = grid.rowCount() / 2;
    // The serial of an archive's row (the generated file's 4th cell of its 10th line).
    QFile archive(archiveFolder() + QStringLiteral("/Archive/2007.csv"));
    archive.open(QIODevice::ReadOnly);
    for (int line = 1; line < 10; ++line)
        archive.readLine();
    const QString known = QString::fromLatin1(archive.readLine()).section(u';', 3, 3);
    const QString numbers[] = {known, QStringLiteral("99-NEW-01")};
    int turn = 0;
    QString tip;
    for (auto _ : state) {
        const bool archived = turn % 2 == 0;
        const QString& number = numbers[turn++ % 2];
        timeIteration(state, [&] {
            grid.setText(row, core::SerialNumber, number);
            archives.refresh();
            tip = journal::alreadyThereText(
                index().otherRows(row, core::SerialNumber),
                archives.places(model::FactoryNumber,
                                index().fingerprint(row, core::SerialNumber)));
        });
        if (index().marked(row, core::SerialNumber) || tip.isEmpty() == archived) {
            state.SkipWithError("the stored serial was not checked");
            break;
        }
    }
}
BENCHMARK(oneStore)
    ->Name("repeats: one serial stored, checked against 20 archives")
    ->Arg(32767)
    ->Arg(1000000)
    ->ArgName("rows")
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(20);

} // namespace
