#include "app/foldercontroller.h"

#include "app/filechooser.h"
#include "core/journalpaths.h"
#include "core/prompter.h"

#include <QAction>
#include <QDir>
#include <QSettings>
#include <QWidget>

namespace app {

QAction* makeFolderAction(QWidget& window, const QString& currentFolder,
                          std::function<bool()> mayLeave, std::shared_ptr<FileChooser> files,
                          core::Prompter& prompter, QSettings* settings,
                          std::function<void(const QString&)> folderChosen) {
    auto* action = new QAction(QStringLiteral("Папка журналов…"), &window);
    action->setObjectName(QStringLiteral("ActFolder"));
    action->setToolTip(QStringLiteral("Выбрать папку, где лежат thisyear.csv, Archive и Backup, "
                                      "например общую папку сервисного центра"));
    // The folder dialog, then the folder chosen is checked and taken.
    QObject::connect(
        action, &QAction::triggered, action,
        [&window, &currentFolder, mayLeave = std::move(mayLeave), files = std::move(files),
         &prompter, settings, folderChosen = std::move(folderChosen)] {
            const QString chosen =
                files->folderName(&window, QStringLiteral("Папка журналов"), currentFolder);
            if (chosen.isEmpty())
                return;
            const QString folder = QDir::cleanPath(QDir(chosen).absolutePath());
            if (const std::optional<QString> refusal = core::journalFolderRefusal(folder)) {
                prompter.message(*refusal);
                return;
            }
            if (folder == currentFolder || !mayLeave())
                return;
            if (settings)
                settings->setValue(journalFolderKey(), folder);
            folderChosen(folder);
        });
    return action;
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
