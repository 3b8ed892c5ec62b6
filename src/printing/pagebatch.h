#pragma once

#include <QLineF>
#include <QList>
#include <QPointF>
#include <QRawFont>
#include <vector>

class QPainter;

namespace printing {

// The ink of one page, gathered so that it reaches the painter in a few large strokes: the
// rules of one pen width as one path, the glyphs of one face and size as one run, each in the
// order of its first use on the page. Everything on the journal's pages is black, so the order
// in which it is laid down does not show.
class PageBatch {
public:
    void addLine(const QLineF& line, double penWidth);
    // The glyph list and positions to append one text's glyphs to.
    struct GlyphSink {
        QList<quint32>& glyphs;
        QList<QPointF>& positions;
    };
    GlyphSink glyphsFor(const QRawFont& font);

    // Draws everything gathered and empties the batch for the next page.
    void paint(QPainter& painter);
    // Empties the batch and lets its memory go.
    void clear();

private:
    struct Rules {
        double penWidth = 0;
        QList<QLineF> lines;
    };
    struct Run {
        QRawFont font;
        QList<quint32> glyphs;
        QList<QPointF> positions;
    };

    void emptyForNextPage();

    std::vector<Rules> rules_;
    std::vector<Run> runs_;
    std::size_t lastRun_ = 0; // in runs_, of the last text
    std::vector<Rules> spareRules_;
    std::vector<Run> spareRuns_;
};

} // namespace printing
