// F1: the user guide opened in its window, from nothing open to the window painted.
#include "app/helpwindow.h"
#include "app/journalwindow.h"
#include "benchjournals.h"

#include <QAction>
#include <QApplication>
#include <QTemporaryDir>

namespace {

// Each iteration opens the help window anew (reading and laying out the guide, going to the
// grid's section, painting); closing it is not measured.
void openHelp(benchmark::State& state) {
    const QTemporaryDir folder;
    app::WindowServices services;
    services.journalFolder = folder.path();
    services.prompter = std::make_shared<bench::SilentPrompter>();
    services.endProgram = [] {};
    app::JournalWindow window(services);
    window.show();
    QApplication::setActiveWindow(&window);
    window.findChild<QWidget*>(QStringLiteral("MSFGAZ"))->setFocus();
    auto* help = window.findChild<QAction*>(QStringLiteral("ActHelp"));
    for (auto _ : state) {
        bench::timeIteration(state, [&] {
            help->trigger();
            window.findChild<app::HelpWindow*>()->repaint();
        });
        delete window.findChild<app::HelpWindow*>();
    }
}
BENCHMARK(openHelp)->Name("help open")->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
