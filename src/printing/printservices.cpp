#include "printing/printservices.h"

#include "printing/printersurface.h"

#include <QFile>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QSaveFile>

namespace {

constexpr int QueueAnswerMs = 60000;

// Hands a finished PDF to a CUPS queue with the client's `lp`, which returns only once the
// scheduler has accepted (or refused) the job.
bool submitToQueue(const QString& queue, const QString& title, const QString& document) {
    QProcess lp;
    lp.setProgram(QStringLiteral("lp"));
    lp.setArguments({QStringLiteral("-d"), queue, QStringLiteral("-t"), title, QStringLiteral("-o"),
                     QStringLiteral("media=A4"), QStringLiteral("--"), document});
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
    auto printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    printer->setDocName(documentName_);
    const QString queue = info.printerName();
    const QString title = documentName_;
    return started(std::make_unique<PrinterSurface>(
        std::move(printer),
        [queue, title](const QString& document) { return submitToQueue(queue, title, document); }));
}

PdfFilePrinterProvider::PdfFilePrinterProvider(QString fileName, QString documentName)
    : fileName_(std::move(fileName)), documentName_(std::move(documentName)) {}

std::unique_ptr<PageSurface> PdfFilePrinterProvider::open() {
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setDocName(documentName_);
    const QString target = fileName_;
    return started(
        std::make_unique<PrinterSurface>(std::move(printer), [target](const QString& document) {
            return copyInto(document, target);
        }));
}
