#include "benchjournals.h"

#include "core/journalcolumns.h"
#include "journalgenerator.h"
#include "model/gridmodel.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>
#include <malloc.h>
#include <map>
#include <memory>
#include <stdexcept>
#include <time.h>
#include <vector>

namespace bench {

namespace {

QTemporaryDir& scratchFolder() {
    static QTemporaryDir folder;
    if (!folder.isValid())
        throw std::runtime_error("no temporary folder for the benchmark journals");
    return folder;
}

BenchJournal makeJournal(int rows) {
    BenchJournal journal;
    journal.rows = rows;
    journal.cells = JournalGenerator(RegisterSeed).rows(rows);
    journal.fileBytes = journalFileBytes(journal.cells);
    journal.programFolder = scratchFolder().filePath(QString::number(rows));
    journal.filePath = journal.programFolder + QStringLiteral("/thisyear.csv");
    QDir().mkpath(journal.programFolder);
    QFile file(journal.filePath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(journal.fileBytes) != journal.fileBytes.size())
        throw std::runtime_error("cannot write a benchmark journal");
    return journal;
}

} // namespace

const BenchJournal& benchJournal(int rows) {
    static std::map<int, std::unique_ptr<BenchJournal>> journals;
    auto& journal = journals[rows];
    if (!journal)
        journal = std::make_unique<BenchJournal>(makeJournal(rows));
    return *journal;
}

void fillGridAsOpened(model::GridModel& grid, const BenchJournal& journal) {
    grid.setHeaderFormat(core::headerFormat());
    grid.replaceDataRows(rowsAsOpened(journal));
}

QList<QStringList> rowsAsOpened(const BenchJournal& journal) {
    QList<QStringList> rows;
    rows.reserve(journal.rows);
    for (qsizetype r = 0; r < journal.rows; ++r) {
        QStringList& row = rows.emplace_back();
        row.reserve(JournalFields);
        for (qsizetype c = 0; c < JournalFields; ++c) {
            const QString& text = journal.cells[r * JournalFields + c];
            row << QString(text.constData(), text.size()); // a copy of its own, as if read
        }
    }
    return rows;
}

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

void settleHeap() {
    // A request above the small sizes makes the allocator merge the small blocks freed before.
    void* block = std::malloc(4096);
    benchmark::DoNotOptimize(block);
    std::free(block);
}

double heapInUseMegabytes() {
    return double(mallinfo2().uordblks) / (1024.0 * 1024.0);
}

void registerSizes(benchmark::internal::Benchmark* benchmark) {
    for (int rows : RegisterSizes)
        benchmark->Arg(rows);
    benchmark->ArgName("rows")->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
}

void registerSizesToMillion(benchmark::internal::Benchmark* benchmark) {
    for (int rows : RegisterSizesToMillion)
        benchmark->Arg(rows);
    benchmark->ArgName("rows")->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
}

void evictCaches() {
    // Twice the last-level cache, as the system reports it for the first processor (32 MiB
    // when it does not), written a byte per cache line.
    static std::vector<char> buffer = [] {
        qint64 bytes = 32 << 20;
        QFile size(QStringLiteral("/sys/devices/system/cpu/cpu0/cache/index3/size"));
        if (size.open(QIODevice::ReadOnly)) {
            const QByteArray text = size.readAll().trimmed();
            if (text.endsWith('K') && text.chopped(1).toLongLong() > 0)
                bytes = text.chopped(1).toLongLong() << 10;
        }
        return std::vector<char>(size_t(2 * bytes));
    }();
    for (size_t i = 0; i < buffer.size(); i += 64)
        ++buffer[i];
    benchmark::ClobberMemory();
}

} // namespace bench
