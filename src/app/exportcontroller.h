#pragma once

#include "model/registerstate.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class QAction;
class QWidget;

namespace core {
class Prompter;
} // namespace core

namespace model {
class GridModel;
} // namespace model

namespace app {

class FileChooser;
class GridView;
class SummaryBar;

// "Экспорт…" (ActExport, Ctrl+E, and in the "Обмен" menu): the rows the filter shows, with the
// header, the columns' widths on screen and the rows' shading, into an .xlsx or .ods file chosen
// in Qt's file dialog, which suggests the journal's name.
class ExportController : public QObject {
    Q_OBJECT
public:
    struct Services {
        std::shared_ptr<FileChooser> files;
        std::shared_ptr<core::Prompter> prompter;
    };
    // The journal's name without ".csv" ("thisyear", "2009"), for the file suggested.
    using JournalName = std::function<QString()>;

    // The action goes on `window`, so that its shortcut works anywhere in it. `summary` holds the
    // row filter.
    ExportController(QWidget& window, const model::GridModel& grid,
                     const model::RegisterState& watch, const GridView& view,
                     const SummaryBar& summary, JournalName journalName, Services services);

    QAction& action() { return *action_; }

public Q_SLOTS:
    void exportShownRows();

Q_SIGNALS:
    // Before anything is read: the window stores an open cell edit.
    void aboutToExport();

private:
    QWidget& window_;
    const model::GridModel& grid_;
    const model::RegisterState& watch_;
    const GridView& view_;
    const SummaryBar& summary_;
    JournalName journalName_;
    Services services_;
    QAction* action_;
};

} // namespace app
