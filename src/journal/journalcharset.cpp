#include "journal/journalcharset.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <array>

namespace journal {

namespace {

constexpr const char* Codec = "windows-1251";

// One flag per UTF-16 code unit: whether a cell may hold it. A flat table keeps the check of a
// whole register down to one load per character.
using Holdable = std::array<bool, 0x10000>;

// The characters that Windows-1251 encodes, learnt from the converter itself: every byte is
// decoded and kept when its character encodes back to the same byte. The characters that
// structure the file are then taken out.
Holdable buildHoldable() {
    Holdable holdable{};
    QByteArray bytes(256, '\0');
    for (int b = 0; b < 256; ++b)
        bytes[b] = char(b);
    const QString chars = decodeJournalText(bytes);
    for (qsizetype b = 0; b < chars.size() && b < 256; ++b) {
        QStringEncoder encoder(Codec);
        const QByteArray back = encoder.encode(QStringView(chars).mid(b, 1));
        if (!encoder.hasError() && back.size() == 1 && uchar(back[0]) == b)
            holdable[chars[b].unicode()] = true;
    }
    for (char16_t structural : {u';', u'\r', u'\n'})
        holdable[structural] = false;
    return holdable;
}

const Holdable& holdable() {
    static const Holdable table = buildHoldable();
    return table;
}

} // namespace

bool canHold(QChar c) {
    return holdable()[c.unicode()];
}

qsizetype indexOfUnwritable(QStringView text) {
    const Holdable& table = holdable();
    const char16_t* chars = text.utf16();
    for (qsizetype i = 0; i < text.size(); ++i)
        if (!table[chars[i]])
            return i;
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
