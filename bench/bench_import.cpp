// The import of a register from a spreadsheet: the first sheet read into journal rows.
#include "benchjournals.h"
#include "exchange/spreadsheetimport.h"
#include "importregisters.h"

#include <map>

namespace {

using bench::benchJournal;
using bench::timeIteration;

const QByteArray& registerFile(bool xlsx, int rows) {
    static std::map<std::pair<bool, int>, QByteArray> files;
    QByteArray& file = files[{xlsx, rows}];
    if (file.isEmpty()) {
        const auto& cells = benchJournal(rows).cells;
        file = xlsx ? bench::xlsxRegister(cells) : bench::odsRegister(cells);
    }
    return file;
}

void importRegister(benchmark::State& state, bool xlsx) {
    const int rows = int(state.range(0));
    const QByteArray& file = registerFile(xlsx, rows);
    const auto& cells = benchJournal(rows).cells;
    for (auto _ : state) {
        exchange::ImportOutcome outcome;
        bench::settleHeap();
        timeIteration(state, [&] { outcome = exchange::importSpreadsheet(file); });
        const QList<QStringList>& table = outcome.journal.rows;
        // Every row, the last one's eight cells as generated.
        bool whole = outcome.ok() && outcome.journal.problemCount == 0 && table.size() == rows;
        for (int c = 0; whole && c < 8; ++c)
            whole = table[rows - 1][c] == cells[qsizetype(rows - 1) * 8 + c];
        if (!whole) {
            const QString why = outcome.refusal ? *outcome.refusal
                                                : QStringLiteral("%1 rows, %2 problems")
                                                      .arg(table.size())
                                                      .arg(outcome.journal.problemCount);
            state.SkipWithError(
                qPrintable(QStringLiteral("the register did not come over whole: ") + why));
            break;
        }
        state.counters["file_mb"] = double(file.size()) / (1 << 20);
    }
}

void importXlsx(benchmark::State& state) {
    importRegister(state, true);
}
void importOds(benchmark::State& state) {
    importRegister(state, false);
}

void importSizes(benchmark::internal::Benchmark* benchmark) {
    for (int rows : {32767, 327670})
        benchmark->Arg(rows);
    benchmark->ArgName("rows")->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
}

} // namespace

BENCHMARK(importXlsx)->Name("import xlsx")->Apply(importSizes);
BENCHMARK(importOds)->Name("import ods")->Apply(importSizes);
