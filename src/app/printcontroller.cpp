#include "app/printcontroller.h"

#include "app/shortcuts.h"
#include "core/clock.h"
#include "core/prompter.h"
#include "model/gridmodel.h"
#include "printing/journalprintout.h"
#include "printing/printservices.h"

#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QWidget>

PrintController::PrintController(QWidget& window, GridModel& grid, const journal::BlockWatch& watch,
                                 ShownRows shownRows, ShownCount shownCount, Services services)
    : QObject(&window), window_(window), grid_(grid), watch_(watch),
      shownRows_(std::move(shownRows)), shownCount_(std::move(shownCount)),
      services_(std::move(services)) {
    addShortcut(window, "ActPrintDialog", {QKeySequence::Print}, this,
                &PrintController::printWithDialog);
    addShortcut(window, "ActPreview",
                {QKeySequence(Qt::ControlModifier | Qt::ShiftModifier | Qt::Key_P)}, this,
                &PrintController::printPreview);
}

// With a filter on, the rows shown may be the list to take on a round.
GridModel* PrintController::gridToPrint(GridModel& shown) {
    const journal::RowFilter filter = shownRows_();
    if (filter == journal::RowFilter::All ||
        !services_.prompter->question(
            QStringLiteral("Напечатать только показанные строки (%1)? «Нет» — весь журнал.")
                .arg(shownCount_())))
        return &grid_;
    journal::CellTable cells(0, grid_.cols());
    for (int r = 0; r < grid_.rows(); ++r) {
        if (r > 0 && !watch_.shows(r, filter))
            continue;
        const int row = cells.rows();
        cells.insertRows(row, 1);
        for (int c = 0; c < grid_.cols(); ++c)
            cells.setCell(row, c, grid_.cell(r, c));
    }
    shown.replaceCells(std::move(cells));
    return &shown;
}

void PrintController::print() {
    printOn(*services_.printer);
}

void PrintController::printWithDialog() {
    Q_EMIT aboutToPrint();
    QPrinter chosen(QPrinter::HighResolution);
    QPrintDialog dialog(&chosen, &window_);
    dialog.setObjectName(QStringLiteral("DlgPrint"));
    if (dialog.exec() != QDialog::Accepted)
        return;
    ChosenPrinterProvider printer(chosen);
    printOn(printer);
}

void PrintController::printPreview() {
    Q_EMIT aboutToPrint();
    QPrinter previewed(QPrinter::HighResolution);
    QPrintPreviewDialog dialog(&previewed, &window_);
    dialog.setObjectName(QStringLiteral("DlgPreview"));
    GridModel shown;
    GridModel* printed = gridToPrint(shown);
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this, [&](QPrinter* printer) {
        PreviewPrinterProvider preview(*printer);
        printJournal(*printed, preview, *services_.clock);
    });
    dialog.exec();
}

void PrintController::printOn(PrinterProvider& printer) {
    Q_EMIT aboutToPrint();
    GridModel shown;
    GridModel* printed = gridToPrint(shown);
    const PrintResult result =
        printJournal(*printed, printer, *services_.clock, services_.progress.get());
    if (result == PrintResult::NoPrinter)
        services_.prompter->message(noPrinterMessage());
}
