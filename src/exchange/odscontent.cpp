#include "exchange/odscontent.h"

#include "exchange/exportsheet.h"
#include "model/blockjudgement.h"

#include <QDate>
#include <QXmlStreamWriter>

namespace exchange {

namespace {

const QString OfficeNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:office:1.0");
const QString StyleNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:style:1.0");
const QString TextNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:text:1.0");
const QString TableNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:table:1.0");
const QString NumberNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0");
const QString FoNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0");
const QString ConfigNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:config:1.0");
const QString MetaNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:meta:1.0");
const QString ManifestNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:manifest:1.0");
const QString OdfVersion = QStringLiteral("1.2");

// The cell styles by shade: text cells, date cells.
const QString TextStyles[] = {QString(), QStringLiteral("ceSoon"), QStringLiteral("ceBlocked")};
const QString DateStyles[] = {QStringLiteral("ceDate"), QStringLiteral("ceDateSoon"),
                              QStringLiteral("ceDateBlocked")};

QString colour(std::uint32_t rgb) {
    return u'#' + QString::number(rgb, 16).rightJustified(6, u'0');
}

// Whether XML 1.0 can hold the character (a lone half of a surrogate pair it cannot either).
bool xmlHolds(QStringView text, qsizetype at) {
    const char16_t c = text[at].unicode();
    if (c < 0x20)
        return c == u'\t' || c == u'\n' || c == u'\r';
    if (c == 0xFFFE || c == 0xFFFF)
        return false;
    if (QChar::isHighSurrogate(c))
        return at + 1 < text.size() && QChar::isLowSurrogate(text[at + 1].unicode());
    if (QChar::isLowSurrogate(c))
        return at > 0 && QChar::isHighSurrogate(text[at - 1].unicode());
    return true;
}

void writeStartDocument(QXmlStreamWriter& xml, const QString& root,
                        std::initializer_list<std::pair<QString, QString>> namespaces) {
    xml.writeStartDocument();
    for (const auto& [prefix, uri] : namespaces)
        xml.writeNamespace(uri, prefix);
    xml.writeStartElement(OfficeNs, root);
    xml.writeAttribute(OfficeNs, QStringLiteral("version"), OdfVersion);
}

void writeCellStyle(QXmlStreamWriter& xml, const QString& name, std::uint32_t background,
                    bool date) {
    xml.writeStartElement(StyleNs, QStringLiteral("style"));
    xml.writeAttribute(StyleNs, QStringLiteral("name"), name);
    xml.writeAttribute(StyleNs, QStringLiteral("family"), QStringLiteral("table-cell"));
    xml.writeAttribute(StyleNs, QStringLiteral("parent-style-name"), QStringLiteral("Default"));
    if (date)
        xml.writeAttribute(StyleNs, QStringLiteral("data-style-name"), QStringLiteral("N1"));
    if (background != 0) {
        xml.writeEmptyElement(StyleNs, QStringLiteral("table-cell-properties"));
        xml.writeAttribute(FoNs, QStringLiteral("background-color"), colour(background));
    }
    xml.writeEndElement();
}

void writeDateStyle(QXmlStreamWriter& xml) {
    xml.writeStartElement(NumberNs, QStringLiteral("date-style"));
    xml.writeAttribute(StyleNs, QStringLiteral("name"), QStringLiteral("N1"));
    const QString parts[] = {QStringLiteral("day"), QStringLiteral("month"),
                             QStringLiteral("year")};
    for (const QString& part : parts) {
        if (part != parts[0])
            xml.writeTextElement(NumberNs, QStringLiteral("text"), QStringLiteral("."));
        xml.writeEmptyElement(NumberNs, part);
        xml.writeAttribute(NumberNs, QStringLiteral("style"), QStringLiteral("long"));
    }
    xml.writeEndElement();
}

// 'Журнал'.A1:'Журнал'.H101
QString rangeAddress(int lastRow, int lastCol) {
    QString column;
    for (int c = lastCol + 1; c > 0; c = (c - 1) / 26)
        column.prepend(QChar(u'A' + (c - 1) % 26));
    const QString sheet = u'\'' + OdsSheetName + u'\'';
    return sheet + QStringLiteral(".A1:") + sheet + u'.' + column + QString::number(lastRow + 1);
}

// content.xml: the column styles and widths, the header row, the rows with their shades and
// dates, and the autofilter.
class ContentWriter {
public:
    ContentWriter(const ExportSheet& sheet, QByteArray& bytes) : sheet_(sheet), xml_(&bytes) {}
    void write() {
        writePrologue();
        for (int row = 0; row < sheet_.rows(); ++row)
            writeRow(row);
        writeEpilogue();
    }

private:
    void writePrologue();
    void writeRow(int row);
    void writeEpilogue();
    void writeText(QStringView text);

