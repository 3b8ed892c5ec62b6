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

// Puts the register into the grid the way opening it leaves the grid: the journal header in
// row 0, one data row per line, nine columns (the file's final ";" opens an empty ninth).
// Every cell is the grid's own copy, so the operation measured pays no copy-on-write.
void fillGridAsOpened(GridModel& grid, const BenchJournal& journal);

// Adds every register size as an argument and measures wall-clock time in milliseconds.
void registerSizes(benchmark::internal::Benchmark* benchmark);

// Times one run of `operation` as the iteration's time (manual timing), leaving the set-up
// done before it outside the figure.
template <typename Operation> void timeIteration(benchmark::State& state, Operation&& operation) {
    const auto start = std::chrono::steady_clock::now();
    operation();
    const auto end = std::chrono::steady_clock::now();
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
}

} // namespace bench
