#include "printing/pagebatch.h"

#include <QGlyphRun>
#include <QPainter>
#include <QPen>

namespace printing {

namespace {

// The last of `spare`, emptied but with the room it had, or a new one.
template <typename Item> Item takeSpare(std::vector<Item>& spare) {
    if (spare.empty())
        return {};
    Item item = std::move(spare.back());
    spare.pop_back();
    return item;
}

} // namespace

void PageBatch::addLine(const QLineF& line, double penWidth) {
    for (Rules& rules : rules_) {
        if (rules.penWidth == penWidth) {
            rules.lines.append(line);
            return;
        }
    }
    Rules& rules = rules_.emplace_back(takeSpare(spareRules_));
    rules.penWidth = penWidth;
    rules.lines.append(line);
}

PageBatch::GlyphSink PageBatch::glyphsFor(const QRawFont& font) {
    // Most texts are in the face and size of the text before them.
    if (lastRun_ < runs_.size() && runs_[lastRun_].font == font)
        return {runs_[lastRun_].glyphs, runs_[lastRun_].positions};
    for (lastRun_ = 0; lastRun_ < runs_.size(); ++lastRun_)
        if (runs_[lastRun_].font == font)
            return {runs_[lastRun_].glyphs, runs_[lastRun_].positions};
    Run& run = runs_.emplace_back(takeSpare(spareRuns_));
    run.font = font;
    return {run.glyphs, run.positions};
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
    emptyForNextPage();
}

// The next page needs about as much room: its lists take over this page's, emptied. A list of a
// few thousand glyphs grown again from nothing would be copied a dozen times on every page.
void PageBatch::emptyForNextPage() {
    for (Rules& rules : rules_) {
        rules.lines.clear();
        spareRules_.push_back(std::move(rules));
    }
    for (Run& run : runs_) {
        run.glyphs.clear();
        run.positions.clear();
        spareRuns_.push_back(std::move(run));
    }
    rules_.clear();
    runs_.clear();
}

void PageBatch::clear() {
    rules_.clear();
    runs_.clear();
    spareRules_.clear();
    spareRuns_.clear();
}

} // namespace printing
