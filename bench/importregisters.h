#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Registers as spreadsheets hold them, for measuring the import: the journal's captions in the
// first row, then the generated rows; every cell a text but the activation and block dates,
// which are dates shown ДД.ММ.ГГГГ. Parts deflated, as spreadsheets write them.
namespace bench {

// An .xlsx workbook as Excel writes one: the texts in the shared strings, each once.
QByteArray xlsxRegister(const QList<QString>& cells);
// An .ods spreadsheet as LibreOffice Calc writes one: texts and dates in content.xml.
QByteArray odsRegister(const QList<QString>& cells);

} // namespace bench
