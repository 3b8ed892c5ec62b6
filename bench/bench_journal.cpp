// Opening, saving and the block-date pass, through the journal code the window calls.
#include "benchjournals.h"
#include "core/journalcolumns.h"
#include "core/journalformat.h"
#include "journal/journalfiles.h"
#include "journal/journalgrid.h"
#include "journal/journalsearch.h"
#include "model/gridmodel.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

using bench::benchJournal;
using bench::timeIteration;

// A failure or a message from a measured operation means it did not do its work.
bool reportFailure(benchmark::State& state, const journal::OpenResult& result) {
    if (result.ok && result.message.isEmpty())
        return false;
    state.SkipWithError(qPrintable(QStringLiteral("told: ") + result.message));
    return true;
}

bool reportFailure(benchmark::State& state, const journal::SaveResult& result) {
    const auto* saved = std::get_if<journal::Saved>(&result);
    if (saved && saved->note.isEmpty())
        return false;
    const auto* refused = std::get_if<journal::Refused>(&result);
    state.SkipWithError(qPrintable(QStringLiteral("told: ") +
                                   (saved     ? saved->note
                                    : refused ? refused->why
                                              : QStringLiteral("the file changed on disk"))));
    return true;
}

// "Открыть журнал" in a window that has just started: read thisyear.csv, decode, fill the grid,
// block dates.
void openJournal(benchmark::State& state) {
    const auto& journal = benchJournal(int(state.range(0)));
    for (auto _ : state) {
        model::GridModel grid;
        journal::JournalFiles files(grid, journal.programFolder);
        journal::OpenResult outcome;
        bench::settleHeap();
        timeIteration(state, [&] { outcome = files.openCurrent(); });
        if (reportFailure(state, outcome))
            break;
        if (grid.rowCount() != journal.rows ||
            grid.text(journal.rows - 1, core::BlockDate).isEmpty()) {
            state.SkipWithError("the register did not open whole, with its block dates");
            break;
        }
    }
}
BENCHMARK(openJournal)->Name("open")->Apply(bench::registerSizesToMillion);

// Reading and decoding alone, from bytes already in memory.
void readJournal(benchmark::State& state) {
    const auto& journal = benchJournal(int(state.range(0)));
    for (auto _ : state) {
        core::ReadResult result;
        bench::settleHeap();
        timeIteration(state, [&] { result = core::readJournal(journal.fileBytes); });
        if (result.rows.size() != journal.rows) {
            state.SkipWithError("the reader did not read every line");
            break;
        }
    }
}
BENCHMARK(readJournal)->Name("read")->Apply(bench::registerSizesToMillion);

// The same register as Calc saves it (every field quoted, quotes doubled, UTF-8, LF, no ";" after
// the last field), read with its quoting.
QByteArray calcBytes(const bench::BenchJournal& journal) {
    QString text;
    for (int r = 0; r < journal.rows; ++r) {
        for (int c = 0; c < core::FileColumns; ++c) {
            QString cell = journal.cells[r * core::FileColumns + c];
            cell.replace(u'"', QStringLiteral("\"\""));
            text += (c > 0 ? QStringLiteral(";\"") : QStringLiteral("\"")) + cell + u'"';
        }
        text += u'\n';
    }
    return text.toUtf8();
}

void readCalcJournal(benchmark::State& state) {
    const auto& journal = benchJournal(int(state.range(0)));
    const QByteArray bytes = calcBytes(journal);
    for (auto _ : state) {
        core::ReadResult result;
        bench::settleHeap();
        timeIteration(state, [&] { result = core::readJournal(bytes); });
        if (!result.quoted || result.rows.size() != journal.rows ||
            result.rows[0][0] != journal.cells[0]) {
            state.SkipWithError("the reader did not read the quoted register as typed");
            break;
        }
    }
}
BENCHMARK(readCalcJournal)->Name("read calc csv")->Apply(bench::registerSizesToMillion);

// Opens the register into a grid the way "Открыть журнал" does. A register the reader did not
// take whole would make the figures those of fewer rows: the benchmark then reports an error.
bool openInto(benchmark::State& state, model::GridModel& grid, const bench::BenchJournal& journal) {
    journal::JournalFiles(grid, journal.programFolder).openCurrent();
    if (grid.rowCount() == journal.rows)
        return true;
    state.SkipWithError("the register did not open whole");
    return false;
}

