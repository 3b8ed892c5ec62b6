#include "printing/fonts.h"

#include <QFontDatabase>
#include <QFontInfo>

namespace printing {

namespace {

bool showsCyrillic(const QString& family) {
    return QFontDatabase::writingSystems(family).contains(QFontDatabase::Cyrillic);
}

} // namespace

QFont cyrillicFont(const QStringList& families, QFont::StyleHint kind, double pointSize,
                   bool bold) {
    QFont font;
    font.setStyleHint(kind);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    for (const QString& family : families) {
        if (QFontDatabase::hasFamily(family) && showsCyrillic(family)) {
            font.setFamily(family);
            return font;
        }
    }
    // Let the font matcher choose a face of the right kind, then make sure it has Cyrillic.
    font.setFamily(QString());
    if (const QString matched = QFontInfo(font).family(); showsCyrillic(matched))
        font.setFamily(matched);
    else if (const QStringList any = QFontDatabase::families(QFontDatabase::Cyrillic);
             !any.isEmpty())
        font.setFamily(any.first());
    return font;
}

QFont msSansSerif(double pointSize, bool bold) {
    return cyrillicFont({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                         QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans"),
                         QStringLiteral("Arial")},
                        QFont::SansSerif, pointSize, bold);
}

} // namespace printing
