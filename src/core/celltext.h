#pragma once

#include "core/journalcharset.h"

#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <memory>

namespace core {

// A cell's text as a table keeps it: one byte a character, in Windows-1251, when each of its
// characters has a byte there (nearly every journal text), and UTF-16 otherwise. A view: valid
// while what it looks at is, like a QStringView into a table, until the table next changes.
class CellText {
public:
    constexpr CellText() = default;
    // Implicit, so that a QString or QStringView is a cell text where one is asked for.
    constexpr CellText(QStringView utf16) noexcept
        : data_(utf16.utf16()), sizeAndForm_(utf16.size() * 2 + 1) {}
    CellText(const QString& utf16) noexcept : CellText(QStringView(utf16)) {}
    constexpr CellText(const char16_t* utf16) noexcept : CellText(QStringView(utf16)) {}
    static constexpr CellText windows1251(QByteArrayView bytes) noexcept {
        CellText text;
        text.data_ = bytes.data();
        text.sizeAndForm_ = bytes.size() * 2;
        return text;
    }

    constexpr qsizetype size() const { return sizeAndForm_ >> 1; }
    constexpr bool isEmpty() const { return size() == 0; }
    // Kept in UTF-16 (then utf16() is the text), or in Windows-1251 (then bytes() is).
    constexpr bool isWide() const { return sizeAndForm_ & 1; }
    QByteArrayView bytes() const { return {static_cast<const char*>(data_), size()}; }
    QStringView utf16() const { return {static_cast<const char16_t*>(data_), size()}; }

    char16_t at(qsizetype i) const;
    QString toString() const;
    // Without the white space at both ends.
    CellText trimmed() const;

    // Equal texts are equal however each is kept.
    friend bool operator==(CellText a, CellText b);

private:
    const void* data_ = nullptr;
    // The size times two, plus one when the text is in UTF-16: two words, so that a text is
    // passed in two registers (a third member, read back whole after a byte of it was written,
    // stalled every call of the reader's).
    qsizetype sizeAndForm_ = 0;
};

// The position of the first character a journal file cannot hold, or -1 (journalcharset.h).
qsizetype indexOfUnwritable(CellText text);
inline qsizetype indexOfUnwritable(const QString& text) {
    return indexOfUnwritable(CellText(text));
}
// Writes the text's size() bytes at `out` and returns the end of what was written.
char* writeWindows1251(CellText text, char* out);

// A cell's text in UTF-16, for what reads characters: the table's own when it keeps them so,
// decoded on the stack (or, when long, on the heap) otherwise. Lives no longer than the text.
class CellChars {
public:
    explicit CellChars(CellText text) {
        if (text.isWide()) {
            view_ = text.utf16();
        } else if (text.size() <= ShortText) {
            // Most cells read so are dates: decoded inline, without the general decoder's setup.
            const auto* in = reinterpret_cast<const unsigned char*>(text.bytes().data());
            for (qsizetype i = 0; i < text.size(); ++i)
                onStack_[i] = Windows1251Chars[in[i]];
            view_ = QStringView(onStack_, text.size());
        } else {
            decode(text.bytes());
        }
    }
    CellChars(const CellChars&) = delete;
    CellChars& operator=(const CellChars&) = delete;

    QStringView view() const { return view_; }

private:
    void decode(QByteArrayView bytes);

    static constexpr qsizetype ShortText = 16;
    static constexpr qsizetype OnStack = 256;
    // Left uninitialised: a cell is decoded for each date read, and the watch reads two a row.
    char16_t onStack_[OnStack];
    std::unique_ptr<char16_t[]> onHeap_;
    QStringView view_;
};

} // namespace core
