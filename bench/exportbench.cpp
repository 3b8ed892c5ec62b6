// Export of a register to .xlsx and .ods, as "Экспорт…" and `eklz-journal --export` write it:
// the sheet built from the grid, the file written under a temporary and renamed into place.
// Its own program (eklz-export-bench), beside eklz-bench: Google Benchmark, Release, wall-clock
// time of one export per repetition, with the processor time and the wait for a processor, the
// file's size and the peak memory of the process (VmHWM, reset before each run to what the
// process holds then: run one benchmark per process for the export's own peak).
#include "core/journalcolumns.h"
#include "exchange/exportfile.h"
#include "exchange/exportsheet.h"
#include "journalgenerator.h"
#include "model/blockjudgement.h"
#include "model/gridmodel.h"

#include <QCoreApplication>
#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>
#include <ctime>
#include <map>
#include <memory>

namespace {

constexpr quint64 Seed = 20090315;
const QDate Today(2026, 12, 8);

// The grid as an opened register holds it, kept for the whole run.
const model::GridModel& registerOf(int rows) {
    static std::map<int, std::unique_ptr<model::GridModel>> grids;
    auto& grid = grids[rows];
    if (!grid) {
        grid = std::make_unique<model::GridModel>();
        grid->setHeaderFormat(core::headerFormat());
        const QList<QString> cells = bench::JournalGenerator(Seed).rows(rows);
        QList<QStringList> units;
        units.reserve(rows);
        for (qsizetype r = 0; r < rows; ++r)
            units << cells.mid(r * bench::JournalFields, bench::JournalFields);
        grid->replaceDataRows(std::move(units));
    }
    return *grid;
}

// The peak resident memory since the last reset, in megabytes; resetting makes the next peak
// that of what runs after it.
double peakMegabytes(bool reset) {
    if (reset) {
        QFile clear(QStringLiteral("/proc/self/clear_refs"));
        if (clear.open(QIODevice::WriteOnly))
            clear.write("5");
        return 0;
    }
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024;
    return 0;
}

// The processor time this thread has used, and how long it waited for a processor, in
// milliseconds: on a machine shared with other work the wall-clock time less the wait is what an
// idle one would show.
double threadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}
double threadWaitedMs() {
    QFile schedstat(QStringLiteral("/proc/thread-self/schedstat"));
    if (!schedstat.open(QIODevice::ReadOnly))
        return 0;
    return schedstat.readAll().split(' ').value(1).toDouble() / 1e6;
}

enum Kind { Xlsx, Ods };

void exportRegister(benchmark::State& state, Kind kind) {
    const model::GridModel& grid = registerOf(int(state.range(0)));
    const model::BlockJudgement watch(grid, Today);
    QTemporaryDir folder;
    const QString path =
        folder.filePath(kind == Ods ? QStringLiteral("out.ods") : QStringLiteral("out.xlsx"));
    for (auto _ : state) {
        QFile::remove(path);
        peakMegabytes(true);
        const double before = peakMegabytes(false);
        const double cpuStart = threadCpuMs();
        const double waitedStart = threadWaitedMs();
        const auto start = std::chrono::steady_clock::now();
        const exchange::ExportSheet sheet = exchange::sheetFromGrid(grid, watch);
        const exchange::ExportOutcome outcome = exchange::exportSheet(sheet, path);
        const auto end = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
        state.counters["cpu_ms"] = threadCpuMs() - cpuStart;
        state.counters["waited_ms"] = threadWaitedMs() - waitedStart;
        if (!outcome.ok) {
            state.SkipWithError(qPrintable(outcome.message));
            break;
        }
        state.counters["file_mb"] = double(QFileInfo(path).size()) / (1 << 20);
        state.counters["peak_mb"] = peakMegabytes(false);
        state.counters["peak_over_grid_mb"] = peakMegabytes(false) - before;
    }
}

void sizes(benchmark::internal::Benchmark* benchmark) {
    benchmark->Arg(32767)->Arg(1000000)->ArgName("rows")->Unit(benchmark::kMillisecond);
    benchmark->UseManualTime()->Iterations(1);
}

BENCHMARK_CAPTURE(exportRegister, xlsx, Xlsx)->Name("export/xlsx")->Apply(sizes);
BENCHMARK_CAPTURE(exportRegister, ods, Ods)->Name("export/ods")->Apply(sizes);

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
