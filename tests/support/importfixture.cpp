#include "support/importfixture.h"

#include <QStringList>
#include <QtEndian>
#include <array>

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

QByteArray xml(const QString& text) {
    return QByteArrayLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>") + text.toUtf8();
}

} // namespace

QByteArray zipOf(const QList<std::pair<QString, QByteArray>>& parts, bool encrypted) {
    QByteArray zip;
    QByteArray directory;
    for (const auto& [name, bytes] : parts) {
        const QByteArray path = name.toUtf8();
        const quint32 offset = quint32(zip.size());
        const quint32 crc = crc32(bytes);
        const quint32 flags = encrypted ? 1 : 0;
        put32(zip, 0x04034b50);
        put16(zip, 20);
        put16(zip, flags);
        put16(zip, 0); // stored
        put32(zip, 0); // time and date
        put32(zip, crc);
        put32(zip, quint32(bytes.size()));
        put32(zip, quint32(bytes.size()));
        put16(zip, quint32(path.size()));
        put16(zip, 0);
        zip += path + bytes;
        put32(directory, 0x02014b50);
        put16(directory, 20);
        put16(directory, 20);
        put16(directory, flags);
        put16(directory, 0);
        put32(directory, 0);
        put32(directory, crc);
        put32(directory, quint32(bytes.size()));
        put32(directory, quint32(bytes.size()));
        put16(directory, quint32(path.size()));
        put16(directory, 0); // extra
        put16(directory, 0); // comment
        put16(directory, 0); // disk
        put16(directory, 0); // internal attributes
        put32(directory, 0); // external attributes
        put32(directory, offset);
        directory += path;
    }
    const quint32 start = quint32(zip.size());
    zip += directory;
    put32(zip, 0x06054b50);
    put16(zip, 0);
    put16(zip, 0);
    put16(zip, quint32(parts.size()));
    put16(zip, quint32(parts.size()));
    put32(zip, quint32(directory.size()));
    put32(zip, start);
    put16(zip, 0);
    return zip;
}

QString xmlText(const QString& text) {
    return text.toHtmlEscaped();
}

QByteArray xlsxOf(const QList<XlsxSheet>& sheets, const QStringList& sharedStrings) {
    return xlsxOf(sheets, sharedStrings, {});
}