    const ExportSheet& sheet_;
    QXmlStreamWriter xml_;
};

void ContentWriter::writePrologue() {
    QXmlStreamWriter& xml = xml_;
    writeStartDocument(xml, QStringLiteral("document-content"),
                       {{QStringLiteral("office"), OfficeNs},
                        {QStringLiteral("style"), StyleNs},
                        {QStringLiteral("text"), TextNs},
                        {QStringLiteral("table"), TableNs},
                        {QStringLiteral("number"), NumberNs},
                        {QStringLiteral("fo"), FoNs}});
    xml.writeStartElement(OfficeNs, QStringLiteral("automatic-styles"));
    for (int c = 0; c < sheet_.cols(); ++c) {
        xml.writeStartElement(StyleNs, QStringLiteral("style"));
        xml.writeAttribute(StyleNs, QStringLiteral("name"), QStringLiteral("co%1").arg(c));
        xml.writeAttribute(StyleNs, QStringLiteral("family"), QStringLiteral("table-column"));
        xml.writeEmptyElement(StyleNs, QStringLiteral("table-column-properties"));
        // Pixels at 96 dpi.
        const double inches = pixelsForCharacters(sheet_.column(c).width) / 96.0;
        xml.writeAttribute(StyleNs, QStringLiteral("column-width"),
                           QString::number(inches, 'f', 4) + QStringLiteral("in"));
        xml.writeEndElement();
    }
    writeDateStyle(xml);
    xml.writeStartElement(StyleNs, QStringLiteral("style"));
    xml.writeAttribute(StyleNs, QStringLiteral("name"), QStringLiteral("ceHeader"));
    xml.writeAttribute(StyleNs, QStringLiteral("family"), QStringLiteral("table-cell"));
    xml.writeAttribute(StyleNs, QStringLiteral("parent-style-name"), QStringLiteral("Default"));
    xml.writeEmptyElement(StyleNs, QStringLiteral("text-properties"));
    xml.writeAttribute(FoNs, QStringLiteral("font-weight"), QStringLiteral("bold"));
    xml.writeEndElement();
    const std::uint32_t shades[] = {0, model::SoonShade, model::BlockedShade};
    for (int shade = 0; shade < 3; ++shade) {
        if (shade > 0)
            writeCellStyle(xml, TextStyles[shade], shades[shade], false);
        writeCellStyle(xml, DateStyles[shade], shades[shade], true);
    }
    xml.writeEndElement(); // automatic-styles
    xml.writeStartElement(OfficeNs, QStringLiteral("body"));
    xml.writeStartElement(OfficeNs, QStringLiteral("spreadsheet"));
    xml.writeStartElement(TableNs, QStringLiteral("table"));
    xml.writeAttribute(TableNs, QStringLiteral("name"), OdsSheetName);
    for (int c = 0; c < sheet_.cols(); ++c) {
        xml.writeEmptyElement(TableNs, QStringLiteral("table-column"));
        xml.writeAttribute(TableNs, QStringLiteral("style-name"), QStringLiteral("co%1").arg(c));
    }
    xml.writeStartElement(TableNs, QStringLiteral("table-row"));
    for (int c = 0; c < sheet_.cols(); ++c) {
        xml.writeStartElement(TableNs, QStringLiteral("table-cell"));
        xml.writeAttribute(TableNs, QStringLiteral("style-name"), QStringLiteral("ceHeader"));
        xml.writeAttribute(OfficeNs, QStringLiteral("value-type"), QStringLiteral("string"));
        writeText(sheet_.column(c).caption);
        xml.writeEndElement();
    }
    xml.writeEndElement(); // table-row
}

// A shaded row's text cells take its shade from the row.
void ContentWriter::writeRow(int row) {
    QXmlStreamWriter& xml = xml_;
    const auto shade = std::size_t(sheet_.shade(row));
    xml.writeStartElement(TableNs, QStringLiteral("table-row"));
    if (shade != 0)
        xml.writeAttribute(TableNs, QStringLiteral("default-cell-style-name"), TextStyles[shade]);
    for (int c = 0; c < sheet_.cols(); ++c) {
        const QString& text = sheet_.cell(row, c);
        if (text.isEmpty()) {
            xml.writeEmptyElement(TableNs, QStringLiteral("table-cell"));
            continue;
        }
        xml.writeStartElement(TableNs, QStringLiteral("table-cell"));
        if (const std::optional<QDate> date =
                sheet_.column(c).dates ? sheetDate(text) : std::optional<QDate>()) {
            xml.writeAttribute(TableNs, QStringLiteral("style-name"), DateStyles[shade]);
            xml.writeAttribute(OfficeNs, QStringLiteral("value-type"), QStringLiteral("date"));
            xml.writeAttribute(OfficeNs, QStringLiteral("date-value"), date->toString(Qt::ISODate));
        } else {
            xml.writeAttribute(OfficeNs, QStringLiteral("value-type"), QStringLiteral("string"));
        }
        writeText(text);
        xml.writeEndElement();
    }
    xml.writeEndElement();
}

void ContentWriter::writeEpilogue() {
    QXmlStreamWriter& xml = xml_;
    xml.writeEndElement(); // table
    if (sheet_.cols() > 0) {
        // An unnamed range over the header and the rows is the sheet's autofilter.
        xml.writeStartElement(TableNs, QStringLiteral("database-ranges"));
        xml.writeEmptyElement(TableNs, QStringLiteral("database-range"));
        xml.writeAttribute(TableNs, QStringLiteral("name"),
                           QStringLiteral("__Anonymous_Sheet_DB__0"));
        xml.writeAttribute(TableNs, QStringLiteral("target-range-address"),
                           rangeAddress(sheet_.rows(), sheet_.cols() - 1));
        xml.writeAttribute(TableNs, QStringLiteral("display-filter-buttons"),
                           QStringLiteral("true"));
        xml.writeEndElement();
    }
    xml.writeEndDocument();
}

// One paragraph. Blanks would collapse in it: a run of them is a <text:s text:c="n"/> (one
// blank kept as written between words), a tab a <text:tab/>, a line end a <text:line-break/>.
void ContentWriter::writeText(QStringView text) {
    QXmlStreamWriter& xml = xml_;
    xml.writeStartElement(TextNs, QStringLiteral("p"));
    QString piece;
    const auto flush = [&] {
        if (!piece.isEmpty())
            xml.writeCharacters(piece);
        piece.resize(0);
    };
    const auto spaces = [&](qsizetype count) {
        flush();
        xml.writeEmptyElement(TextNs, QStringLiteral("s"));
        if (count > 1)
            xml.writeAttribute(TextNs, QStringLiteral("c"), QString::number(count));
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u' ') {
            qsizetype end = i;
            while (end < text.size() && text[end] == u' ')
                ++end;
            const qsizetype count = end - i;
            if (i == 0 || end == text.size()) {
                spaces(count);
            } else {
                piece += u' ';
                if (count > 1)
                    spaces(count - 1);
            }
            i = end - 1;
        } else if (c == u'\t') {
            flush();
            xml.writeEmptyElement(TextNs, QStringLiteral("tab"));
        } else if (c == u'\n' || c == u'\r') {
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            flush();
            xml.writeEmptyElement(TextNs, QStringLiteral("line-break"));
        } else if (xmlHolds(text, i)) {
            // The run of ordinary characters, in one piece.
            qsizetype end = i + 1;
            while (end < text.size() && text[end] != u' ' && text[end] != u'\t' &&
                   text[end] != u'\n' && text[end] != u'\r' && xmlHolds(text, end))
                ++end;
            piece += text.sliced(i, end - i);
            i = end - 1;
        } else {
            piece += QChar(QChar::ReplacementCharacter);
        }
    }
    flush();
    xml.writeEndElement();
}

} // namespace

