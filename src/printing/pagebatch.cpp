#include "printing/pagebatch.h"

#include <QGlyphRun>
#include <QPainter>
#include <QPen>

void PageBatch::addLine(const QLineF& line, double penWidth) {
    for (Rules& rules : rules_) {
        if (rules.penWidth == penWidth) {
            rules.lines.append(line);
            return;
        }
    }
    rules_.push_back({penWidth, {line}});
}

PageBatch::GlyphSink PageBatch::glyphsFor(const QRawFont& font) {
    for (Run& run : runs_)
        if (run.font == font)
            return {run.glyphs, run.positions};
    runs_.push_back({font, {}, {}});
    return {runs_.back().glyphs, runs_.back().positions};
}

void PageBatch::paint(QPainter& painter) {
    for (const Rules& rules : rules_) {
        painter.setPen(QPen(Qt::black, rules.penWidth, Qt::SolidLine, Qt::SquareCap));
        painter.drawLines(rules.lines);
    }
    painter.setPen(QPen(Qt::black));
    for (const Run& run : runs_) {
        if (run.glyphs.isEmpty())
            continue;
        QGlyphRun glyphs;
        glyphs.setRawFont(run.font);
        glyphs.setGlyphIndexes(run.glyphs);
        glyphs.setPositions(run.positions);
        painter.drawGlyphRun(QPointF(0, 0), glyphs);
    }
    clear();
}

void PageBatch::clear() {
    rules_.clear();
    runs_.clear();
}
