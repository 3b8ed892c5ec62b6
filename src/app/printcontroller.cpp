#include "app/printcontroller.h"

#include "app/celldelegate.h"
#include "app/shortcuts.h"
#include "app/summarybar.h"
#include "core/clock.h"
#include "core/prompter.h"
#include "model/gridmodel.h"
#include "printing/journalprintout.h"
#include "printing/printersurface.h"
#include "printing/printservices.h"

#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QWidget>

namespace app {

PrintController::PrintController(QWidget& window, model::GridModel& grid,
                                 const model::RegisterState& watch, const SummaryBar& summary,
                                 CellDelegate& edits, Services services)
    : QObject(&window), window_(window), grid_(grid), watch_(watch), summary_(summary),
      services_(std::move(services)) {
    addShortcut(window, "ActPrintDialog", {QKeySequence::Print}, this,
                edits.command(this, &PrintController::printWithDialog));
    addShortcut(window, "ActPreview",
                {QKeySequence(Qt::ControlModifier | Qt::ShiftModifier | Qt::Key_P)}, this,
                edits.command(this, &PrintController::printPreview));
}

model::GridModel* PrintController::gridToPrint(model::GridModel& shown, QString& listName) {
    const model::RowFilter filter = summary_.filter();
    if (filter == model::RowFilter::All ||
        !services_.prompter->question(
            QStringLiteral("Напечатать только показанные строки (%1)? «Нет» — весь журнал.")
                .arg(summary_.shownRows())))
        return &grid_;
    QList<QStringList> rows;
    for (int r = 0; r < grid_.rowCount(); ++r)
        if (watch_.blocks().shows(r, filter))
            rows.append(grid_.dataRows()[r]);
    shown.replaceCells(grid_.captions(), std::move(rows));
    listName = model::rowFilterName(filter);
    return &shown;
}

void PrintController::print() {
    printOn(*services_.printer);
}

void PrintController::printWithDialog() {
    QPrinter chosen(QPrinter::HighResolution);
    QPrintDialog dialog(&chosen, &window_);
    dialog.setObjectName(QStringLiteral("DlgPrint"));
    if (dialog.exec() != QDialog::Accepted)
        return;
    printing::ChosenPrinterProvider printer(chosen);
    printOn(printer);
}

void PrintController::printPreview() {
    QPrinter previewed(QPrinter::HighResolution);
    QPrintPreviewDialog dialog(&previewed, &window_);
    dialog.setObjectName(QStringLiteral("DlgPreview"));
    model::GridModel shown;
    QString listName;
    model::GridModel* printed = gridToPrint(shown, listName);
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this, [&](QPrinter* printer) {
        // The journal is painted on the preview's printer as on paper.
        printing::PrinterSurface preview(*printer);
        if (preview.startDocument())
            printing::printJournal(*printed, preview, *services_.clock, nullptr, listName);
    });
    dialog.exec();
}

void PrintController::printOn(printing::PrinterProvider& printer) {
    model::GridModel shown;
    QString listName;
    model::GridModel* printed = gridToPrint(shown, listName);
    const printing::PrintResult result = printing::printJournal(*printed, printer, *services_.clock,
                                                                services_.progress.get(), listName);
    if (result == printing::PrintResult::NoPrinter)
        services_.prompter->message(printing::noPrinterMessage());
}

} // namespace app
