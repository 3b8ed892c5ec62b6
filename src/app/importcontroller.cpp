#include "app/importcontroller.h"

#include "app/busycursor.h"
#include "app/celldelegate.h"
#include "app/filechooser.h"
#include "app/journaldocument.h"
#include "app/shortcuts.h"
#include "core/prompter.h"
#include "exchange/spreadsheetimport.h"

#include <QAction>
#include <QDir>
#include <QWidget>

namespace app {

namespace {

// The problems named word for word in the message after an import; the rest are counted.
constexpr int ProblemsShown = 10;

} // namespace

ImportController::ImportController(QWidget& window, JournalDocument& document, CellDelegate& edits,
                                   std::shared_ptr<FileChooser> files, core::Prompter& prompter)
    : QObject(&window), window_(window), document_(document), prompter_(prompter),
      files_(std::move(files)) {
    setObjectName(QStringLiteral("ImportController"));
    action_ = addShortcut(window, "ActImport", {QKeySequence(Qt::CTRL | Qt::Key_I)}, this,
                          edits.command(this, &ImportController::import));
    action_->setText(QStringLiteral("Импорт…"));
    action_->setToolTip(QStringLiteral("Импорт из электронной таблицы (.xlsx, .ods, .csv)"));
}

void ImportController::import() {
    if (!document_.mayReplace())
        return;
    const QString path = files_->openFileName(
        &window_, QStringLiteral("Импорт из электронной таблицы"), QDir::homePath(),
        QStringLiteral("Электронные таблицы (*.xlsx *.ods *.csv *.XLSX *.ODS *.CSV);;"
                       "Все файлы (*)"));
    if (path.isEmpty())
        return;
    exchange::ImportOutcome outcome;
    {
        const BusyCursor busy;
        outcome = exchange::importFile(path);
        if (outcome.ok())
            document_.showImported(std::move(outcome.journal.rows), outcome.journal.extraCaptions);
    }
    if (!outcome.ok()) {
        prompter_.message(QStringLiteral("Файл %1 не импортирован.\n%2")
                              .arg(QDir::toNativeSeparators(path), *outcome.refusal));
        return;
    }
    Q_EMIT imported();
    if (outcome.journal.problemCount > 0)
        prompter_.message(exchange::problemsMessage(outcome.journal.problems,
                                                    outcome.journal.problemCount, ProblemsShown));
}

} // namespace app
