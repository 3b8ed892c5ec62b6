#pragma once

#include <QObject>
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
class FolderController : public QObject {
    Q_OBJECT
public:
    // `currentFolder` is the window's, read at each use. `mayLeave` is asked before the journal
    // on screen goes (its unsaved changes); false keeps everything.
    FolderController(QWidget& window, const QString& currentFolder, std::function<bool()> mayLeave,
                     std::shared_ptr<FileChooser> files, core::Prompter& prompter,
                     QSettings* settings);

    QAction& action() { return *action_; }

Q_SIGNALS:
    // The window is to work on that folder.
    void folderChosen(const QString& folder);

private:
    // The folder dialog, then the folder chosen is checked and taken.
    void ask();

    QWidget& window_;
    const QString& currentFolder_;
    std::function<bool()> mayLeave_;
    std::shared_ptr<FileChooser> files_;
    core::Prompter& prompter_;
    QSettings* settings_;
    QAction* action_;
};

// The journal folder to start with: `--folder DIR` from the arguments (for this run only), else
// the one the user chose before (the settings), else the program's own choice
// (`defaultFolder`). A named folder that cannot hold the journals is told in `refusal`, and the
// next in that order is taken.
QString startingJournalFolder(const QStringList& arguments, const QSettings* settings,
                              const QString& defaultFolder, QString* refusal);

// The arguments without "--folder DIR"; the folder in `folder` when it was there.
QStringList withoutFolderArgument(const QStringList& arguments, QString* folder = nullptr);

} // namespace app