QByteArray odsContent(const ExportSheet& sheet) {
    QByteArray bytes;
    ContentWriter(sheet, bytes).write();
    return bytes;
}

QByteArray odsStyles() {
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    writeStartDocument(xml, QStringLiteral("document-styles"),
                       {{QStringLiteral("office"), OfficeNs}, {QStringLiteral("style"), StyleNs}});
    xml.writeStartElement(OfficeNs, QStringLiteral("styles"));
    xml.writeEmptyElement(StyleNs, QStringLiteral("style"));
    xml.writeAttribute(StyleNs, QStringLiteral("name"), QStringLiteral("Default"));
    xml.writeAttribute(StyleNs, QStringLiteral("family"), QStringLiteral("table-cell"));
    xml.writeEndDocument();
    return bytes;
}

// The view: the header row frozen (the window split below row 1, the lower pane active).
QByteArray odsSettings() {
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    writeStartDocument(
        xml, QStringLiteral("document-settings"),
        {{QStringLiteral("office"), OfficeNs}, {QStringLiteral("config"), ConfigNs}});
    xml.writeStartElement(OfficeNs, QStringLiteral("settings"));
    xml.writeStartElement(ConfigNs, QStringLiteral("config-item-set"));
    xml.writeAttribute(ConfigNs, QStringLiteral("name"), QStringLiteral("ooo:view-settings"));
    xml.writeStartElement(ConfigNs, QStringLiteral("config-item-map-indexed"));
    xml.writeAttribute(ConfigNs, QStringLiteral("name"), QStringLiteral("Views"));
    xml.writeStartElement(ConfigNs, QStringLiteral("config-item-map-entry"));
    const auto item = [&](const QString& name, const QString& type, const QString& value) {
        xml.writeStartElement(ConfigNs, QStringLiteral("config-item"));
        xml.writeAttribute(ConfigNs, QStringLiteral("name"), name);
        xml.writeAttribute(ConfigNs, QStringLiteral("type"), type);
        xml.writeCharacters(value);
        xml.writeEndElement();
    };
    item(QStringLiteral("ViewId"), QStringLiteral("string"), QStringLiteral("view1"));
    xml.writeStartElement(ConfigNs, QStringLiteral("config-item-map-named"));
    xml.writeAttribute(ConfigNs, QStringLiteral("name"), QStringLiteral("Tables"));
    xml.writeStartElement(ConfigNs, QStringLiteral("config-item-map-entry"));
    xml.writeAttribute(ConfigNs, QStringLiteral("name"), OdsSheetName);
    const QString shortType = QStringLiteral("short");
    const QString intType = QStringLiteral("int");
    item(QStringLiteral("HorizontalSplitMode"), shortType, QStringLiteral("0"));
    item(QStringLiteral("VerticalSplitMode"), shortType, QStringLiteral("2"));
    item(QStringLiteral("HorizontalSplitPosition"), intType, QStringLiteral("0"));
    item(QStringLiteral("VerticalSplitPosition"), intType, QStringLiteral("1"));
    item(QStringLiteral("ActiveSplitRange"), shortType, QStringLiteral("2"));
    item(QStringLiteral("PositionLeft"), intType, QStringLiteral("0"));
    item(QStringLiteral("PositionRight"), intType, QStringLiteral("0"));
    item(QStringLiteral("PositionTop"), intType, QStringLiteral("0"));
    item(QStringLiteral("PositionBottom"), intType, QStringLiteral("1"));
    xml.writeEndElement(); // the sheet's entry
    xml.writeEndElement(); // Tables
    item(QStringLiteral("ActiveTable"), QStringLiteral("string"), OdsSheetName);
    xml.writeEndDocument();
    return bytes;
}

