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

QAction* addExportAction(QWidget& window, const model::GridModel& grid,
                         const model::RegisterState& watch, const GridView& view,
                         const SummaryBar& summary, const JournalDocument& document,
                         CellDelegate& edits, std::shared_ptr<FileChooser> files,
                         core::Prompter& prompter) {
    // The parts live as long as the window, and so as long as its action.
    const auto exportShownRows = [&window, &grid, &watch, &view, &summary, &document, &prompter,
                                  files = std::move(files)] {
        const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        const QString suggested = QDir(folder.isEmpty() ? QDir::homePath() : folder)
                                      .filePath(document.shown().fileBase() + u".xlsx");
        const QString path = files->saveFileName(
            &window, QStringLiteral("Экспорт в электронную таблицу"), suggested,
            QStringLiteral("Книга Excel (*.xlsx);;Электронная таблица OpenDocument (*.ods)"));
        if (path.isEmpty())
            return;
        exchange::ExportOutcome outcome;
        {
            const BusyCursor busy;
            std::vector<int> widths;
            for (int c = 0; c < grid.columnCount(); ++c)
                widths.push_back(view.columnWidth(c));
            outcome = exchange::exportSheet(
                exchange::sheetFromGrid(grid, watch.blocks(), summary.filter(), widths), path);
        }
        if (!outcome.ok)
            prompter.message(outcome.message);
    };
    QAction* action =
        addShortcut(window, "ActExport", {QKeySequence(Qt::ControlModifier | Qt::Key_E)}, &window,
                    edits.command(exportShownRows));
    action->setText(QStringLiteral("Экспорт…"));
    action->setToolTip(QStringLiteral("Записать показанные строки в файл .xlsx или .ods"));
    return action;
}

} // namespace app
