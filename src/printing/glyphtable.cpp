#include "printing/glyphtable.h"

#include <cmath>

namespace printing {

GlyphTable::GlyphTable(QRawFont font) : font_(std::move(font)) {}

const GlyphTable::Glyph* GlyphTable::lookUp(QChar character) {
    const std::size_t unit = character.unicode();
    if (unit >= byCodeUnit_.size())
        byCodeUnit_.resize(unit + 1);
    Glyph& glyph = byCodeUnit_[unit];
    glyph.looked = true;
    glyph.blank = character.isSpace();
    int count = 1;
    if (!character.isSurrogate() && !character.isMark() &&
        font_.glyphIndexesForChars(&character, 1, &glyph.index, &count) && count == 1 &&
        glyph.index != 0) {
        QPointF advance;
        font_.advancesForGlyphIndexes(&glyph.index, &advance, 1);
        glyph.advance = float(advance.x());
    } else {
        glyph.index = 0;
    }
    return glyph.index != 0 ? &glyph : nullptr;
}

bool GlyphTable::width(QStringView text, double& width) {
    double sum = 0;
    for (const QChar character : text) {
        const Glyph* found = glyph(character);
        if (!found)
            return false;
        sum += found->advance;
    }
    width = sum;
    return true;
}

bool GlyphTable::append(QStringView text, QPointF origin, QList<quint32>& glyphs,
                        QList<QPointF>& positions) {
    const qsizetype glyphsBefore = glyphs.size();
    const qsizetype positionsBefore = positions.size();
    const double y = std::round(origin.y());
    double x = origin.x();
    for (const QChar character : text) {
        const Glyph* found = glyph(character);
        if (!found) {
            glyphs.resize(glyphsBefore);
            positions.resize(positionsBefore);
            return false;
        }
        if (!found->blank) {
            glyphs.append(found->index);
            positions.append(QPointF(std::round(x), y));
        }
        x += found->advance;
    }
    return true;
}

} // namespace printing
