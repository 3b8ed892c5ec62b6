#include "app/foldercontroller.h"

#include "app/filechooser.h"
#include "core/journalpaths.h"
#include "core/prompter.h"

#include <QAction>
#include <QDir>
#include <QSettings>
#include <QWidget>

namespace app {

FolderController::FolderController(QWidget& window, const QString& currentFolder,
                                   std::function<bool()> mayLeave,
                                   std::shared_ptr<FileChooser> files, core::Prompter& prompter,
                                   QSettings* settings)
    : QObject(&window), window_(window), currentFolder_(currentFolder),
      mayLeave_(std::move(mayLeave)), files_(std::move(files)), prompter_(prompter),
      settings_(settings), action_(new QAction(QStringLiteral("Папка журналов…"), this)) {
    action_->setObjectName(QStringLiteral("ActFolder"));
    action_->setToolTip(QStringLiteral("Выбрать папку, где лежат thisyear.csv, Archive и Backup, "
                                       "например общую папку сервисного центра"));
    connect(action_, &QAction::triggered, this, &FolderController::ask);
}

void FolderController::ask() {
    const QString chosen =
        files_->folderName(&window_, QStringLiteral("Папка журналов"), currentFolder_);
    if (chosen.isEmpty())
        return;
    const QString folder = QDir::cleanPath(QDir(chosen).absolutePath());
    if (const std::optional<QString> refusal = core::journalFolderRefusal(folder)) {
        prompter_.message(*refusal);
        return;
    }
    if (folder == currentFolder_ || !mayLeave_())
        return;
    if (settings_)
        settings_->setValue(journalFolderKey(), folder);
    Q_EMIT folderChosen(folder);
}

QStringList withoutFolderArgument(const QStringList& arguments, QString* folder) {
    QStringList rest;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == QStringLiteral("--folder") && i + 1 < arguments.size()) {
            ++i;
            if (folder)
                *folder = arguments[i];
            continue;
        }
        rest << arguments[i];
    }
    return rest;
}

QString startingJournalFolder(const QStringList& arguments, const QSettings* settings,
                              const QString& defaultFolder, QString* refusal) {
    QString named;
    withoutFolderArgument(arguments, &named);
    const QString remembered =
        settings ? settings->value(journalFolderKey()).toString() : QString();
    for (const QString& folder : {named, remembered}) {
        if (folder.isEmpty())
            continue;
        const QString absolute = QDir::cleanPath(QDir(folder).absolutePath());
        if (const std::optional<QString> why = core::journalFolderRefusal(absolute)) {
            if (refusal && refusal->isEmpty())
                *refusal = *why;
            continue;
        }
        return absolute;
    }
    return defaultFolder;
}

} // namespace app