// "Сохранить изменения" after an edit: encode, keep the previous file as a backup, write,
// replace. One cell changes between saves so that every save writes a different file.
void saveJournal(benchmark::State& state) {
    const auto& journal = benchJournal(int(state.range(0)));
    QTemporaryDir folder;
    model::GridModel grid;
    if (!openInto(state, grid, journal))
        return;
    journal::JournalFiles files(grid, folder.path());
    const QString mechanics[] = {QStringLiteral("Иванов А.А."), QStringLiteral("Петров Б.Б.")};
    int turn = 0;
    for (auto _ : state) {
        grid.setText(0, core::Mechanic, mechanics[turn++ % 2]);
        journal::SaveResult outcome;
        timeIteration(state, [&] { outcome = files.saveCurrent(); });
        if (reportFailure(state, outcome))
            break;
    }
    QFile saved(folder.filePath(QStringLiteral("thisyear.csv")));
    if (!saved.open(QIODevice::ReadOnly) || saved.readAll().count("\r\n") != journal.rows)
        state.SkipWithError("the saved file does not hold every row");
}
BENCHMARK(saveJournal)->Name("save")->Apply(bench::registerSizesToMillion);

// Encoding alone, into bytes in memory.
void writeJournal(benchmark::State& state) {
    const auto& journal = benchJournal(int(state.range(0)));
    model::GridModel grid;
    if (!openInto(state, grid, journal))
        return;
    for (auto _ : state) {
        QByteArray bytes;
        timeIteration(state, [&] { bytes = core::writeJournal(grid.dataRows()); });
        if (bytes.size() != journal.fileBytes.size()) {
            state.SkipWithError("the written journal differs in length from the file read");
            break;
        }
    }
}
BENCHMARK(writeJournal)->Name("write")->Apply(bench::registerSizesToMillion);

// The pass every click on the grid runs, on a register whose block dates are already shown.
void blockDates(benchmark::State& state) {
    const auto& journal = benchJournal(int(state.range(0)));
    model::GridModel grid;
    if (!openInto(state, grid, journal))
        return;
    for (auto _ : state)
        timeIteration(state, [&] { journal::fillBlockDates(grid); });
}
BENCHMARK(blockDates)->Name("block dates")->Apply(bench::registerSizesToMillion);

// The same pass when every block date has to be written (the column was emptied).
void blockDatesFromEmpty(benchmark::State& state) {
    const auto& journal = benchJournal(int(state.range(0)));
    model::GridModel grid;
    if (!openInto(state, grid, journal))
        return;
    for (auto _ : state) {
        for (int r = 0; r < grid.rowCount(); ++r)
            grid.setText(r, core::BlockDate, QString());
        bench::settleHeap();
        timeIteration(state, [&] { journal::fillBlockDates(grid); });
    }
    if (grid.text(grid.rowCount() - 1, core::BlockDate).isEmpty())
        state.SkipWithError("the pass did not reach the last row");
}
BENCHMARK(blockDatesFromEmpty)
    ->Name("block dates, every one written")
    ->Apply(bench::registerSizesToMillion);

// A program folder holding the register as thisyear.csv and as twenty archives: a service
// centre's whole history.
bool writeArchives(const QString& programFolder, const QByteArray& fileBytes) {
    if (!QDir(programFolder).mkpath(QStringLiteral("Archive")))
        return false;
    QStringList paths{programFolder + QStringLiteral("/thisyear.csv")};
    for (int year = 2001; year <= 2020; ++year)
        paths << programFolder + QStringLiteral("/Archive/%1.csv").arg(year);
    for (const QString& path : paths) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(fileBytes) != fileBytes.size())
            return false;
    }
    return true;
}

// "Найти во всех журналах" for a name no row holds: every byte of every file is looked at.
void searchAllJournals(benchmark::State& state) {
    const auto& journal = benchJournal(int(state.range(0)));
    QTemporaryDir folder;
    if (!folder.isValid() || !writeArchives(folder.path(), journal.fileBytes)) {
        state.SkipWithError("cannot write the archives");
        return;
    }
    // The last row's serial number, found once in each file, shows that every file is read to
    // its end.
    const core::FindText lastSerial(
        journal.cells[qsizetype(journal.rows - 1) * core::FileColumns + core::SerialNumber]);
    const std::vector<journal::JournalHit> seen =
        journal::searchJournals(folder.path(), lastSerial);
    if (seen.size() < 21 || seen.back().journal != QStringLiteral("2020") ||
        seen.back().row != journal.rows) {
        state.SkipWithError("the search does not reach the end of every file");
        return;
    }
    const core::FindText absent(QStringLiteral("Щербаков"));
    for (auto _ : state) {
        std::vector<journal::JournalHit> hits;
        timeIteration(state, [&] { hits = journal::searchJournals(folder.path(), absent); });
        if (!hits.empty()) {
            state.SkipWithError("the name was found");
            break;
        }
    }
}
BENCHMARK(searchAllJournals)->Name("search all journals")->Apply(bench::registerSizes);

} // namespace
