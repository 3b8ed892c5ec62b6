#include "exchange/xlsxsheet.h"

#include "exchange/numberformats.h"
#include "exchange/zipparts.h"

#include <QDate>
#include <QDir>
#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace exchange {

std::string resolvedTarget(std::string_view sourcePart, std::string_view target) {
    QString path = partName(target);
    if (!path.startsWith(u'/'))
        path.prepend(partName(sourcePart).section(u'/', 0, -2) + u'/');
    path = QDir::cleanPath(u'/' + path);
    // Steps above the package's root stay at the root, which cleanPath leaves standing.
    while (path == u"/.." || path.startsWith(u"/../"))
        path.remove(0, 3);
    return path.mid(1).toStdString();
}

namespace {

// The parts of the package as its relationships link them: where the workbook, its sheets, shared
// strings and styles are, whatever form the program that wrote it gives the links.

std::string text(QStringView value) {
    return value.toString().toStdString();
}

// Calls `element` for each element of the part, by its local name; false when there is no such
// part. Refuses a part that is no XML.
bool readElements(QByteArrayView xlsx, const std::string& part, const QString& what,
                  const std::function<void(QStringView, const QXmlStreamAttributes&)>& element) {
    const std::optional<ZipEntry> entry = ZipIndex(xlsx).find(part);
    if (!entry)
        return false;
    PartXml xml(xlsx, *entry);
    QXmlStreamReader& reader = xml.reader;
    while (!reader.atEnd())
        if (reader.readNext() == QXmlStreamReader::StartElement)
            element(reader.name(), reader.attributes());
    if (reader.hasError()) {
        qCWarning(exchangeLog) << partName(part) << reader.errorString();
        throw Refusal{QStringLiteral("Файл повреждён: %1 — не XML %2.").arg(partName(part), what)};
    }
    return true;
}

struct Relationship {
    std::string id, type, target;
};

// The part's links to parts of the package (links outside it are left out).
std::vector<Relationship> relationshipsIn(QByteArrayView xlsx, const std::string& part) {
    std::vector<Relationship> found;
    readElements(xlsx, part, QStringLiteral("связей между частями файла"),
                 [&](QStringView name, const QXmlStreamAttributes& a) {
                     if (name == u"Relationship" && attribute(a, u"TargetMode") != u"External")
                         found.push_back({text(attribute(a, u"Id")), text(attribute(a, u"Type")),
                                          text(attribute(a, u"Target"))});
                 });
    return found;
}

// "xl/_rels/workbook.xml.rels" for "xl/workbook.xml".
std::string relationshipsPart(std::string_view part) {
    const std::size_t name = part.rfind('/') + 1; // 0 without a folder: npos + 1 wraps round
    return std::string(part.substr(0, name)) + "_rels/" + std::string(part.substr(name)) + ".rels";
}

struct WorkbookSheet {
    QString name;
    std::string part; // empty when the workbook's relationships do not name it
};

struct Workbook {
    std::vector<WorkbookSheet> sheets; // in the workbook's order
    bool date1904 = false;             // day 0 is 01.01.1904, not 30.12.1899
    std::string sharedStrings;         // empty when the workbook links none
    std::string styles;
};

// The workbook as the package's relationships, xl/workbook.xml and its relationships give it.
// Throws Refusal naming the part that is no XML (the parser's words go to the log only).
Workbook readWorkbook(QByteArrayView xlsx) {
    Workbook workbook;
    std::string part = "xl/workbook.xml";
    for (const Relationship& link : relationshipsIn(xlsx, "_rels/.rels"))
        if (link.type.ends_with("/officeDocument")) {
            part = resolvedTarget("", link.target);
            break;
        }
    std::vector<std::string> ids;
    const bool found =
        readElements(xlsx, part, QStringLiteral("книги Excel"),
                     [&](QStringView name, const QXmlStreamAttributes& a) {
                         if (name == u"workbookPr") {
                             const QStringView date1904 = attribute(a, u"date1904");
                             workbook.date1904 = date1904 == u"1" || date1904 == u"true";
                         } else if (name == u"sheet") {
                             workbook.sheets.push_back({attribute(a, u"name").toString(), {}});
                             ids.push_back(text(attribute(a, u"id")));
                         }
                     });
    if (!found)
        throw Refusal{QStringLiteral("Файл повреждён: в нём нет книги (%1).").arg(partName(part))};
    // By id, the last link of each: a workbook may name many sheets.
    std::unordered_map<std::string, std::string> targets;
    for (const Relationship& link : relationshipsIn(xlsx, relationshipsPart(part))) {
        if (link.type.ends_with("/sharedStrings"))
            workbook.sharedStrings = resolvedTarget(part, link.target);
        else if (link.type.ends_with("/styles"))
            workbook.styles = resolvedTarget(part, link.target);
        targets[link.id] = link.target;
    }
    for (std::size_t i = 0; i < ids.size(); ++i)
        if (const auto target = targets.find(ids[i]); target != targets.end())
            workbook.sheets[i].part = resolvedTarget(part, target->second);
    return workbook;
}

// What the workbook gives every sheet's cells to refer to.
struct SheetContext {
    QStringList strings;               // the shared strings, by index
    std::vector<NumberFormat> formats; // each cell format's number format, by its index
    QDate origin;                      // the day of serial number 0
};

// The text of a string as the workbook writes it: a character XML cannot carry (a carriage return)
// comes as "_x000D_", and a text's own "_x" as "_x005F_x".
QString unescaped(QString text) {
    const auto isHex = [](QChar c) {
        return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
    };
    for (qsizetype at = text.indexOf(u"_x"); at >= 0 && at + 7 <= text.size();
         at = text.indexOf(u"_x", at + 1)) {
        const QStringView digits = QStringView(text).sliced(at + 2, 4);
        const ushort code = digits.toUShort(nullptr, 16);
        // "_x0000_" stays: a journal cell holds no NUL.
        if (std::all_of(digits.begin(), digits.end(), isHex) && text[at + 6] == u'_' && code != 0)
            text.replace(at, 7, QChar(code));
    }
    return text;
}

// The strings the cells share, each with its rich-text runs joined and its phonetic runs left
// out.
QStringList readSharedStrings(QByteArrayView xlsx, const ZipEntry& part) {
    QStringList strings;
    QString text;
    PartXml xml(xlsx, part);
    QXmlStreamReader& reader = xml.reader;
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::StartElement) {
            if (reader.name() == u"t")
                text += unescaped(reader.readElementText());
            else if (reader.name() == u"rPh")
                reader.skipCurrentElement();
        } else if (token == QXmlStreamReader::EndElement && reader.name() == u"si") {
            strings << std::exchange(text, {});
        }
    }
    xml.part.checkAsDeclared();
    checkParsed(reader, part.name);
    return strings;
}

