#pragma once

#include "model/registerstate.h"

#include <QObject>
#include <memory>

class QWidget;

namespace core {
class Clock;
class Prompter;
} // namespace core

namespace model {
class GridModel;
} // namespace model

namespace printing {
class PrintProgress;
class PrinterProvider;
} // namespace printing

namespace app {

class CellDelegate;
class SummaryBar;

// "Печать" on the default printer, Ctrl+P through Qt's print dialog, Ctrl+Shift+P a print
// preview: each lays the journal out alike. With a row filter on, it asks whether to print only
// the rows shown (the list for a round, titled with the filter's name) or the whole journal.
class PrintController : public QObject {
    Q_OBJECT
public:
    struct Services {
        std::shared_ptr<printing::PrinterProvider> printer; // where "Печать" prints
        std::shared_ptr<core::Clock> clock;                 // the date and time on the printout
        std::shared_ptr<printing::PrintProgress> progress;  // follows long printouts
        std::shared_ptr<core::Prompter> prompter;
    };
    // The shortcuts (ActPrintDialog, ActPreview) go on `window`, the dialogs over it. `summary`
    // holds the row filter and counts the rows it shows. An open cell edit is stored (through
    // `edits`) before anything is read for printing.
    PrintController(QWidget& window, model::GridModel& grid, const model::RegisterState& watch,
                    const SummaryBar& summary, CellDelegate& edits, Services services);

    void print();

private:
    void printWithDialog();
    void printPreview();
    // The grid to print: all of it, or with a row filter on and the user's consent, the rows
    // shown, copied into `shown`, and then the filter's name in `listName` for the title.
    model::GridModel* gridToPrint(model::GridModel& shown, QString& listName);
    void printOn(printing::PrinterProvider& printer);

    QWidget& window_;
    model::GridModel& grid_;
    const model::RegisterState& watch_;
    const SummaryBar& summary_;
    Services services_;
};

} // namespace app
