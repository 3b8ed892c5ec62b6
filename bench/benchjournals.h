#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <benchmark/benchmark.h>
#include <chrono>

class GridModel;

// The registers the benchmarks run on, generated once per size and kept for the whole run.
namespace bench {

// The register lengths every operation is measured at: small, large, the largest the program
// was designed for, and three times that.
inline constexpr int RegisterSizes[] = {1000, 10000, 32767, 100000};
inline constexpr quint64 RegisterSeed = 20090315;

struct BenchJournal {
    int rows = 0;
    QList<QString> cells;  // rows × 8 texts, as generated
    QByteArray fileBytes;  // the same register as a journal file
    QString programFolder; // a folder holding it as thisyear.csv
    QString filePath;      // that file
};

const BenchJournal& benchJournal(int rows);

// Puts the register into the grid the way "Открыть журнал" leaves it, block dates aside (the
// generated file holds them already): the journal header in row 0, one data row per line.
void fillGridAsOpened(GridModel& grid, const BenchJournal& journal);

// The cells of that grid, header row first, each text a copy of its own, for
// GridModel::replaceCells.
QList<QString> gridCellsAsOpened(const BenchJournal& journal);

// Tidies the heap after a set-up that freed a large grid. The C library puts that off until
// the next large allocation, which would make the operation measured next pay for the set-up.
// The freed memory stays with the program, as it would in a running window.
void settleHeap();

// The memory the program's heap holds in use, in megabytes (the C library's count).
double heapInUseMegabytes();

// Adds every register size as an argument and measures wall-clock time in milliseconds.
void registerSizes(benchmark::internal::Benchmark* benchmark);

// The processor time this thread has used so far (user and system), in milliseconds.
double threadCpuMs();

// Times one run of `operation` as the iteration's time (manual timing), leaving the set-up
// done before it outside the figure. The thread's processor time for the same run goes into
// the "cpu_ms" counter: on a busy machine it shows how much of the time was waiting.
template <typename Operation> void timeIteration(benchmark::State& state, Operation&& operation) {
    const double cpuStart = threadCpuMs();
    const auto start = std::chrono::steady_clock::now();
    operation();
    const auto end = std::chrono::steady_clock::now();
    benchmark::Counter& cpu = state.counters["cpu_ms"];
    cpu.value += threadCpuMs() - cpuStart;
    cpu.flags = benchmark::Counter::kAvgIterations;
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
}

} // namespace bench