// The number format of each cell format (cellXfs), by the codes the file writes (numFmts) or the
// built-in ones. A cell style's format and a conditional format name number formats too: not the
// cells'.
std::vector<NumberFormat> readCellFormats(QByteArrayView xlsx, const ZipEntry& part) {
    std::map<int, std::string> codes;
    std::vector<int> ids;
    enum { Elsewhere, InNumFmts, InCellXfs } within = Elsewhere;
    PartXml xml(xlsx, part);
    QXmlStreamReader& reader = xml.reader;
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        const QStringView name = reader.name();
        if (token == QXmlStreamReader::StartElement) {
            const int id = attribute(reader.attributes(), u"numFmtId").toInt();
            if (name == u"numFmts")
                within = InNumFmts;
            else if (name == u"cellXfs")
                within = InCellXfs;
            else if (name == u"numFmt" && within == InNumFmts)
                codes[id] = attribute(reader.attributes(), u"formatCode").toString().toStdString();
            else if (name == u"xf" && within == InCellXfs)
                ids.push_back(id);
        } else if (token == QXmlStreamReader::EndElement &&
                   (name == u"numFmts" || name == u"cellXfs")) {
            within = Elsewhere;
        }
    }
    xml.part.checkAsDeclared();
    checkParsed(reader, part.name);
    std::vector<NumberFormat> formats;
    for (const int id : ids) {
        const auto code = codes.find(id);
        formats.push_back(code != codes.end() ? parseNumberFormat(code->second)
                                              : builtinNumberFormat(std::clamp(id, 0, 1000)));
    }
    return formats;
}

