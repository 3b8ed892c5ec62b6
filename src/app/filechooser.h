#pragma once

#include <QString>

class QWidget;

namespace app {

// Asks for a file's path, kept behind an interface so that tests can answer instead.
class FileChooser {
public:
    virtual ~FileChooser() = default;
    // Where to write a file: the path chosen (a replaced file's replacement agreed to), or an
    // empty text after Cancel. `filters` as QFileDialog takes them ("Имя (*.ext);;..."); a name
    // typed without an extension gets that of the filter chosen.
    virtual QString saveFileName(QWidget* parent, const QString& title, const QString& suggested,
                                 const QString& filters) = 0;
    // Which file to read: the path chosen, or an empty text after Cancel.
    virtual QString openFileName(QWidget* parent, const QString& title, const QString& folder,
                                 const QString& filters) = 0;
    // Which folder: the path chosen, or an empty text after Cancel.
    virtual QString folderName(QWidget* parent, const QString& title, const QString& folder) = 0;
};

// Qt's own file dialog (not the desktop's, so that it speaks the Russian of the program's
// translations everywhere).
class DialogFileChooser : public FileChooser {
public:
    QString saveFileName(QWidget* parent, const QString& title, const QString& suggested,
                         const QString& filters) override;
    QString openFileName(QWidget* parent, const QString& title, const QString& folder,
                         const QString& filters) override;
    QString folderName(QWidget* parent, const QString& title, const QString& folder) override;
};

} // namespace app
