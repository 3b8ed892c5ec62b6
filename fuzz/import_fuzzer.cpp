// Feeds spreadsheets to the import. The first byte says what the rest is: the bytes of a file
// whole, or the parts of an .xlsx (its sheet, shared strings, styles and workbook, in that order)
// or of an .ods (its content.xml), parted by a line "--", which go into a zip with the package's
// other parts as a spreadsheet program writes them. Whatever the bytes, the import answers with
// rows or a refusal, never a crash, and its rows are as the journal takes them.

#include "core/journalcolumns.h"
#include "exchange/spreadsheetimport.h"
#include "promise.h"
#include "support/importfixture.h"

#include <cstdint>

namespace {

QList<QByteArray> partsOf(QByteArray input) {
    QList<QByteArray> parts;
    for (qsizetype cut; (cut = input.indexOf("\n--\n")) >= 0; input.remove(0, cut + 4))
        parts << input.left(cut);
    parts << input;
    return parts;
}

QByteArray xlsxPackage(const QList<QByteArray>& parts) {
    const QByteArray workbook =
        parts.size() > 3
            ? parts[3]
            : QByteArrayLiteral(
                  "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                  "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
                  "<sheets><sheet name=\"Лист1\" sheetId=\"1\" "
                  "r:id=\"rId1\"/></sheets></workbook>");
    const QByteArray relationship = "http://schemas.openxmlformats.org/officeDocument/2006/"
                                    "relationships/";
    return zipOf({
        {QStringLiteral("[Content_Types].xml"),
         "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>"},
        {QStringLiteral("_rels/.rels"),
         "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
         "<Relationship Id=\"rId1\" Type=\"" +
             relationship + "officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"},
        {QStringLiteral("xl/workbook.xml"), workbook},
        {QStringLiteral("xl/_rels/workbook.xml.rels"),
         "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
         "<Relationship Id=\"rId1\" Type=\"" +
             relationship +
             "worksheet\" Target=\"worksheets/sheet1.xml\"/>"
             "<Relationship Id=\"rId2\" Type=\"" +
             relationship +
             "sharedStrings\" Target=\"sharedStrings.xml\"/>"
             "<Relationship Id=\"rId3\" Type=\"" +
             relationship + "styles\" Target=\"styles.xml\"/></Relationships>"},
        {QStringLiteral("xl/worksheets/sheet1.xml"), parts.value(0)},
        {QStringLiteral("xl/sharedStrings.xml"), parts.value(1)},
        {QStringLiteral("xl/styles.xml"), parts.value(2)},
    });
}

QByteArray odsPackage(const QList<QByteArray>& parts) {
    return zipOf({{QStringLiteral("mimetype"), "application/vnd.oasis.opendocument.spreadsheet"},
                  {QStringLiteral("content.xml"), parts.value(0)}});
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const QByteArray input(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    QByteArray file;
    switch (data[0] % 3) {
    case 0:
        file = input;
        break;
    case 1:
        file = xlsxPackage(partsOf(input));
        break;
    default:
        file = odsPackage(partsOf(input));
        break;
    }
    const exchange::ImportOutcome outcome = exchange::importSpreadsheet(file, 64 << 20);
    PROMISE(outcome.ok() == !outcome.refusal.has_value());
    if (!outcome.ok()) {
        PROMISE(!outcome.refusal->isEmpty());
        return 0;
    }
    const exchange::ImportedJournal& journal = outcome.journal;
    // A sheet of captions alone is an empty register; any other sheet gives rows.
    PROMISE(!journal.rows.isEmpty() || journal.headerRow);
    for (const QStringList& row : journal.rows)
        PROMISE(row.size() == journal.rows.first().size() && row.size() >= core::FileColumns);
    PROMISE(journal.problems.size() <= journal.problemCount);
    return 0;
}
