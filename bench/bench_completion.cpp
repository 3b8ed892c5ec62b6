// A key typed where completion proposes the column's earlier values: in the cell editor and in
// the input line, over an opened register.
#include "app/celleditor.h"
#include "app/gridview.h"
#include "app/journalwindow.h"
#include "benchjournals.h"
#include "core/journalcolumns.h"
#include "model/gridmodel.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

namespace {

using bench::benchJournal;
using bench::timeIteration;

// Each register size, thirty keys a run, in microseconds.
void keySizes(benchmark::internal::Benchmark* benchmark) {
    for (int rows : bench::RegisterSizes)
        benchmark->Arg(rows);
    benchmark->ArgName("rows")->Unit(benchmark::kMicrosecond)->UseManualTime()->Iterations(30);
}

void typeKey(QWidget* widget, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &release);
}

struct Window {
    explicit Window(const bench::BenchJournal& journal) {
        services.journalFolder = journal.programFolder;
        services.prompter = std::make_shared<bench::SilentPrompter>();
        services.endProgram = [] {};
        window = std::make_unique<app::JournalWindow>(services);
        window->show(); // the editor opens only in a shown window
        window->findChild<QPushButton*>(QStringLiteral("CmdZagruz"))->click();
        grid = window->findChild<model::GridModel*>(QStringLiteral("MSFGAZModel"));
        view = window->findChild<app::GridView*>(QStringLiteral("MSFGAZ"));
        editor = window->findChild<app::CellEditor*>(QStringLiteral("txtDataEntry"));
        line = window->findChild<QLineEdit*>(QStringLiteral("TxtVvod"));
    }
    // The editor opened on the owner of the last row, as a character typed on the grid does.
    void openEditor() {
        view->goTo(grid->rowCount() - 1, core::Owner);
        Q_EMIT view->typed(QStringLiteral("О"));
    }
    app::WindowServices services;
    std::unique_ptr<app::JournalWindow> window;
    model::GridModel* grid = nullptr;
    app::GridView* view = nullptr;
    app::CellEditor* editor = nullptr;
    QLineEdit* line = nullptr;
};

// "ООО «" stands typed; the key measured is the letter after it, which brings a proposal. The
// first key (the column's values counted) comes before the loop.
void editorKey(benchmark::State& state) {
    Window w(benchJournal(int(state.range(0))));
    w.openEditor();
    for (auto _ : state) {
        w.editor->setText(QStringLiteral("ООО «"));
        timeIteration(state, [&] { typeKey(w.editor, QStringLiteral("Р")); });
    }
    if (w.editor->selectedText().isEmpty())
        state.SkipWithError("nothing was proposed");
}
BENCHMARK(editorKey)->Name("completion editor key")->Apply(keySizes);

// The same in the input line, where each key also stores the cell (and the counts follow).
void inputLineKey(benchmark::State& state) {
    Window w(benchJournal(int(state.range(0))));
    w.view->goTo(w.grid->rowCount() - 1, core::Owner);
    typeKey(w.line, QStringLiteral("О"));
    for (auto _ : state) {
        w.line->setText(QStringLiteral("ООО «"));
        timeIteration(state, [&] { typeKey(w.line, QStringLiteral("Р")); });
    }
    if (w.line->selectedText().isEmpty())
        state.SkipWithError("nothing was proposed");
}
BENCHMARK(inputLineKey)->Name("completion input line key")->Apply(keySizes);

// The first key after the register is opened: the column's values are counted then.
void firstKey(benchmark::State& state) {
    const auto& journal = benchJournal(int(state.range(0)));
    for (auto _ : state) {
        Window w(journal);
        timeIteration(state, [&] { w.openEditor(); });
    }
}
BENCHMARK(firstKey)->Name("completion first key")->Apply(bench::registerSizes);

// 100,000 rows, every owner a different "ООО «…»": the prefix typed matches them all.
void distinctOwnersKey(benchmark::State& state) {
    const auto& journal = benchJournal(int(state.range(0)));
    Window w(journal);
    for (int row = 0; row < w.grid->rowCount(); ++row)
        w.grid->setText(row, core::Owner,
                        QStringLiteral("ООО «Клиент %1»").arg((row + 1) * 7919 % 1000003));
    w.grid->setText(w.grid->rowCount() - 1, core::Owner, QString());
    w.openEditor();
    for (auto _ : state) {
        w.editor->setText(QStringLiteral("ООО «"));
        timeIteration(state, [&] { typeKey(w.editor, QStringLiteral("К")); });
    }
    if (w.editor->selectedText().isEmpty())
        state.SkipWithError("nothing was proposed");
}
BENCHMARK(distinctOwnersKey)
    ->Name("completion key distinct owners")
    ->Arg(100000)
    ->ArgName("rows")
    ->Unit(benchmark::kMicrosecond)
    ->UseManualTime()
    ->Iterations(30);

} // namespace
