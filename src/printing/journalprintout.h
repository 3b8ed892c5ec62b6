#pragma once

#include <QString>

namespace core {
class Clock;
} // namespace core

namespace model {
class GridModel;
} // namespace model

namespace printing {

class PageSurface;
class PrinterProvider;

enum class PrintResult {
    Printed,   // the printer took the document
    NoPrinter, // no printer, or it did not start or take the document: nothing was printed
    Cancelled, // the user stopped a long printout: the document was thrown away
};

QString noPrinterMessage();

// Shows how far a long printout has got and lets the user stop it.
class PrintProgress {
public:
    virtual ~PrintProgress() = default;
    virtual void start(int pageCount) = 0;
    // Called after each finished page; false when the user asked to stop.
    virtual bool pageDone(int pagesDone) = 0;
    virtual void finish() = 0;
};

// Journals of more pages than this show their progress.
constexpr int QuietPrintPages = 10;

// Prints the journal the grid holds on a document opened from `printers`: landscape A4 pages
// with a bold title carrying the date and time from `clock`, the column headers on every page,
// one ruled band per data row and a page label at the foot of every page.
//
// `progress`, when given, follows journals of more than QuietPrintPages pages
// and can stop them. A grid holding some rows only (a filtered list) names them in `listName`,
// which the title carries after the date; a title too long for its place starts further left.
PrintResult printJournal(const model::GridModel& grid, PrinterProvider& printers,
                         const core::Clock& clock, PrintProgress* progress = nullptr,
                         const QString& listName = {});

// The same on a surface that already holds a started document, which the printout ends
// (or, when cancelled, throws away).
PrintResult printJournal(const model::GridModel& grid, PageSurface& surface,
                         const core::Clock& clock, PrintProgress* progress = nullptr,
                         const QString& listName = {});

} // namespace printing
