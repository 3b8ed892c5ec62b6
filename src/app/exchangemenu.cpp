#include "app/exchangemenu.h"

#include "app/commandbutton.h"

#include <QMenu>
#include <QToolButton>

namespace app {

ExchangeMenu createExchangeMenu(QWidget& window, ImportController::Journal journal,
                                const GridView& view, ExportController::ShownRows shownRows,
                                ExportController::JournalName journalName,
                                std::shared_ptr<FileChooser> files,
                                std::shared_ptr<core::Prompter> prompter) {
    ExchangeMenu menu;
    menu.importer = new ImportController(window, journal, files, *prompter);
    menu.exporter =
        new ExportController(window, journal.grid, journal.state, view, std::move(shownRows),
                             std::move(journalName), {std::move(files), std::move(prompter)});
    menu.items = exchangeButton(window)->menu();
    menu.items->addAction(&menu.importer->action());
    menu.items->addAction(&menu.exporter->action());
    return menu;
}

} // namespace app
