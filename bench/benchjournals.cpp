#include "benchjournals.h"

#include "app/gridmodel.h"
#include "journal/journalcolumns.h"
#include "journalgenerator.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <map>
#include <memory>
#include <stdexcept>

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

void fillGridAsOpened(GridModel& grid, const BenchJournal& journal) {
    constexpr int OpenedCols = 9;
    grid.setCols(8);
    grid.setFormatString(journal::headerFormat());
    QList<QString> cells;
    cells.reserve(qsizetype(journal.rows + 1) * OpenedCols);
    for (int c = 0; c < OpenedCols; ++c)
        cells << (c < grid.cols() ? grid.textMatrix(0, c) : QString());
    for (int r = 0; r < journal.rows; ++r) {
        for (int c = 0; c < 8; ++c) {
            // A deep copy, as text read from a file would be.
            const QString& text = journal.cells[qsizetype(r) * 8 + c];
            cells << QString(text.constData(), text.size());
        }
        cells << QString();
    }
    grid.replaceCells(journal.rows + 1, OpenedCols, std::move(cells));
}

void registerSizes(benchmark::internal::Benchmark* benchmark) {
    for (int rows : RegisterSizes)
        benchmark->Arg(rows);
    benchmark->ArgName("rows")->Unit(benchmark::kMillisecond)->UseManualTime();
}

} // namespace bench
