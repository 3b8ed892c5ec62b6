#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <utility>

// Small spreadsheet files built in the tests themselves: a zip of hand-written parts.

// A zip of these parts (name, bytes), stored uncompressed; `encrypted` marks every entry as
// encrypted by the zip (the flag alone).
QByteArray zipOf(const QList<std::pair<QString, QByteArray>>& parts, bool encrypted = false);

// A sheet of an .xlsx file: its name and the XML inside <sheetData> (rows and cells as the test
// writes them), then what follows </sheetData> (merged cells, say).
struct XlsxSheet {
    QString name;
    QString rows;
    QString after;
};
// An .xlsx workbook of those sheets, those shared strings (index 0, 1, ...) and these cell formats
// (s="0" .. s="5"): 0 General, 1 the built-in date 14, 2 "DD.MM.YYYY", 3 "0000000", 4 "0.00",
// 5 "0%".
QByteArray xlsxOf(const QList<XlsxSheet>& sheets, const QStringList& sharedStrings = {});

// How the program that wrote the workbook lays it out.
struct XlsxLayout {
    // How a relationship names a part under xl/, given the part's name there ("styles.xml"):
    // by default from the linking part's folder.
    QString (*target)(const QString& nameInXl) = nullptr;
    QString workbookProperties; // the <workbookPr> element, if any
    QString moreSharedStrings;  // <si> elements as written, after those of the plain texts
    // Cell formats after the six above (s="6" on): each a numFmtId and its code, or no code for
    // a format the file names by number alone.
    QList<std::pair<int, QString>> moreCellFormats;
};
QByteArray xlsxOf(const QList<XlsxSheet>& sheets, const QStringList& sharedStrings,
                  const XlsxLayout& layout);

// An .ods file whose <office:spreadsheet> holds that XML (tables, rows and cells as the test
// writes them; the prefixes office, table, text and calcext are declared).
QByteArray odsOf(const QString& tables,
                 const QByteArray& mimetype = "application/vnd.oasis.opendocument.spreadsheet");

// XML text with &, <, > and " escaped.
QString xmlText(const QString& text);
