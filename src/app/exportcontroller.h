#pragma once

#include <memory>

class QAction;
class QWidget;

namespace core {
class Prompter;
} // namespace core

namespace model {
class GridModel;
class RegisterState;
} // namespace model

namespace app {

class CellDelegate;
class FileChooser;
class GridView;
class JournalDocument;
class SummaryBar;

// "Экспорт…" (ActExport, Ctrl+E, and in the "Обмен" menu): the rows the filter shows, with the
// header, the columns' widths on screen and the rows' shading, into an .xlsx or .ods file chosen
// in Qt's file dialog, which suggests the name of the journal on screen.
//
// The action goes on `window`, so that its shortcut works anywhere in it. `summary` holds the
// row filter. An open cell edit is stored (through `edits`) before anything is read.
QAction* addExportAction(QWidget& window, const model::GridModel& grid,
                         const model::RegisterState& watch, const GridView& view,
                         const SummaryBar& summary, const JournalDocument& document,
                         CellDelegate& edits, std::shared_ptr<FileChooser> files,
                         core::Prompter& prompter);

} // namespace app
