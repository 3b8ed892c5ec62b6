#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>
#include <QStringView>

// The characters a journal file can hold. Files are single-byte Windows-1251 text with ";" ending
// every cell and CR LF ending every line, without quoting, so a cell can hold neither of those nor
// a character that has no Windows-1251 byte.
namespace journal {

bool canHold(QChar c);
// The text without the characters a journal file cannot hold; used to filter typed text.
QString dropUnwritable(QStringView text);
// Position of the first character a journal file cannot hold, or -1.
qsizetype indexOfUnwritable(QStringView text);

// Windows-1251 bytes to text and back, through Qt's converters. Every byte decodes to one
// character.
QString decodeJournalText(const QByteArray& bytes);
// Characters without a Windows-1251 byte come out as the converter's substitute byte; callers
// refuse such texts first (indexOfUnwritable).
QByteArray encodeJournalText(QStringView text);

} // namespace journal
