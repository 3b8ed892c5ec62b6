#include "importregisters.h"

#include "core/journalcolumns.h"
#include "journalgenerator.h"

#include <QDate>
#include <QHash>
#include <QStringList>
#include <array>
#include <utility>

namespace bench {

namespace {

quint32 crc32(const QByteArray& bytes) {
    static const std::array<quint32, 256> table = [] {
        std::array<quint32, 256> t{};
        for (quint32 i = 0; i < 256; ++i) {
            quint32 c = i;
            for (int k = 0; k < 8; ++k)
                c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    quint32 crc = 0xFFFFFFFFu;
    for (char byte : bytes)
        crc = table[(crc ^ quint8(byte)) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

void put16(QByteArray& out, quint32 value) {
    out.append(char(value & 0xFF)).append(char((value >> 8) & 0xFF));
}

void put32(QByteArray& out, quint32 value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

// A zip of the parts, each deflated (zlib's stream without its header and checksum) but a first
// "mimetype", stored as OpenDocument wants it.
QByteArray zipOf(const QList<std::pair<QString, QByteArray>>& parts) {
    QByteArray zip;
    QByteArray directory;
    for (const auto& [name, bytes] : parts) {
        const bool stored = name == QStringLiteral("mimetype");
        const QByteArray data = stored ? bytes : qCompress(bytes, 6).chopped(4).mid(4 + 2);
        const QByteArray path = name.toUtf8();
        const quint32 offset = quint32(zip.size());
        const quint32 fields[] = {crc32(bytes), quint32(data.size()), quint32(bytes.size())};
        put32(zip, 0x04034b50);
        put16(zip, 20);
        put16(zip, 0);
        put16(zip, stored ? 0 : 8);
        put32(zip, 0);
        for (quint32 field : fields)
            put32(zip, field);
        put16(zip, quint32(path.size()));
        put16(zip, 0);
        zip += path + data;
        put32(directory, 0x02014b50);
        put16(directory, 20);
        put16(directory, 20);
        put16(directory, 0);
        put16(directory, stored ? 0 : 8);
        put32(directory, 0);
        for (quint32 field : fields)
            put32(directory, field);
        put16(directory, quint32(path.size()));
        for (int i = 0; i < 4; ++i) // extra, comment, disk, internal attributes
            put16(directory, 0);
        put32(directory, 0);
        put32(directory, offset);
        directory += path;
    }
    const quint32 start = quint32(zip.size());
    zip += directory;
    put32(zip, 0x06054b50);
    put32(zip, 0);
    put16(zip, quint32(parts.size()));
    put16(zip, quint32(parts.size()));
    put32(zip, quint32(directory.size()));
    put32(zip, start);
    put16(zip, 0);
    return zip;
}

QByteArray xml(const QString& text) {
    return QByteArrayLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n") +
           text.toUtf8();
}

bool isDateColumn(int col) {
    return col == core::ActivationDate || col == core::BlockDate;
}

QDate dateOf(const QString& text) {
    return QDate::fromString(text, QStringLiteral("dd.MM.yyyy"));
}

QStringList captions() {
    QStringList texts;
    for (const core::FormatSection& section : core::headerSections())
        texts << section.caption.simplified();
    return texts;
}

QString columnName(int col) {
    return QString(QChar(u'A' + col));
}

} // namespace

QByteArray xlsxRegister(const QList<QString>& cells) {
    const QString main =
        QStringLiteral("http://schemas.openxmlformats.org/spreadsheetml/2006/main");
    const QString relations =
        QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships");
    QHash<QString, int> indexOf;
    QString strings;
    const auto shared = [&](const QString& text) {
        auto found = indexOf.find(text);
        if (found == indexOf.end()) {
            found = indexOf.insert(text, int(indexOf.size()));
            strings +=
                QStringLiteral("<si><t>") + text.toHtmlEscaped() + QStringLiteral("</t></si>");
        }
        return *found;
    };
    const QDate origin(1899, 12, 30);
    QString sheet = QStringLiteral("<worksheet xmlns=\"%1\"><sheetData>").arg(main);
    const QStringList header = captions();
    const qsizetype rows = cells.size() / JournalFields + 1;
    for (qsizetype r = 0; r < rows; ++r) {
        const QString number = QString::number(r + 1);
        sheet += QStringLiteral("<row r=\"") + number + QStringLiteral("\">");
        for (int c = 0; c < JournalFields; ++c) {
            const QString& text = r == 0 ? header[c] : cells[(r - 1) * JournalFields + c];
            if (text.isEmpty())
                continue;
            const QString ref = columnName(c) + number;
            const QDate date = r > 0 && isDateColumn(c) ? dateOf(text) : QDate();
            if (date.isValid())
                sheet += QStringLiteral("<c r=\"") + ref + QStringLiteral("\" s=\"1\"><v>") +
                         QString::number(origin.daysTo(date)) + QStringLiteral("</v></c>");
            else
                sheet += QStringLiteral("<c r=\"") + ref + QStringLiteral("\" t=\"s\"><v>") +
                         QString::number(shared(text)) + QStringLiteral("</v></c>");
        }
        sheet += QStringLiteral("</row>");
    }
    sheet += QStringLiteral("</sheetData></worksheet>");
    const QString styles = QStringLiteral(
        "<styleSheet xmlns=\"%1\"><numFmts count=\"1\"><numFmt numFmtId=\"164\" "
        "formatCode=\"DD.MM.YYYY\"/></numFmts><fonts count=\"1\"><font><sz val=\"11\"/></font>"
        "</fonts><fills count=\"1\"><fill><patternFill patternType=\"none\"/></fill></fills>"
        "<borders count=\"1\"><border/></borders><cellStyleXfs count=\"1\"><xf numFmtId=\"0\"/>"
        "</cellStyleXfs><cellXfs count=\"2\"><xf numFmtId=\"0\"/><xf numFmtId=\"164\" "
        "applyNumberFormat=\"1\"/></cellXfs></styleSheet>");
    return zipOf(
        {{QStringLiteral("[Content_Types].xml"),
          xml(QStringLiteral(
              "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
              "<Default Extension=\"rels\" "
              "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
              "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
              "<Override PartName=\"/xl/workbook.xml\" ContentType=\"application/"
              "vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
              "<Override PartName=\"/xl/worksheets/sheet1.xml\" ContentType=\"application/"
              "vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>"
              "<Override PartName=\"/xl/sharedStrings.xml\" ContentType=\"application/"
              "vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml\"/>"
              "<Override PartName=\"/xl/styles.xml\" ContentType=\"application/"
              "vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/></Types>"))},
         {QStringLiteral("_rels/.rels"),
          xml(QStringLiteral("<Relationships xmlns=\"http://schemas.openxmlformats.org/package/"
                             "2006/relationships\"><Relationship Id=\"rId1\" "
                             "Type=\"%1/officeDocument\" Target=\"xl/workbook.xml\"/>"
                             "</Relationships>")
                  .arg(relations))},
         {QStringLiteral("xl/workbook.xml"),
          xml(QStringLiteral("<workbook xmlns=\"%1\" xmlns:r=\"%2\"><sheets><sheet "
                             "name=\"Журнал\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>")
                  .arg(main, relations))},
         {QStringLiteral("xl/_rels/workbook.xml.rels"),
          xml(QStringLiteral("<Relationships xmlns=\"http://schemas.openxmlformats.org/package/"
                             "2006/relationships\"><Relationship Id=\"rId1\" "
                             "Type=\"%1/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
                             "<Relationship Id=\"rId2\" Type=\"%1/sharedStrings\" "
                             "Target=\"sharedStrings.xml\"/><Relationship Id=\"rId3\" "
                             "Type=\"%1/styles\" Target=\"styles.xml\"/></Relationships>")
                  .arg(relations))},
         {QStringLiteral("xl/styles.xml"), xml(styles.arg(main))},
         {QStringLiteral("xl/sharedStrings.xml"),
          xml(QStringLiteral("<sst xmlns=\"%1\" count=\"%2\" uniqueCount=\"%2\">")
                  .arg(main)
                  .arg(indexOf.size()) +
              strings + QStringLiteral("</sst>"))},
         {QStringLiteral("xl/worksheets/sheet1.xml"), xml(sheet)}});
}

QByteArray odsRegister(const QList<QString>& cells) {
    QString content = QStringLiteral(
        "<office:document-content "
        "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
        "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
        "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
        "xmlns:calcext=\"urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0\" "
        "office:version=\"1.2\"><office:body><office:spreadsheet>"
        "<table:table table:name=\"Журнал\"><table:table-column "
        "table:number-columns-repeated=\"8\"/>");
    const QStringList header = captions();
    const qsizetype rows = cells.size() / JournalFields + 1;
    for (qsizetype r = 0; r < rows; ++r) {
        content += QStringLiteral("<table:table-row>");
        for (int c = 0; c < JournalFields; ++c) {
            const QString& text = r == 0 ? header[c] : cells[(r - 1) * JournalFields + c];
            const QDate date = r > 0 && isDateColumn(c) ? dateOf(text) : QDate();
            if (text.isEmpty())
                content += QStringLiteral("<table:table-cell/>");
            else if (date.isValid())
                content += QStringLiteral("<table:table-cell office:value-type=\"date\" "
                                          "office:date-value=\"") +
                           date.toString(Qt::ISODate) +
                           QStringLiteral("\" calcext:value-type=\"date\"><text:p>") + text +
                           QStringLiteral("</text:p></table:table-cell>");
            else
                content += QStringLiteral("<table:table-cell office:value-type=\"string\" "
                                          "calcext:value-type=\"string\"><text:p>") +
                           text.toHtmlEscaped() + QStringLiteral("</text:p></table:table-cell>");
        }
        content += QStringLiteral("</table:table-row>");
    }
    content += QStringLiteral(
        "</table:table></office:spreadsheet></office:body></office:document-content>");
    const QByteArray type("application/vnd.oasis.opendocument.spreadsheet");
    return zipOf({{QStringLiteral("mimetype"), type},
                  {QStringLiteral("META-INF/manifest.xml"),
                   xml(QStringLiteral(
                       "<manifest:manifest "
                       "xmlns:manifest=\"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0\" "
                       "manifest:version=\"1.2\"><manifest:file-entry manifest:full-path=\"/\" "
                       "manifest:media-type=\"application/vnd.oasis.opendocument.spreadsheet\"/>"
                       "<manifest:file-entry manifest:full-path=\"content.xml\" "
                       "manifest:media-type=\"text/xml\"/></manifest:manifest>"))},
                  {QStringLiteral("content.xml"), xml(content)}});
}

} // namespace bench
