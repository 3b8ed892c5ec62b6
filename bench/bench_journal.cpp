// Opening, saving and the block-date pass, through the journal code the window calls.
#include "app/gridmodel.h"
#include "app/prompter.h"
#include "benchjournals.h"
#include "journal/blockdates.h"
#include "journal/journalcolumns.h"
#include "journal/journalfiles.h"
#include "journal/journalformat.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

using bench::benchJournal;
using bench::timeIteration;

// Any question or message during a measured operation means it did not do its work.
class SilentPrompter : public Prompter {
public:
    QString inputBox(const QString& prompt, const QString&) override {
        shown << prompt;
        return {};
    }
    void message(const QString& text) override { shown << text; }
    QStringList shown;
};

bool reportShown(benchmark::State& state, const SilentPrompter& prompter) {
    if (prompter.shown.isEmpty())
        return false;
    state.SkipWithError(qPrintable(QStringLiteral("shown: ") + prompter.shown.join(u' ')));
    return true;
}

// "Открыть журнал" in a window that has just started: read thisyear.csv, decode, fill the grid,
// block dates.
void openJournal(benchmark::State& state) {
    const auto& journal = benchJournal(int(state.range(0)));
    SilentPrompter prompter;
    for (auto _ : state) {
        GridModel grid;
        JournalFiles files(grid, prompter, journal.programFolder);
        QString headerFormat;
        bench::settleHeap();
        timeIteration(state, [&] { files.loadgrid(headerFormat); });
        if (reportShown(state, prompter))
            break;
        if (grid.rows() != journal.rows + 1 ||
            grid.textMatrix(journal.rows, journal::BlockDate).isEmpty()) {
            state.SkipWithError("the register did not open whole, with its block dates");
            break;
        }
    }
}
BENCHMARK(openJournal)->Name("open")->Apply(bench::registerSizes);

// Reading and decoding alone, from bytes already in memory.
void readJournal(benchmark::State& state) {
    const auto& journal = benchJournal(int(state.range(0)));
    for (auto _ : state) {
        journal::ReadResult result;
        bench::settleHeap();
        timeIteration(state, [&] { result = journal::readJournal(journal.fileBytes); });
        if (result.table.rows != journal.rows) {
            state.SkipWithError("the reader did not read every line");
            break;
        }
    }
}
BENCHMARK(readJournal)->Name("read")->Apply(bench::registerSizes);

// Opens the register into a grid the way "Открыть журнал" does.
void openInto(GridModel& grid, const bench::BenchJournal& journal, SilentPrompter& prompter) {
    JournalFiles files(grid, prompter, journal.programFolder);
    QString headerFormat;
    files.loadgrid(headerFormat);
}

// "Сохранить изменения" after an edit: encode, keep the previous file as a backup, write,
// replace. One cell changes between saves so that every save writes a different file.
void saveJournal(benchmark::State& state) {
    const auto& journal = benchJournal(int(state.range(0)));
    QTemporaryDir folder;
    SilentPrompter prompter;
    GridModel grid;
    openInto(grid, journal, prompter);
    JournalFiles files(grid, prompter, folder.path());
    const QString mechanics[] = {QStringLiteral("Иванов А.А."), QStringLiteral("Петров Б.Б.")};
    int turn = 0;
    for (auto _ : state) {
        grid.setTextMatrix(1, journal::Mechanic, mechanics[turn++ % 2]);
        bool saved = false;
        timeIteration(state, [&] { saved = files.SaveGridn(); });
        if (!saved || reportShown(state, prompter)) {
            state.SkipWithError("the register was not saved");
            break;
        }
    }
    QFile saved(folder.filePath(QStringLiteral("thisyear.csv")));
    if (!saved.open(QIODevice::ReadOnly) || saved.readAll().count("\r\n") != journal.rows)
        state.SkipWithError("the saved file does not hold every row");
}
BENCHMARK(saveJournal)->Name("save")->Apply(bench::registerSizes);

// Encoding alone, into bytes in memory.
void writeJournal(benchmark::State& state) {
    const auto& journal = benchJournal(int(state.range(0)));
    SilentPrompter prompter;
    GridModel grid;
    openInto(grid, journal, prompter);
    for (auto _ : state) {
        QByteArray bytes;
        timeIteration(state, [&] { bytes = journal::writeJournal(grid); });
        if (bytes.size() != journal.fileBytes.size()) {
            state.SkipWithError("the written journal differs in length from the file read");
            break;
        }
    }
}
BENCHMARK(writeJournal)->Name("write")->Apply(bench::registerSizes);

// The pass every click on the grid runs, on a register whose block dates are already shown.
void blockDates(benchmark::State& state) {
    const auto& journal = benchJournal(int(state.range(0)));
    SilentPrompter prompter;
    GridModel grid;
    openInto(grid, journal, prompter);
    for (auto _ : state)
        timeIteration(state, [&] { journal::fillBlockDates(grid); });
}
BENCHMARK(blockDates)->Name("block dates")->Apply(bench::registerSizes);

// The same pass when every block date has to be written (the column was emptied).
void blockDatesFromEmpty(benchmark::State& state) {
    const auto& journal = benchJournal(int(state.range(0)));
    SilentPrompter prompter;
    GridModel grid;
    openInto(grid, journal, prompter);
    for (auto _ : state) {
        for (int r = 1; r < grid.rows(); ++r)
            grid.setTextMatrix(r, journal::BlockDate, QString());
        bench::settleHeap();
        timeIteration(state, [&] { journal::fillBlockDates(grid); });
    }
    if (grid.textMatrix(grid.rows() - 1, journal::BlockDate).isEmpty())
        state.SkipWithError("the pass did not reach the last row");
}
BENCHMARK(blockDatesFromEmpty)->Name("block dates, every one written")->Apply(bench::registerSizes);

} // namespace
