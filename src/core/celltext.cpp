#include "core/celltext.h"

#include "core/journalcharset.h"

#include <QChar>
#include <algorithm>
#include <cstring>

namespace core {

namespace {

bool isSpace(char16_t c) {
    return QChar::isSpace(c);
}

} // namespace

char16_t CellText::at(qsizetype i) const {
    return isWide() ? utf16()[i].unicode()
                    : Windows1251Chars[static_cast<unsigned char>(bytes()[i])];
}

QString CellText::toString() const {
    return isWide() ? utf16().toString() : decodeWindows1251(bytes());
}

CellText CellText::trimmed() const {
    qsizetype first = 0;
    qsizetype end = size();
    while (first < end && isSpace(at(first)))
        ++first;
    while (end > first && isSpace(at(end - 1)))
        --end;
    return isWide() ? CellText(utf16().sliced(first, end - first))
                    : windows1251(bytes().sliced(first, end - first));
}

bool operator==(CellText a, CellText b) {
    if (a.size() != b.size())
        return false;
    if (a.isWide() == b.isWide())
        return a.isEmpty() ||
               std::memcmp(a.data_, b.data_, std::size_t(a.size()) * (a.isWide() ? 2 : 1)) == 0;
    const CellText narrow = a.isWide() ? b : a;
    const auto* bytes = static_cast<const unsigned char*>(narrow.data_);
    const char16_t* charOf = Windows1251Chars.data();
    const char16_t* chars = (a.isWide() ? a : b).utf16().utf16();
    for (qsizetype i = 0, size = a.size(); i < size; ++i)
        if (charOf[bytes[i]] != chars[i])
            return false;
    return true;
}

qsizetype indexOfUnwritable(CellText text) {
    if (text.isWide())
        return indexOfUnwritable(text.utf16());
    // Every byte stands for a character a file holds, but for those that structure it.
    const QByteArrayView bytes = text.bytes();
    const auto reserved = std::find_if(bytes.begin(), bytes.end(), [](char b) {
        return b == ';' || b == '\r' || b == '\n' || b == '\0';
    });
    return reserved == bytes.end() ? -1 : qsizetype(reserved - bytes.begin());
}

char* writeWindows1251(CellText text, char* out) {
    if (text.isWide())
        return writeWindows1251(text.utf16(), out);
    if (!text.isEmpty())
        std::memcpy(out, text.bytes().data(), std::size_t(text.size()));
    return out + text.size();
}

void CellChars::decode(QByteArrayView bytes) {
    char16_t* out = onStack_;
    if (bytes.size() > OnStack) {
        onHeap_ = std::make_unique_for_overwrite<char16_t[]>(std::size_t(bytes.size()));
        out = onHeap_.get();
    }
    decodeWindows1251(bytes, out);
    view_ = QStringView(out, bytes.size());
}

} // namespace core
