#pragma once

#include "printing/pagesurface.h"

#include <QString>
#include <memory>

class QPrinter;

namespace printing {

// Where a printout goes: a printer that opens a document for it.
class PrinterProvider {
public:
    virtual ~PrinterProvider() = default;
    // A document started on the printer, or null when there is no printer or it cannot start
    // a document.
    virtual std::unique_ptr<PageSurface> open() = 0;
};

// What part of a document goes to the printer, and how often.
struct QueueOptions {
    int copies = 1;
    int fromPage = 0; // 0: all pages
    int toPage = 0;
};

// The title a printed document carries in the printer's queue.
QString journalDocumentName();

// The system's default printer. Where the system has print queues that take finished documents
// (CUPS, with `lp`: Linux), the document is rendered completely before it is handed to the
// queue, so a cancelled printout never reaches the printer; elsewhere it is painted on the
// printer through Qt's own driver, and a cancelled printout is aborted there.
class DefaultPrinterProvider : public PrinterProvider {
public:
    explicit DefaultPrinterProvider(QString documentName = journalDocumentName());
    std::unique_ptr<PageSurface> open() override;

private:
    QString documentName_;
};

// The printer and settings chosen in the print dialog: its printer (copies, page range) or, with
// "Печать в файл", a PDF file.
class ChosenPrinterProvider : public PrinterProvider {
public:
    explicit ChosenPrinterProvider(const QPrinter& chosen);
    std::unique_ptr<PageSurface> open() override;

private:
    QString printerName_;
    QString outputFile_;
    QueueOptions options_;
};

// A PDF file. The file appears, whole, only when the document ends; a cancelled or failed
// document leaves an earlier file of that name as it was.
class PdfFilePrinterProvider : public PrinterProvider {
public:
    explicit PdfFilePrinterProvider(QString fileName);
    std::unique_ptr<PageSurface> open() override;

private:
    QString fileName_;
};

} // namespace printing