Refusal badAddress() {
    return {QStringLiteral("Файл повреждён: неверный адрес ячейки.")};
}

// "C5", "$C$5" or "Лист1!C5": row and column from 0.
std::pair<int, int> cellAt(QStringView address) {
    if (const qsizetype bang = address.lastIndexOf(u'!'); bang >= 0)
        address = address.sliced(bang + 1);
    qint64 col = 0;
    qint64 row = 0;
    qsizetype i = 0;
    if (i < address.size() && address[i] == u'$')
        ++i;
    for (; i < address.size() && address[i].isLetter() && address[i].unicode() < 128; ++i)
        col = std::min<qint64>(col * 26 + (address[i].toUpper().unicode() - u'A' + 1), 1 << 20);
    if (i < address.size() && address[i] == u'$')
        ++i;
    const qsizetype digits = i;
    for (; i < address.size() && address[i].isDigit() && address[i].unicode() < 128; ++i)
        row = std::min<qint64>(row * 10 + (address[i].unicode() - u'0'), 1 << 30);
    if (col == 0 || row == 0 || i != address.size() || digits == i || col > MaxSheetColumns ||
        row > MaxSheetRows)
        throw badAddress();
    return {int(row - 1), int(col - 1)};
}

QString formulaErrorProblem(int row, int col) {
    return QStringLiteral("Ячейка %1: формула дала ошибку (или её результат не сохранён); ячейка "
                          "оставлена пустой.")
        .arg(cellAddress(row, col));
}

// One sheet's cells, each handed over as the sheet shows it.
class SheetReader {
public:
    SheetReader(const SheetContext& context, SheetCells& cells)
        : context_(context), cells_(cells) {}

    void read(QByteArrayView xlsx, const ZipEntry& part) {
        PartXml xml(xlsx, part);
        QXmlStreamReader& reader = xml.reader;
        while (!reader.atEnd()) {
            const QXmlStreamReader::TokenType token = reader.readNext();
            if (token == QXmlStreamReader::StartElement)
                startElement(reader);
            else if (token == QXmlStreamReader::EndElement && reader.name() == u"c")
                endCell();
        }
        // The sheet read is checked against its zip entry: one cut short is named so, not as
        // damaged XML.
        if (cells_.reading())
            xml.part.checkAsDeclared();
        checkParsed(reader, part.name);
    }

private:
    void startElement(QXmlStreamReader& reader) {
        const QStringView name = reader.name();
        const QXmlStreamAttributes attributes = reader.attributes();
        if (name == u"row") {
            const QStringView number = attribute(attributes, u"r");
            row_ = number.isEmpty() ? row_ + 1 : number.toInt() - 1;
            col_ = -1;
            if (row_ < 0 || row_ >= MaxSheetRows)
                throw badAddress();
        } else if (name == u"c") {
            const QStringView address = attribute(attributes, u"r");
            if (address.isEmpty())
                ++col_;
            else
                std::tie(row_, col_) = cellAt(address);
            if (row_ < 0 || col_ >= MaxSheetColumns)
                throw badAddress();
            type_ = attribute(attributes, u"t").toString();
            style_ = attribute(attributes, u"s").toInt();
            formula_ = false;
            value_.reset();
            inline_.clear();
        } else if (name == u"f") {
            formula_ = true;
            reader.skipCurrentElement();
        } else if (name == u"v") {
            value_ = reader.readElementText();
        } else if (name == u"t") {
            inline_ += unescaped(reader.readElementText());
        } else if (name == u"rPh") {
            reader.skipCurrentElement();
        } else if (name == u"mergeCell" && cells_.reading()) {
            const QStringView range = attribute(attributes, u"ref");
            const qsizetype colon = range.indexOf(u':');
            const auto [firstRow, firstCol] = cellAt(range.first(colon < 0 ? range.size() : colon));
            const auto [lastRow, lastCol] =
                colon < 0 ? std::pair(firstRow, firstCol) : cellAt(range.sliced(colon + 1));
            cells_.problem(mergedProblem(firstRow, firstCol, lastRow, lastCol));
        }
    }