QByteArray xlsxOf(const QList<XlsxSheet>& sheets, const QStringList& sharedStrings,
                  const XlsxLayout& layout) {
    const auto target = [&](const QString& nameInXl) {
        return layout.target ? layout.target(nameInXl) : nameInXl;
    };
    const QString main =
        QStringLiteral("http://schemas.openxmlformats.org/spreadsheetml/2006/main");
    const QString relations =
        QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships");
    QString types = QStringLiteral(
        "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
        "<Default Extension=\"rels\" "
        "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
        "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
        "<Override PartName=\"/xl/workbook.xml\" "
        "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+"
        "xml\"/></Types>");
    QString workbook = QStringLiteral("<workbook xmlns=\"%1\" xmlns:r=\"%2\">%3<sheets>")
                           .arg(main, relations, layout.workbookProperties);
    QString links = QStringLiteral(
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">");
    QList<std::pair<QString, QByteArray>> parts;
    for (qsizetype i = 0; i < sheets.size(); ++i) {
        const QString n = QString::number(i + 1);
        workbook += QStringLiteral("<sheet name=\"%1\" sheetId=\"%2\" r:id=\"rId%2\"/>")
                        .arg(xmlText(sheets[i].name), n);
        links += QStringLiteral("<Relationship Id=\"rId%1\" Type=\"%2/worksheet\" "
                                "Target=\"%3\"/>")
                     .arg(n, relations, target(QStringLiteral("worksheets/sheet%1.xml").arg(n)));
        parts.append({QStringLiteral("xl/worksheets/sheet%1.xml").arg(n),
                      xml(QStringLiteral("<worksheet xmlns=\"%1\"><sheetData>%2</sheetData>%3"
                                         "</worksheet>")
                              .arg(main, sheets[i].rows, sheets[i].after))});
    }
    workbook += QStringLiteral("</sheets></workbook>");
    links += QStringLiteral("<Relationship Id=\"rIdS\" Type=\"%1/sharedStrings\" "
                            "Target=\"%2\"/>"
                            "<Relationship Id=\"rIdT\" Type=\"%1/styles\" Target=\"%3\"/>"
                            "</Relationships>")
                 .arg(relations, target(QStringLiteral("sharedStrings.xml")),
                      target(QStringLiteral("styles.xml")));
    QString strings = QStringLiteral("<sst xmlns=\"%1\">").arg(main);
    for (const QString& text : sharedStrings)
        strings += QStringLiteral("<si><t xml:space=\"preserve\">%1</t></si>").arg(xmlText(text));
    strings += layout.moreSharedStrings + QStringLiteral("</sst>");
    QString moreCodes;
    QString moreFormats;
    for (const auto& [id, code] : layout.moreCellFormats) {
        if (!code.isEmpty())
            moreCodes += QStringLiteral("<numFmt numFmtId=\"%1\" formatCode=\"%2\"/>")
                             .arg(QString::number(id), xmlText(code));
        moreFormats += QStringLiteral("<xf numFmtId=\"%1\"/>").arg(id);
    }
    const QString styles =
        QStringLiteral("<styleSheet xmlns=\"%1\"><numFmts>"
                       "<numFmt numFmtId=\"164\" formatCode=\"DD.MM.YYYY\"/>"
                       "<numFmt numFmtId=\"165\" formatCode=\"0000000\"/>%2</numFmts>"
                       "<fonts count=\"1\"><font><sz val=\"11\"/></font></fonts>"
                       "<fills count=\"1\"><fill><patternFill patternType=\"none\"/></fill></fills>"
                       "<borders count=\"1\"><border/></borders>"
                       "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\"/></cellStyleXfs>"
                       "<cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"14\"/>"
                       "<xf numFmtId=\"164\"/><xf numFmtId=\"165\"/><xf numFmtId=\"2\"/>"
                       "<xf numFmtId=\"9\"/>%3</cellXfs></styleSheet>")
            .arg(main, moreCodes, moreFormats);
    parts.prepend({QStringLiteral("xl/styles.xml"), xml(styles)});
    parts.prepend({QStringLiteral("xl/sharedStrings.xml"), xml(strings)});
    parts.prepend({QStringLiteral("xl/_rels/workbook.xml.rels"), xml(links)});
    parts.prepend({QStringLiteral("xl/workbook.xml"), xml(workbook)});
    parts.prepend({QStringLiteral("_rels/.rels"),
                   xml(QStringLiteral("<Relationships xmlns=\"http://schemas.openxmlformats.org/"
                                      "package/2006/relationships\"><Relationship Id=\"rId1\" "
                                      "Type=\"%1/officeDocument\" Target=\"xl/workbook.xml\"/>"
                                      "</Relationships>")
                           .arg(relations))});
    parts.prepend({QStringLiteral("[Content_Types].xml"), xml(types)});
    return zipOf(parts);
}

QByteArray odsOf(const QString& tables, const QByteArray& mimetype) {
    const QString content = QStringLiteral(
        "<office:document-content "
        "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
        "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
        "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
        "xmlns:calcext=\"urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0\" "
        "office:version=\"1.2\"><office:body><office:spreadsheet>%1</office:spreadsheet>"
        "</office:body></office:document-content>");
    const QString manifest =
        QStringLiteral("<manifest:manifest "
                       "xmlns:manifest=\"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0\">"
                       "<manifest:file-entry manifest:full-path=\"/\" manifest:media-type=\"%1\"/>"
                       "<manifest:file-entry manifest:full-path=\"content.xml\" "
                       "manifest:media-type=\"text/xml\"/></manifest:manifest>");
    return zipOf(
        {{QStringLiteral("mimetype"), mimetype},
         {QStringLiteral("META-INF/manifest.xml"), xml(manifest.arg(QString::fromUtf8(mimetype)))},
         {QStringLiteral("content.xml"), xml(content.arg(tables))}});
}
