#pragma once

#include "app/exportcontroller.h"
#include "app/importcontroller.h"

#include <memory>

class QMenu;

namespace app {

class FileChooser;
class GridView;

// The exchange with spreadsheets: "Импорт…" and "Экспорт…" in the menu of the "Обмен"
// button right of "Выход", each with its shortcut on the window.
struct ExchangeMenu {
    ImportController* importer = nullptr;
    ExportController* exporter = nullptr;
    QMenu* items = nullptr; // the button's menu
};

ExchangeMenu createExchangeMenu(QWidget& window, ImportController::Journal journal,
                                const GridView& view, ExportController::ShownRows shownRows,
                                ExportController::JournalName journalName,
                                std::shared_ptr<FileChooser> files,
                                std::shared_ptr<core::Prompter> prompter);

} // namespace app
