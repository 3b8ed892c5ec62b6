#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QChar>
#include <QString>
#include <QStringView>
#include <optional>

namespace core {

// The characters a journal file can hold, and the conversions between its bytes and text. Files
// are written in Windows-1251, one byte per character, with ";" ending every cell and CR LF
// ending every line, without quoting: a cell can hold none of those, no NUL, and no character
// without a Windows-1251 byte.

bool canHold(QChar c);
// The text without the characters a journal file cannot hold; used to filter typed text.
QString dropUnwritable(QStringView text);
// Position of the first character a journal file cannot hold, or -1.
qsizetype indexOfUnwritable(QStringView text);

// Windows-1251 byte for byte: each of the 256 bytes is one character and encodes back to the same
// byte, so a file's bytes survive a read and an unchanged save. The byte the code page leaves
// unassigned, 0x98, is read as U+0098.
QString decodeWindows1251(QByteArrayView bytes);
// One byte per UTF-16 unit; a unit without a Windows-1251 byte becomes "?" (callers refuse such
// texts first, with indexOfUnwritable).
QByteArray encodeWindows1251(QStringView text);
// Writes the text.size() bytes of the text at `out` and returns the end of what was written.
char* writeWindows1251(QStringView text, char* out);

// UTF-16 files (those that start with its byte-order mark) are read through UTF-8.
enum class TextEncoding { Windows1251, Utf8, Utf16 };

inline constexpr QByteArrayView Utf8ByteOrderMark("\xEF\xBB\xBF");

// UTF-8 when the bytes are valid UTF-8 (no overlong forms, no surrogates, nothing past U+10FFFF)
// and either start with the UTF-8 byte-order mark or hold a Cyrillic letter (U+0400 .. U+04FF);
// Windows-1251 otherwise, which reads any bytes without losing one. A Windows-1251 register whose
// few non-ASCII bytes happen to form valid UTF-8 (a capital letter followed by "Ё", "«", "№")
// thus keeps its letters.
TextEncoding detectEncoding(QByteArrayView bytes);

// The bytes that hold the text: a UTF-8 byte-order mark at the start is left out.
QByteArrayView withoutByteOrderMark(QByteArrayView bytes);
// The text of bytes that start with a UTF-16 byte-order mark (either byte order) as UTF-8, the
// mark left out; none for other bytes.
std::optional<QByteArray> utf16AsUtf8(QByteArrayView bytes);
// Text in the given encoding, and its length in UTF-16 units without decoding it.
QString decodeText(QByteArrayView bytes, TextEncoding encoding);
qsizetype decodedLength(QByteArrayView bytes, TextEncoding encoding);

} // namespace core
