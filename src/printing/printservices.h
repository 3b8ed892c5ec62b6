#pragma once

#include "printing/pagesurface.h"

#include <QString>
#include <memory>

// Where a printout goes: a printer that opens a document for it.
class PrinterProvider {
public:
    virtual ~PrinterProvider() = default;
    // A document started on the printer, or null when there is no printer or it cannot start
    // a document.
    virtual std::unique_ptr<PageSurface> open() = 0;
};

// The title a printed document carries in the printer's queue.
QString journalDocumentName();

// The system's default printer (a CUPS queue here). The document is rendered completely before
// it is handed to the queue, so a cancelled printout never reaches the printer.
class DefaultPrinterProvider : public PrinterProvider {
public:
    explicit DefaultPrinterProvider(QString documentName = journalDocumentName());
    std::unique_ptr<PageSurface> open() override;

private:
    QString documentName_;
};

// A PDF file. The file appears, whole, only when the document ends; a cancelled or failed
// document leaves an earlier file of that name as it was.
class PdfFilePrinterProvider : public PrinterProvider {
public:
    explicit PdfFilePrinterProvider(QString fileName, QString documentName = journalDocumentName());
    std::unique_ptr<PageSurface> open() override;

private:
    QString fileName_;
    QString documentName_;
};
