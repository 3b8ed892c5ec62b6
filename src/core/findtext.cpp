#include "core/findtext.h"

#include <QChar>

FindText::FindText(const QString& needle) : folded_(fold(needle)) {}

char16_t FindText::foldChar(char16_t c) {
    if (c < 0x80)
        return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c;
    if (c >= 0x0410 && c <= 0x042F) // А .. Я
        return char16_t(c + 32);
    if (c == 0x0401 || c == 0x0451) // Ё, ё
        return u'е';
    if (c >= 0x0400 && c <= 0x040F) // Ѐ .. Џ
        return char16_t(c + 80);
    return QChar(c).toLower().unicode();
}

QString FindText::fold(QStringView text) {
    QString folded(text.size(), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(folded.data());
    for (QChar c : text)
        *out++ = foldChar(c.unicode());
    return folded;
}

bool FindText::matches(QStringView cell) const {
    if (folded_.isEmpty() || cell.size() < folded_.size())
        return false;
    buffer_.resize(cell.size());
    char16_t* out = reinterpret_cast<char16_t*>(buffer_.data());
    for (QChar c : cell)
        *out++ = foldChar(c.unicode());
    return QStringView(buffer_).indexOf(folded_) >= 0;
}