    void endCell() {
        if (type_ == u"inlineStr")
            show(inline_);
        else if (type_ == u"e")
            cells_.problem(formula_
                               ? formulaErrorProblem(row_, col_)
                               : QStringLiteral("Ячейка %1: значение ошибки %2; ячейка "
                                                "оставлена пустой.")
                                     .arg(cellAddress(row_, col_), value_.value_or(QString())));
        else if (!value_ && formula_)
            cells_.problem(formulaErrorProblem(row_, col_));
        else if (!value_)
            return;
        else if (type_ == u"s")
            sharedString();
        else if (type_ == u"str")
            show(unescaped(*value_));
        else if (type_ == u"b")
            show(booleanText(*value_ == u"1" || *value_ == u"true"));
        else if (type_ == u"d")
            show(isoDateText(*value_, *value_));
        else
            number();
    }

    void number() {
        bool ok = false;
        const double value = value_->toDouble(&ok);
        if (!ok || std::isnan(value)) {
            cells_.problem(formulaErrorProblem(row_, col_));
            return;
        }
        const bool formatted = style_ >= 0 && std::size_t(style_) < context_.formats.size();
        show(showNumber(value, formatted ? context_.formats[std::size_t(style_)] : NumberFormat(),
                        context_.origin));
    }

    // A cell naming a shared string the workbook does not have is a damaged file, not an empty
    // cell (nor the first string, for an index that is no number).
    void sharedString() {
        bool ok = false;
        const int index = value_->trimmed().toInt(&ok);
        if (ok && index >= 0 && index < context_.strings.size())
            show(context_.strings[index]);
        else if (cells_.reading())
            throw Refusal{QStringLiteral("Файл повреждён: ячейка %1 ссылается на строку %2, "
                                         "которой нет в книге.")
                              .arg(cellAddress(row_, col_), *value_)};
    }

    void show(const QString& text) { cells_.show(row_, col_, text); }

    const SheetContext& context_;
    SheetCells& cells_;
    int row_ = -1;
    int col_ = -1;
    // The cell being read: its type and cell format, whether it holds a formula, its value and
    // the text of a string written in it.
    QString type_;
    int style_ = 0;
    bool formula_ = false;
    std::optional<QString> value_;
    QString inline_;
};

} // namespace

void readXlsx(QByteArrayView bytes, SheetCells& cells) {
    const Workbook workbook = readWorkbook(bytes);
    SheetContext context;
    context.origin = workbook.date1904 ? QDate(1904, 1, 1) : QDate(1899, 12, 30);
    const ZipIndex parts(bytes);
    // Strings or styles the workbook names and the package lacks are damage, not empty or
    // unformatted cells.
    const auto named = [&parts](const std::string& name) -> std::optional<ZipEntry> {
        if (name.empty())
            return std::nullopt;
        if (std::optional<ZipEntry> part = parts.find(name))
            return part;
        throw Refusal{
            QStringLiteral("Файл повреждён: часть %1 не найдена в архиве.").arg(partName(name))};
    };
    if (const auto strings = named(workbook.sharedStrings))
        context.strings = readSharedStrings(bytes, *strings);
    if (const auto styles = named(workbook.styles))
        context.formats = readCellFormats(bytes, *styles);
    // A part two sheets name is looked over once: no spreadsheet writes so, a hostile file may
    // name one part for every sheet.
    std::unordered_set<std::string> read;
    for (std::size_t i = 0; i < workbook.sheets.size(); ++i) {
        cells.beginSheet(int(i), workbook.sheets[i].name);
        const auto part = parts.find(workbook.sheets[i].part);
        if (part && (read.insert(part->name).second || cells.reading()))
            SheetReader(context, cells).read(bytes, *part);
    }
}

} // namespace exchange
