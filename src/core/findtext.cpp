#include "core/findtext.h"

#include <QChar>

namespace core {

FindText::FindText(const QString& needle) : folded_(fold(needle)) {
    if (folded_.isEmpty())
        return;
    auto starts = std::make_shared<std::bitset<0x10000>>();
    const char16_t first = folded_.front().unicode();
    for (char32_t c = 0; c < 0x10000; ++c)
        if (foldChar(char16_t(c)) == first)
            starts->set(c);
    starts_ = std::move(starts);
}

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
    const qsizetype length = folded_.size();
    if (length == 0 || cell.size() < length)
        return false;
    const std::bitset<0x10000>& starts = *starts_;
    for (qsizetype at = 0, last = cell.size() - length; at <= last; ++at) {
        if (!starts.test(cell[at].unicode()))
            continue;
        qsizetype matched = 1;
        while (matched < length &&
               foldChar(cell[at + matched].unicode()) == folded_[matched].unicode())
            ++matched;
        if (matched == length)
            return true;
    }
    return false;
}

} // namespace core
