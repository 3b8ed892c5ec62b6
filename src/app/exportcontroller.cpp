#include "app/exportcontroller.h"

#include "app/busycursor.h"
#include "app/celldelegate.h"
#include "app/filechooser.h"
#include "app/gridview.h"
#include "app/journaldocument.h"
#include "app/shortcuts.h"
#include "app/summarybar.h"
#include "core/prompter.h"
#include "exchange/exportfile.h"
#include "exchange/exportsheet.h"
#include "model/gridmodel.h"

#include <QAction>
#include <QDir>
#include <QStandardPaths>
#include <QWidget>
#include <vector>

namespace app {

ExportController::ExportController(QWidget& window, const model::GridModel& grid,
                                   const model::RegisterState& watch, const GridView& view,
                                   const SummaryBar& summary, const JournalDocument& document,
                                   CellDelegate& edits, std::shared_ptr<FileChooser> files,
                                   core::Prompter& prompter)
    : QObject(&window), window_(window), grid_(grid), watch_(watch), view_(view), summary_(summary),
      document_(document), files_(std::move(files)), prompter_(prompter),
      action_(addShortcut(window, "ActExport", {QKeySequence(Qt::ControlModifier | Qt::Key_E)},
                          this, edits.command(this, &ExportController::exportShownRows))) {
    action_->setText(QStringLiteral("Экспорт…"));
    action_->setToolTip(QStringLiteral("Записать показанные строки в файл .xlsx или .ods"));
}

void ExportController::exportShownRows() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString suggested = QDir(folder.isEmpty() ? QDir::homePath() : folder)
                                  .filePath(document_.shown().fileBase() + u".xlsx");
    const QString path = files_->saveFileName(
        &window_, QStringLiteral("Экспорт в электронную таблицу"), suggested,
        QStringLiteral("Книга Excel (*.xlsx);;Электронная таблица OpenDocument (*.ods)"));
    if (path.isEmpty())
        return;
    exchange::ExportOutcome outcome;
    {
        const BusyCursor busy;
        std::vector<int> widths;
        for (int c = 0; c < grid_.columnCount(); ++c)
            widths.push_back(view_.columnWidth(c));
        outcome = exchange::exportSheet(
            exchange::sheetFromGrid(grid_, watch_.blocks(), summary_.filter(), widths), path);
    }
    if (!outcome.ok)
        prompter_.message(outcome.message);
}

} // namespace app
