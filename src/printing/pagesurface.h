#pragma once

#include <QString>

namespace printing {

// Values the printer knows orientation and paper by.
enum class PageOrientation { Portrait = 1, Landscape = 2 };
enum class PaperSize { Letter = 1, A4 = 9 };

// A printer's page, driven the way the journal printout drives it. Positions are in twips
// (1/1440 inch) from the top-left corner of the sheet, x to the right and y downwards.
//
// The surface holds one document from its opening until endDoc() or abortDoc(). Settings
// (font, pen width, current position) stay until changed; print() puts the top-left corner of
// its text at the current position and then moves to the start of the next line.
class PageSurface {
public:
    virtual ~PageSurface() = default;

    // Takes effect for the document being printed, before anything is drawn.
    virtual void setOrientation(PageOrientation orientation) = 0;
    // The size of the printer's current paper in the current orientation, in twips.
    virtual int pageWidth() = 0;
    virtual int pageHeight() = 0;
    virtual void setPaperSize(PaperSize paper) = 0;

    virtual void setFontName(const QString& face) = 0;
    virtual void setFontSize(double points) = 0;
    virtual void setFontBold(bool bold) = 0;
    // Pen width of the following lines, in printer device pixels.
    virtual void setDrawWidth(int pixels) = 0;

    virtual void setCurrentX(float twips) = 0;
    virtual void setCurrentY(float twips) = 0;
    virtual void print(const QString& text) = 0;
    // The text followed directly by the number as the printer writes it: a space in place of the
    // sign of a non-negative number, the digits, one space after them.
    virtual void print(const QString& text, int number) = 0;
    virtual void line(int x1, int y1, int x2, int y2) = 0;

    virtual void newPage() = 0;
    // Ends the document and hands it to the printer; false when the printer did not take it.
    virtual bool endDoc() = 0;
    // Throws the unfinished document away: nothing of it reaches the printer.
    virtual void abortDoc() = 0;

    // How wide the text comes out, in twips, in the current face and weight at the given size.
    virtual double textWidth(const QString& text, double points) = 0;
    // How far print() moves down at the given size in the current face and weight, in twips.
    virtual double lineHeight(double points) = 0;
};

} // namespace printing
