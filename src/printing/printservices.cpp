#include "printing/printservices.h"

#include "printing/printersurface.h"

#include <QFile>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QSaveFile>

namespace printing {

namespace {

constexpr int QueueAnswerMs = 60000;

// Hands a finished PDF to a CUPS queue with the client's `lp`, which returns only once the
// scheduler has accepted (or refused) the job. This and the choice of it in the providers is
// all that is particular to the platform.
bool submitToQueue(const QString& queue, const QString& title, const QString& document,
                   QueueOptions options) {
    QProcess lp;
    lp.setProgram(QStringLiteral("lp"));
    QStringList arguments{QStringLiteral("-d"), queue,
                          QStringLiteral("-t"), title,
                          QStringLiteral("-o"), QStringLiteral("media=A4"),
                          QStringLiteral("-n"), QString::number(std::max(1, options.copies))};
    if (options.fromPage > 0)
        arguments << QStringLiteral("-P")
                  << QStringLiteral("%1-%2")
                         .arg(options.fromPage)
                         .arg(std::max(options.fromPage, options.toPage));
    lp.setArguments(arguments << QStringLiteral("--") << document);
    lp.setStandardInputFile(QProcess::nullDevice());
    lp.start();
    if (!lp.waitForStarted())
        return false;
    if (!lp.waitForFinished(QueueAnswerMs)) {
        lp.kill();
        lp.waitForFinished();
        return false;
    }
    return lp.exitStatus() == QProcess::NormalExit && lp.exitCode() == 0;
}

// Replaces the file only once the new one is complete.
bool copyInto(const QString& document, const QString& target) {
    QFile source(document);
    QSaveFile out(target);
    if (!source.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly))
        return false;
    constexpr qint64 Chunk = 1 << 20;
    while (!source.atEnd()) {
        const QByteArray bytes = source.read(Chunk);
        if (bytes.isEmpty() || out.write(bytes) != bytes.size()) {
            out.cancelWriting();
            return false;
        }
    }
    return out.commit();
}

std::unique_ptr<PageSurface> started(std::unique_ptr<PrinterSurface> surface) {
    if (!surface->startDocument())
        return nullptr;
    return surface;
}

std::unique_ptr<PageSurface> onQueue(const QPrinterInfo& info, const QString& documentName,
                                     QueueOptions options) {
    auto printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    printer->setDocName(documentName);
#if defined(Q_OS_LINUX)
    const QString queue = info.printerName();
    return started(std::make_unique<PrinterSurface>(
        std::move(printer), [queue, documentName, options](const QString& document) {
            return submitToQueue(queue, documentName, document, options);
        }));
#else
    printer->setCopyCount(options.copies);
    if (options.fromPage > 0)
        printer->setFromTo(options.fromPage, options.toPage);
    // Where no queue takes finished documents, Qt's driver prints on the printer directly.
    return started(std::make_unique<PrinterSurface>(std::move(printer)));
#endif
}

} // namespace

QString journalDocumentName() {
    return QStringLiteral("Журнал ЭКЛЗ");
}

DefaultPrinterProvider::DefaultPrinterProvider(QString documentName)
    : documentName_(std::move(documentName)) {}

std::unique_ptr<PageSurface> DefaultPrinterProvider::open() {
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull() || info.printerName().isEmpty())
        return nullptr;
    return onQueue(info, documentName_, {});
}

ChosenPrinterProvider::ChosenPrinterProvider(const QPrinter& chosen)
    : printerName_(chosen.printerName()),
      outputFile_(chosen.outputFormat() == QPrinter::PdfFormat ? chosen.outputFileName()
                                                               : QString()),
      options_{chosen.copyCount(),
               chosen.printRange() == QPrinter::PageRange ? chosen.fromPage() : 0,
               chosen.printRange() == QPrinter::PageRange ? chosen.toPage() : 0} {}

std::unique_ptr<PageSurface> ChosenPrinterProvider::open() {
    if (!outputFile_.isEmpty())
        return PdfFilePrinterProvider(outputFile_).open();
    const QPrinterInfo info = QPrinterInfo::printerInfo(printerName_);
    if (info.isNull())
        return nullptr;
    return onQueue(info, journalDocumentName(), options_);
}

PdfFilePrinterProvider::PdfFilePrinterProvider(QString fileName) : fileName_(std::move(fileName)) {}

std::unique_ptr<PageSurface> PdfFilePrinterProvider::open() {
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setDocName(journalDocumentName());
    return started(std::make_unique<PrinterSurface>(
        std::move(printer),
        [target = fileName_](const QString& document) { return copyInto(document, target); }));
}

} // namespace printing
