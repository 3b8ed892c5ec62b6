// What the window itself does over a whole register: switching the row filter.
#include "app/journalwindow.h"
#include "benchjournals.h"

#include <QComboBox>
#include <QPushButton>

namespace {

using bench::benchJournal;
using bench::timeIteration;

// From "Все" to "Заблокированы": every row judged and hidden or shown; back to "Все" unmeasured.
void filterSwitch(benchmark::State& state) {
    const auto& journal = benchJournal(int(state.range(0)));
    app::WindowServices services;
    services.journalFolder = journal.programFolder;
    services.prompter = std::make_shared<bench::SilentPrompter>();
    services.endProgram = [] {};
    app::JournalWindow window(services);
    window.findChild<QPushButton*>(QStringLiteral("CmdZagruz"))->click();
    auto* filter = window.findChild<QComboBox*>(QStringLiteral("CmbFilter"));
    for (auto _ : state) {
        timeIteration(state, [&] { filter->setCurrentIndex(1); });
        filter->setCurrentIndex(0);
    }
}
BENCHMARK(filterSwitch)->Name("filter switch")->Apply(bench::registerSizes);

} // namespace
