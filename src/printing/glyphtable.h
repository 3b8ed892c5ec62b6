#pragma once

#include <QList>
#include <QPointF>
#include <QRawFont>
#include <QString>
#include <vector>

// The glyphs and advances of one face at one size, looked up once per character, so that texts
// are measured and laid out without running the text shaper. Plain texts (letters, digits,
// punctuation of one face) take this way; a text with a character the face lacks, a combining
// mark or a character outside the basic plane is refused and left to the shaper.
class GlyphTable {
public:
    explicit GlyphTable(QRawFont font);

    const QRawFont& font() const { return font_; }
    // Width in the font's pixels; false when the text is refused.
    bool width(const QString& text, double& width);
    // Appends the text's visible glyphs with their pen positions, the first at `origin`, each
    // put on a whole pixel; blanks only move the pen. False, with nothing appended, when the
    // text is refused.
    bool append(const QString& text, QPointF origin, QList<quint32>& glyphs,
                QList<QPointF>& positions);

private:
    struct Glyph {
        quint32 index = 0;
        float advance = 0;
        bool looked = false;
    };
    const Glyph* glyph(QChar character);

    QRawFont font_;
    std::vector<Glyph> byCodeUnit_;
};
