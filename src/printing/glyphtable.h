#pragma once

#include <QList>
#include <QPointF>
#include <QRawFont>
#include <QStringView>
#include <vector>

namespace printing {

// The glyphs and advances of one face at one size, looked up once per character, so that texts
// are measured and laid out without running the text shaper. Plain texts (letters, digits,
// punctuation of one face) take this way; a text with a character the face lacks, a combining
// mark or a character outside the basic plane is refused and left to the shaper.
class GlyphTable {
public:
    explicit GlyphTable(QRawFont font);

    const QRawFont& font() const { return font_; }
    // Width in the font's pixels; false when the text is refused.
    bool width(QStringView text, double& width);
    // Appends the text's visible glyphs with their pen positions, the first at `origin`, each
    // put on a whole pixel; blanks only move the pen. False, with nothing appended, when the
    // text is refused.
    bool append(QStringView text, QPointF origin, QList<quint32>& glyphs,
                QList<QPointF>& positions);

private:
    struct Glyph {
        quint32 index = 0; // 0: the character is refused
        float advance = 0;
        bool looked = false;
        bool blank = false;
    };
    // Every character is weighed once; after that a lookup is an index into the table.
    const Glyph* glyph(QChar character) {
        const std::size_t unit = character.unicode();
        if (unit >= byCodeUnit_.size() || !byCodeUnit_[unit].looked)
            return lookUp(character);
        const Glyph& known = byCodeUnit_[unit];
        return known.index != 0 ? &known : nullptr;
    }
    const Glyph* lookUp(QChar character);

    QRawFont font_;
    std::vector<Glyph> byCodeUnit_;
};

} // namespace printing
