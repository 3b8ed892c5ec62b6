#pragma once

#include <QList>
#include <QSizeF>
#include <QString>
#include <QStringList>

// What poppler's tools (pdfinfo, pdftotext) tell about a PDF file.
struct PdfPage {
    QSizeF points; // as drawn on the page, the page's rotation applied
    bool landscape() const { return points.width() > points.height(); }
    // A4 either way round, to a point.
    bool isA4() const;
};

bool popplerToolsAvailable();
// The pages as pdfinfo reports them; empty when the file cannot be read.
QList<PdfPage> pdfPages(const QString& file);
// The text of each page as pdftotext finds it, runs of white space written as one space.
QStringList pdfPageTexts(const QString& file);
QString collapseSpaces(const QString& text);
// The names of the fonts the file uses, as pdffonts lists them (subset tags removed).
QStringList pdfFontNames(const QString& file);

// The local CUPS scheduler with a cups-pdf queue as its default printer, which turns every job
// into a PDF file instead of paper.
namespace cupspdf {

// Why a real print cannot be made here; empty when it can. A default printer that is not a
// cups-pdf queue counts as unavailable, so that a test never prints on paper.
QString unavailableReason();
// The folders where cups-pdf leaves the finished files of the current user.
QStringList outputFolders();
// The finished PDF whose name carries `titleToken` (the job's title), or an empty text when
// none has appeared within the time.
QString waitForOutput(const QString& titleToken, int timeoutMs);
// The document the queue was given for the job that made `output` (cups-pdf ends its file names
// with the job's number), as CUPS keeps it in its spool for a while; empty when unknown.
// cups-pdf prints through PostScript and Ghostscript, which keep the pages but not the text,
// so the text of a print is checked on this document.
QString spooledDocument(const QString& output);

} // namespace cupspdf
