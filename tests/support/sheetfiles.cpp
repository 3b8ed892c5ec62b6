#include "support/sheetfiles.h"

#include <QTest>
#include <QXmlStreamReader>
#include <zip.h>

namespace sheettest {

std::vector<ZipPart> zipParts(const QString& path) {
    std::vector<ZipPart> parts;
    int error = 0;
    zip_t* archive = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &error);
    if (!archive)
        return parts;
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat_index(archive, zip_uint64_t(i), 0, &stat) != 0)
            continue;
        QByteArray bytes(qsizetype(stat.size), Qt::Uninitialized);
        if (zip_file_t* file = zip_fopen_index(archive, zip_uint64_t(i), 0)) {
            const zip_int64_t read = zip_fread(file, bytes.data(), stat.size);
            bytes.resize(read < 0 ? 0 : qsizetype(read));
            zip_fclose(file);
        }
        parts.push_back({QString::fromUtf8(stat.name), bytes, stat.comp_method == ZIP_CM_STORE});
    }
    zip_discard(archive);
    return parts;
}

QByteArray zipPart(const QString& path, const QString& name) {
    for (const ZipPart& part : zipParts(path))
        if (part.name == name)
            return part.bytes;
    return {};
}

QString cellName(int row, int col) {
    QString column;
    for (int c = col + 1; c > 0; c = (c - 1) / 26)
        column.prepend(QChar(u'A' + (c - 1) % 26));
    return column + QString::number(row + 1);
}

namespace {

QString attribute(const QXmlStreamAttributes& attributes, const char* name) {
    return attributes.value(QLatin1String(name)).toString();
}

// The whole text of the element the reader stands on.
QString elementText(QXmlStreamReader& xml) {
    return xml.readElementText(QXmlStreamReader::IncludeChildElements);
}

bool parsed(const QXmlStreamReader& xml, const char* part) {
    if (!xml.hasError())
        return true;
    qWarning("%s does not parse: %s", part, qPrintable(xml.errorString()));
    return false;
}

QStringList sharedStrings(const QString& path) {
    QStringList strings;
    QXmlStreamReader xml(zipPart(path, QStringLiteral("xl/sharedStrings.xml")));
    while (!xml.atEnd())
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"si")
            strings << elementText(xml);
    return strings;
}

// An OpenDocument paragraph's text, its blanks, tabs and line breaks put back.
QString paragraphText(QXmlStreamReader& xml) {
    QString text;
    while (xml.readNext() != QXmlStreamReader::Invalid && !xml.atEnd()) {
        if (xml.isEndElement() && xml.name() == u"p")
            break;
        if (xml.isCharacters())
            text += xml.text();
        else if (xml.isStartElement() && xml.name() == u"s")
            text += QString(qMax(1, attribute(xml.attributes(), "text:c").toInt()), u' ');
        else if (xml.isStartElement() && xml.name() == u"tab")
            text += u'\t';
        else if (xml.isStartElement() && xml.name() == u"line-break")
            text += u'\n';
    }
    return text;
}

} // namespace

Cells xlsxCells(const QString& path) {
    const QStringList strings = sharedStrings(path);
    Cells cells;
    QXmlStreamReader xml(zipPart(path, QStringLiteral("xl/worksheets/sheet1.xml")));
    QString at;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == u"c") {
            at = attribute(xml.attributes(), "r");
            cells[at] = {attribute(xml.attributes(), "t"), {}, attribute(xml.attributes(), "s")};
        } else if (xml.name() == u"v" || xml.name() == u"is") {
            Cell& cell = cells[at];
            cell.value = elementText(xml);
            if (cell.type == u"s")
                cell.value = strings.value(cell.value.toInt());
        }
    }
    if (!parsed(xml, "sheet1.xml"))
        return {};
    return cells;
}

Cells odsCells(const QString& path) {
    Cells cells;
    QXmlStreamReader xml(zipPart(path, QStringLiteral("content.xml")));
    int row = -1;
    int col = 0;
    QString at;
    QString rowStyle; // the style of the row's cells that have none of their own
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        const QXmlStreamAttributes attributes = xml.attributes();
        if (xml.name() == u"table-row") {
            ++row;
            col = 0;
            rowStyle = attribute(attributes, "table:default-cell-style-name");
        } else if (xml.name() == u"table-cell") {
            at = cellName(row, col++);
            const QString type = attribute(attributes, "office:value-type");
            cells[at] = {type,
                         type == u"date" ? attribute(attributes, "office:date-value") : QString(),
                         attributes.hasAttribute(QLatin1String("table:style-name"))
                             ? attribute(attributes, "table:style-name")
                             : rowStyle};
        } else if (xml.name() == u"p" && cells[at].type != u"date") {
            cells[at].value += paragraphText(xml);
        }
    }
    if (!parsed(xml, "content.xml"))
        return {};
    return cells;
}

} // namespace sheettest
