#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <vector>

// Reading a written .xlsx or .ods back without a spreadsheet program: the zip's parts, and the
// cells of the one sheet as its XML holds them.
namespace sheettest {

struct ZipPart {
    QString name;
    QByteArray bytes;
    bool stored = false; // uncompressed
};

// The parts in the order the zip holds them; empty when the file is no zip.
std::vector<ZipPart> zipParts(const QString& path);
// One part's bytes; empty when there is no such part.
QByteArray zipPart(const QString& path, const QString& name);

struct Cell {
    QString type;  // xlsx: "inlineStr", "s", "" (a number); ods: "string", "date", "" (empty)
    QString value; // xlsx: the text, or the number; ods: the text, or the date-value
    QString style; // the style's index (xlsx) or name (ods)
};
// By cell reference ("A1"); an empty cell with a style is there too.
using Cells = QMap<QString, Cell>;

// The cells of xl/worksheets/sheet1.xml (shared strings resolved) and of content.xml, with the
// blanks, tabs and line breaks of an OpenDocument paragraph put back; a file that does not
// parse as XML fails the test (and gives no cells).
Cells xlsxCells(const QString& path);
Cells odsCells(const QString& path);

// "A1" for row 0, column 0.
QString cellName(int row, int col);

} // namespace sheettest