QByteArray odsMeta() {
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    writeStartDocument(xml, QStringLiteral("document-meta"),
                       {{QStringLiteral("office"), OfficeNs}, {QStringLiteral("meta"), MetaNs}});
    xml.writeStartElement(OfficeNs, QStringLiteral("meta"));
    xml.writeTextElement(MetaNs, QStringLiteral("generator"), QStringLiteral("eklz-journal"));
    xml.writeEndDocument();
    return bytes;
}

QByteArray odsManifest() {
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.writeStartDocument();
    xml.writeNamespace(ManifestNs, QStringLiteral("manifest"));
    xml.writeStartElement(ManifestNs, QStringLiteral("manifest"));
    xml.writeAttribute(ManifestNs, QStringLiteral("version"), OdfVersion);
    const auto entry = [&](const QString& path, const QString& type) {
        xml.writeEmptyElement(ManifestNs, QStringLiteral("file-entry"));
        xml.writeAttribute(ManifestNs, QStringLiteral("full-path"), path);
        if (path == QStringLiteral("/"))
            xml.writeAttribute(ManifestNs, QStringLiteral("version"), OdfVersion);
        xml.writeAttribute(ManifestNs, QStringLiteral("media-type"), type);
    };
    entry(QStringLiteral("/"), QString::fromLatin1(OdsMimeType));
    for (const char* part : {"content.xml", "styles.xml", "meta.xml", "settings.xml"})
        entry(QString::fromLatin1(part), QStringLiteral("text/xml"));
    xml.writeEndDocument();
    return bytes;
}

} // namespace exchange
