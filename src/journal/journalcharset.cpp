#include "journal/journalcharset.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <bitset>

namespace journal {

namespace {

constexpr const char* Codec = "windows-1251";

using CharSet = std::bitset<0x10000>;

// The characters that Windows-1251 encodes, learnt from the converter itself: every byte is
// decoded and kept when its character encodes back to the same byte.
CharSet buildEncodable() {
    CharSet set;
    QByteArray bytes(256, '\0');
    for (int b = 0; b < 256; ++b)
        bytes[b] = char(b);
    const QString chars = decodeJournalText(bytes);
    for (qsizetype b = 0; b < chars.size() && b < 256; ++b) {
        QStringEncoder encoder(Codec);
        const QByteArray back = encoder.encode(QStringView(chars).mid(b, 1));
        if (!encoder.hasError() && back.size() == 1 && uchar(back[0]) == b)
            set.set(chars[b].unicode());
    }
    return set;
}

const CharSet& encodable() {
    static const CharSet set = buildEncodable();
    return set;
}

bool isStructural(char16_t c) {
    return c == u';' || c == u'\r' || c == u'\n';
}

} // namespace

bool canHold(QChar c) {
    const char16_t u = c.unicode();
    if (isStructural(u))
        return false;
    return u < 0x80 || encodable()[u];
}

qsizetype indexOfUnwritable(QStringView text) {
    const CharSet& set = encodable();
    const char16_t* chars = text.utf16();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = chars[i];
        if (u < 0x80 ? isStructural(u) : !set[u])
            return i;
    }
    return -1;
}

QString dropUnwritable(QStringView text) {
    QString kept;
    kept.reserve(text.size());
    for (QChar c : text)
        if (canHold(c))
            kept.append(c);
    return kept;
}

QString decodeJournalText(const QByteArray& bytes) {
    QStringDecoder decoder(Codec);
    return decoder.decode(bytes);
}

QByteArray encodeJournalText(QStringView text) {
    QStringEncoder encoder(Codec);
    return encoder.encode(text);
}

} // namespace journal
