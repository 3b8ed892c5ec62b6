#pragma once

#include <QObject>
#include <memory>

class QAction;
class QWidget;

namespace core {
class Prompter;
} // namespace core

namespace app {

class CellDelegate;
class FileChooser;
class JournalDocument;

// "Импорт…" (Ctrl+I, the window's action ActImport; the controller's object name is
// ImportController): a register from an .xlsx, .ods or .csv file
// into the grid. Unsaved changes are asked about first, as before another journal is opened;
// then the file is chosen. The imported register is shown as a journal saved nowhere yet: the
// undo history starts anew and the grid counts as changed, so "Сохранить изменения" asks before
// it goes over thisyear.csv's rows and "Сохранить как" makes an archive of it. What could not come
// over as it was is told in one message; a refused file leaves the grid as it was.
class ImportController : public QObject {
    Q_OBJECT
public:
    // The file is chosen with `files` (Qt's own file dialog in Russian, in the program). An open
    // cell edit is stored (through `edits`) before anything is asked.
    ImportController(QWidget& window, JournalDocument& document, CellDelegate& edits,
                     std::shared_ptr<FileChooser> files, core::Prompter& prompter);

    QAction& action() { return *action_; }

Q_SIGNALS:
    void imported();

private:
    void import();

    QWidget& window_;
    JournalDocument& document_;
    core::Prompter& prompter_;
    std::shared_ptr<FileChooser> files_;
    QAction* action_ = nullptr;
};

} // namespace app
