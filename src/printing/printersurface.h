#pragma once

#include "printing/pagesurface.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLineF>
#include <QList>
#include <QMap>
#include <QPageLayout>
#include <QPainter>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <vector>

class QPrinter;

namespace printing {

// A page surface that paints on a QPrinter. The document is rendered as PDF into a work file
// of its own and handed on whole at endDoc(), so that a document can still be thrown away
// (abortDoc()) and a printer that refuses it is noticed.
//
// The page is the printable area of the sheet, its top-left corner the origin, as printers
// offer it. The document is rendered at 1440 dots per inch, one dot a twip; pen widths count
// the pixels of a 600 dpi printer. Faces missing on the system fall back to "Times New Roman",
// then "Liberation Serif", then any serif face, always one that shows Cyrillic.
class PrinterSurface : public PageSurface {
public:
    // Takes the finished document (a PDF file) to where it goes; true when it was taken.
    using Delivery = std::function<bool(const QString& documentFile)>;

    // Without a delivery the surface paints straight on its printer (a system printer where no
    // print queue takes finished documents), and an unfinished document is aborted there.
    explicit PrinterSurface(std::unique_ptr<QPrinter> printer, Delivery deliver = {});
    // Paints straight on a printer that is not its own (a print preview's): no work file,
    // nothing delivered.
    explicit PrinterSurface(QPrinter& printer);
    ~PrinterSurface() override;

    // Starts the document, in landscape A4 as the journal is printed; false when the printer
    // cannot start it. Until setPaperSize() is called the surface still reports the page of
    // the printer's own paper, which is what a layout reads its units from.
    bool startDocument();

    void setOrientation(PageOrientation orientation) override;
    int pageWidth() override;
    int pageHeight() override;
    void setPaperSize(PaperSize paper) override;
    void setFontName(const QString& face) override;
    void setFontSize(double points) override { points_ = points; }
    void setFontBold(bool bold) override { bold_ = bold; }
    void setDrawWidth(int pixels) override { drawWidth_ = pixels; }
    void setCurrentX(float twips) override { x_ = twips; }
    void setCurrentY(float twips) override { y_ = twips; }
    void print(const QString& text) override;
    void print(const QString& text, int number) override;
    void line(int x1, int y1, int x2, int y2) override;
    void newPage() override;
    bool endDoc() override;
    void abortDoc() override;
    double textWidth(const QString& text, double points) override;
    double lineHeight(double points) override;

private:
    // The current family and weight at one size, measured on the printer.
    struct SizedFont {
        bool bold;
        double points;
        QFont font;
        QFontMetricsF metrics;
    };

    QSizeF pageTwips() const;
    double toDevice(double twips) const { return twips * deviceUnitsPerTwip_; }
    const SizedFont& fontAt(double points);
    void drawRules();

    // Null for a printer that is not the surface's own.
    std::unique_ptr<QPrinter> printer_;
    QPrinter* target_;
    Delivery deliver_; // empty when painting straight on the printer
    QTemporaryDir workDir_;
    QString workFile_;
    QPainter painter_;
    // The page's rules by pen width in printer pixels, drawn one stroke a width when the page is
    // done: drawn one by one, each change of the pen would be written into the document again.
    QMap<int, QList<QLineF>> rules_;
    double deviceUnitsPerTwip_ = 1;

    QPageLayout ownLayout_;
    bool paperSet_ = false;

    QString face_; // the face last asked for, which family_ stands for
    QString family_;
    double points_ = 10;
    bool bold_ = false;
    std::vector<SizedFont> fonts_; // of the current family
    int drawWidth_ = 1;
    float x_ = 0;
    float y_ = 0;
};

} // namespace printing
