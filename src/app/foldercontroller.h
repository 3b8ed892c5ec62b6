#pragma once

#include <QString>
#include <functional>
#include <memory>

class QAction;
class QSettings;
class QWidget;

namespace core {
class Prompter;
} // namespace core

namespace app {

class FileChooser;

// The settings key of the journal folder the user chose.
inline QString journalFolderKey() {
    return QStringLiteral("journalFolder");
}

// "Папка журналов…" (ActFolder): another folder of thisyear.csv, Archive/ and Backup/, such as a
// share the mechanics of a service centre have in common. The folder must be there and take new
// files; otherwise the user hears why and the previous folder stays. The choice is remembered in
// the settings for the next start.
//
// `currentFolder` is the window's, read at each use. `mayLeave` is asked before the journal on
// screen goes (its unsaved changes); false keeps everything. `folderChosen` then has the window
// work on the folder chosen. The action is the window's child, for its "Обмен" menu.
QAction* makeFolderAction(QWidget& window, const QString& currentFolder,
                          std::function<bool()> mayLeave, std::shared_ptr<FileChooser> files,
                          core::Prompter& prompter, QSettings* settings,
                          std::function<void(const QString&)> folderChosen);

// The journal folder to start with: `--folder DIR` from the arguments (for this run only), else
// the one the user chose before (the settings), else the program's own choice
// (`defaultFolder`). A named folder that cannot hold the journals is told in `refusal`, and the
// next in that order is taken.
QString startingJournalFolder(const QStringList& arguments, const QSettings* settings,
                              const QString& defaultFolder, QString* refusal);

// The arguments without "--folder DIR"; the folder in `folder` when it was there.
QStringList withoutFolderArgument(const QStringList& arguments, QString* folder = nullptr);

} // namespace app
