#pragma once

#include "printing/pagesurface.h"

#include <QList>
#include <QString>
#include <QStringList>

// A page surface that draws nothing and writes down every operation with its arguments, for
// checking a printout without a printer.
//
// Text widths follow a simple model: every character is half an em wide, so a text of n
// characters at p points measures n × p × 10 twips; its line is one em high, p × 20 twips.
class RecordingSurface : public printing::PageSurface {
public:
    enum class Op {
        Orientation,
        PageWidth,
        PageHeight,
        PaperSize,
        FontName,
        FontSize,
        FontBold,
        DrawWidth,
        CurrentX,
        CurrentY,
        Print,
        Line,
        NewPage,
        EndDoc,
        AbortDoc,
    };

    // One operation as it was called. `number` carries an integer argument (orientation, paper,
    // bold, pen width, the number printed after a text), `value` a fractional one (font size,
    // current position, the page size read) and `text` a text (face name, printed text).
    struct Call {
        Op op;
        QString text;
        double value = 0;
        int number = 0;
        bool withNumber = false;
        int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    };

    // A printed text with the settings it was printed in. Pages count from 1.
    struct Text {
        int page;
        float x;
        float y;
        QString text;
        bool withNumber;
        int number;
        QString face;
        double points;
        bool bold;
    };

    // A drawn line with the pen width it was drawn in.
    struct Line {
        int page;
        int x1, y1, x2, y2;
        int width;
    };

    // The paper is given in portrait; landscape turns it.
    explicit RecordingSurface(int paperWidth = 11906, int paperHeight = 16838);

    void setOrientation(printing::PageOrientation orientation) override;
    int pageWidth() override;
    int pageHeight() override;
    void setPaperSize(printing::PaperSize paper) override;
    void setFontName(const QString& face) override;
    void setFontSize(double points) override;
    void setFontBold(bool bold) override;
    void setDrawWidth(int pixels) override;
    void setCurrentX(float twips) override;
    void setCurrentY(float twips) override;
    void print(const QString& text) override;
    void print(const QString& text, int number) override;
    void line(int x1, int y1, int x2, int y2) override;
    void newPage() override;
    bool endDoc() override;
    void abortDoc() override;
    double textWidth(const QString& text, double points) override;
    // One line is as high as the size in twips: p × 20.
    double lineHeight(double points) override;

    // What endDoc() answers: whether the printer takes the document.
    void setPrinterTakesDocument(bool takes) { takesDocument_ = takes; }

    const QList<Call>& calls() const { return calls_; }
    const QList<Text>& texts() const { return texts_; }
    const QList<Line>& lines() const { return lines_; }
    int pageCount() const { return page_; }
    bool ended() const { return ended_; }
    bool aborted() const { return aborted_; }

    // The calls as readable lines ("Line 672 476 14784 476"), for messages of failing checks.
    QStringList log() const;

private:
    void record(Op op, const QString& text, double value, int number);
    void printItems(const QString& text, bool withNumber, int number);

    QList<Call> calls_;
    QList<Text> texts_;
    QList<Line> lines_;
    int paperWidth_;
    int paperHeight_;
    bool landscape_ = false;
    QString face_;
    double points_ = 10;
    bool bold_ = false;
    int drawWidth_ = 1;
    float x_ = 0;
    float y_ = 0;
    int page_ = 1;
    bool takesDocument_ = true;
    bool ended_ = false;
    bool aborted_ = false;
};
