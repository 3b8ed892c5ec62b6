#pragma once

#include "core/prompter.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <benchmark/benchmark.h>
#include <chrono>

// Under callgrind (started with --instr-atstart=no) only the measured operations are counted, so
// that instruction counts tell the code's own growth from the memory system's.
#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#else
#define CALLGRIND_START_INSTRUMENTATION
#define CALLGRIND_STOP_INSTRUMENTATION
#endif

namespace model {
class GridModel;
}

// The registers the benchmarks run on, generated once per size and kept for the whole run.
namespace bench {

// The register lengths every operation is measured at: small, large, the largest the program
// was designed for, and three times that.
inline constexpr int RegisterSizes[] = {1000, 10000, 32767, 100000};
// The same and 1,000,000 rows, for the operations cheap enough to repeat at that length: the
// growth verdict compares their processor time per row there with that at 10,000 rows.
inline constexpr int RegisterSizesToMillion[] = {1000, 10000, 32767, 100000, 1000000};
inline constexpr quint64 RegisterSeed = 20090315;

struct BenchJournal {
    int rows = 0;
    QList<QString> cells;  // rows × 8 texts, as generated
    QByteArray fileBytes;  // the same register as a journal file
    QString programFolder; // a folder holding it as thisyear.csv
    QString filePath;      // that file
};

const BenchJournal& benchJournal(int rows);

// Answers every question of the window "Нет" and shows nothing.
class SilentPrompter : public core::Prompter {
public:
    QString inputBox(const QString&, const QString&) override { return {}; }
    void message(const QString&) override {}
    bool question(const QString&) override { return false; }
    KeepChanges askToKeepChanges(const QString&) override { return KeepChanges::Discard; }
};

// Puts the register into the grid the way "Открыть журнал" leaves it, block dates aside (the
// generated file holds them already): the journal's captions, one row per line.
void fillGridAsOpened(model::GridModel& grid, const BenchJournal& journal);

// The rows of that grid, each text a copy of its own, for GridModel::replaceDataRows.
QList<QStringList> rowsAsOpened(const BenchJournal& journal);

// Tidies the heap after a set-up that freed a large grid. The C library puts that off until
// the next large allocation, which would make the operation measured next pay for the set-up.
// The freed memory stays with the program, as it would in a running window.
void settleHeap();

// The memory the program's heap holds in use, in megabytes (the C library's count).
double heapInUseMegabytes();

// Adds every register size as an argument and measures wall-clock time in milliseconds, one
// run per repetition (each run begins by emptying the caches, which costs more than many a run).
void registerSizes(benchmark::internal::Benchmark* benchmark);
void registerSizesToMillion(benchmark::internal::Benchmark* benchmark);

// Pushes everything out of the processor's caches, so that the operation measured next meets
// the register in memory, as a command the user gives after other work does.
void evictCaches();

// The processor time this thread has used so far (user and system), in milliseconds.
double threadCpuMs();

// How long this thread has been ready to run but waited for a processor, in milliseconds
// (/proc schedstat; 0 where the kernel does not keep it).
double threadWaitedMs();

// Times one run of `operation` as the iteration's time (manual timing), leaving the set-up
// done before it outside the figure. The operation meets the register in memory, not in the
// cache the set-up or the previous run left it in: in the window every command follows other
// work, and a register of 10,000 rows kept in the cache by a loop would seem several times
// cheaper per row than one of 1,000,000, and more or less so with whatever the other processor
// runs. The thread's processor time for the same run goes into the "cpu_ms" counter, and its
// wait for a processor into "waited_ms": on a busy machine the wall-clock time less that wait
// is close to what an idle machine would show.
template <typename Operation> void timeIteration(benchmark::State& state, Operation&& operation) {
    evictCaches();
    const double waitedStart = threadWaitedMs();
    const double cpuStart = threadCpuMs();
    const auto start = std::chrono::steady_clock::now();
    CALLGRIND_START_INSTRUMENTATION;
    operation();
    CALLGRIND_STOP_INSTRUMENTATION;
    const auto end = std::chrono::steady_clock::now();
    const double cpuEnd = threadCpuMs();
    benchmark::Counter& cpu = state.counters["cpu_ms"];
    cpu.value += cpuEnd - cpuStart;
    cpu.flags = benchmark::Counter::kAvgIterations;
    benchmark::Counter& waited = state.counters["waited_ms"];
    waited.value += threadWaitedMs() - waitedStart;
    waited.flags = benchmark::Counter::kAvgIterations;
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
}

} // namespace bench
