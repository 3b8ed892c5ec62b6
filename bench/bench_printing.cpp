// "Печать" of the whole register into a PDF file: layout, drawing and writing every page.
#include "app/journalwindow.h"
#include "benchjournals.h"
#include "core/clock.h"
#include "model/gridmodel.h"
#include "printing/journalprintout.h"
#include "printing/printservices.h"

#include <QCoreApplication>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>

namespace {

using bench::benchJournal;
using bench::fillGridAsOpened;
using bench::timeIteration;

class FixedClock : public core::Clock {
public:
    QString date() const override { return QStringLiteral("15.03.2010"); }
    QString time() const override { return QStringLiteral("14:05:09"); }
};

void printToPdf(benchmark::State& state) {
    const auto& journal = benchJournal(int(state.range(0)));
    model::GridModel grid;
    fillGridAsOpened(grid, journal);
    QTemporaryDir folder;
    const QString fileName = folder.filePath(QStringLiteral("journal.pdf"));
    printing::PdfFilePrinterProvider printer(fileName);
    const FixedClock clock;
    for (auto _ : state) {
        QFile::remove(fileName);
        printing::PrintResult result = printing::PrintResult::NoPrinter;
        timeIteration(state, [&] { result = printing::printJournal(grid, printer, clock); });
        if (result != printing::PrintResult::Printed || QFile(fileName).size() == 0) {
            state.SkipWithError("no PDF file was printed");
            break;
        }
    }
}
// A printout takes seconds: each repetition is one printout, five of them at every size.
BENCHMARK(printToPdf)
    ->Name("print pdf")
    ->Apply(bench::registerSizes)
    ->Iterations(1)
    ->Repetitions(5);

// The same as the user meets it: "Печать" pressed in the shown window, the progress dialog
// following every page.
void printFromWindow(benchmark::State& state) {
    const auto& journal = benchJournal(int(state.range(0)));
    QTemporaryDir folder;
    const QString fileName = folder.filePath(QStringLiteral("journal.pdf"));
    app::WindowServices services;
    services.journalFolder = journal.programFolder;
    services.prompter = std::make_shared<bench::SilentPrompter>();
    services.printer = std::make_shared<printing::PdfFilePrinterProvider>(fileName);
    services.clock = std::make_shared<FixedClock>();
    services.endProgram = [] {};
    app::JournalWindow window(services);
    window.show();
    window.findChild<QPushButton*>(QStringLiteral("CmdZagruz"))->click();
    // The window is painted, as it is by the time anybody presses "Печать".
    QCoreApplication::processEvents();
    QPushButton* print = window.findChild<QPushButton*>(QStringLiteral("CmdPrint"));
    for (auto _ : state) {
        QFile::remove(fileName);
        timeIteration(state, [&] { print->click(); });
        if (QFile(fileName).size() == 0) {
            state.SkipWithError("no PDF file was printed");
            break;
        }
    }
}
BENCHMARK(printFromWindow)
    ->Name("print pdf from the window")
    ->Arg(32767)
    ->ArgName("rows")
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(5);

} // namespace
