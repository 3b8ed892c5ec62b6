#include "exchange/orcusods.h"

#include "exchange/orcusnumbers.h"
#include "exchange/orcuszip.h"

#include <QDate>
#include <cmath>
#include <cstdlib>
#include <orcus/sax_parser.hpp>

namespace exchange {

namespace {

enum class Ns { Other, Office, Table, Text, CalcExt };

// What the attributes of the element being opened say, as far as a cell needs them.
struct CellAttributes {
    std::string valueType, value, dateValue, booleanValue, stringValue, calcType;
    bool hasStringValue = false;
    bool formula = false;
    int columnsRepeated = 1, rowsRepeated = 1, columnsSpanned = 1, rowsSpanned = 1, spaces = 1;
    std::string tableName;
};

int count(std::string_view digits, int most) {
    long value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return 1;
        value = std::min<long>(value * 10 + (c - '0'), most);
    }
    return value < 1 ? 1 : int(value);
}

bool allDigits(std::string_view text) {
    if (!text.empty() && text.front() == '-')
        text.remove_prefix(1);
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

QString utf8(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

class ContentHandler {
public:
    explicit ContentHandler(SheetCells& cells) : cells_(cells) {}

    void doctype(const orcus::sax::doctype_declaration&) {}
    void start_declaration(std::string_view) {}
    void end_declaration(std::string_view) {}
    void attribute(std::string_view, std::string_view) {}
    void attribute(const orcus::sax::parser_attribute& attr);
    void start_element(const orcus::sax::parser_element& elem);
    void end_element(const orcus::sax::parser_element& elem);
    void characters(std::string_view text, bool);

    void finish();

private:
    // The namespace of a prefix, as the declarations met so far bind it.
    Ns ns(std::string_view prefix) const;
    void declare(std::string_view prefix, std::string_view uri);
    void startCell(bool covered);
    void endCell();
    void endRow();
    QString shownText() const;

    SheetCells& cells_;
    // The prefixes of the namespaces read here (all of a file's are declared on its root
    // element, where parsing without namespaces is much the faster).
    std::vector<std::pair<std::string, Ns>> prefixes_;
    CellAttributes next_;
    int table_ = -1;       // the table being read, from 0
    bool reading_ = false; // whether the table being read is the one taken
    int row_ = 0;          // the first sheet row of the row being read
    int rowsRepeated_ = 1;
    int col_ = 0; // the column of the cell being read
    std::vector<std::pair<int, QString>> rowCells_;
    // The cell being read.
    bool inCell_ = false;
    CellAttributes cell_;
    std::string text_;         // its paragraphs so far, joined by line ends
    int paragraphs_ = 0;       // text:p elements open (nested in spans and links alike)
    int paragraphCount_ = 0;   // paragraphs begun in the cell
    int skipped_ = 0;          // open elements whose text is no cell text (annotations)
    bool collapsible_ = false; // text_ ends in a space that a further one joins
};

Ns ContentHandler::ns(std::string_view prefix) const {
    for (const auto& [declared, kind] : prefixes_)
        if (declared == prefix)
            return kind;
    return Ns::Other;
}

void ContentHandler::declare(std::string_view prefix, std::string_view uri) {
    Ns kind = Ns::Other;
    if (uri == "urn:oasis:names:tc:opendocument:xmlns:office:1.0")
        kind = Ns::Office;
    else if (uri == "urn:oasis:names:tc:opendocument:xmlns:table:1.0")
        kind = Ns::Table;
    else if (uri == "urn:oasis:names:tc:opendocument:xmlns:text:1.0")
        kind = Ns::Text;
    else if (uri == "urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0")
        kind = Ns::CalcExt;
    std::erase_if(prefixes_, [&](const auto& known) { return known.first == prefix; });
    if (kind != Ns::Other)
        prefixes_.emplace_back(prefix, kind);
}

void ContentHandler::attribute(const orcus::sax::parser_attribute& attr) {
    const std::string_view name = attr.name;
    const std::string_view value = attr.value;
    if (attr.ns == "xmlns") {
        declare(name, value);
        return;
    }
    switch (ns(attr.ns)) {
    case Ns::Office:
        if (name == "value-type")
            next_.valueType = value;
        else if (name == "value")
            next_.value = value;
        else if (name == "date-value")
            next_.dateValue = value;
        else if (name == "boolean-value")
            next_.booleanValue = value;
        else if (name == "string-value") {
            next_.stringValue = value;
            next_.hasStringValue = true;
        }
        break;
    case Ns::Table:
        if (name == "formula")
            next_.formula = true;
        else if (name == "number-columns-repeated")
            next_.columnsRepeated = count(value, MaxSheetColumns);
        else if (name == "number-rows-repeated")
            next_.rowsRepeated = count(value, MaxSheetRows);
        else if (name == "number-columns-spanned")
            next_.columnsSpanned = count(value, MaxSheetColumns);
        else if (name == "number-rows-spanned")
            next_.rowsSpanned = count(value, MaxSheetRows);
        else if (name == "name")
            next_.tableName = value;
        break;
    case Ns::Text:
        if (name == "c")
            next_.spaces = count(value, 1 << 16);
        break;
    case Ns::CalcExt:
        if (name == "value-type")
            next_.calcType = value;
        break;
    case Ns::Other:
        break;
    }
}

void ContentHandler::start_element(const orcus::sax::parser_element& elem) {
    const std::string_view name = elem.name;
    const Ns space = ns(elem.ns);
    if (skipped_ > 0) {
        ++skipped_;
    } else if (space == Ns::Table) {
        if (name == "table") {
            ++table_;
            reading_ = table_ == cells_.sheet();
            if (!reading_)
                cells_.others().push_back({table_, utf8(next_.tableName), 0, {}});
            row_ = 0;
        } else if (name == "table-row") {
            rowsRepeated_ = next_.rowsRepeated;
            col_ = 0;
            rowCells_.clear();
        } else if (name == "table-cell" || name == "covered-table-cell") {
            startCell(name == "covered-table-cell");
        }
    } else if (space == Ns::Office && name == "annotation") {
        skipped_ = 1;
    } else if (space == Ns::Text && inCell_) {
        if (name == "p" || name == "h") {
            if (paragraphs_++ == 0 && paragraphCount_++ > 0)
                text_ += '\n';
            collapsible_ = true; // leading blanks of a paragraph are no text
        } else if (name == "s") {
            text_.append(std::size_t(next_.spaces), ' ');
            collapsible_ = false;
        } else if (name == "tab") {
            text_ += '\t';
            collapsible_ = false;
        } else if (name == "line-break") {
            text_ += '\n';
            collapsible_ = true;
        }
    }
    next_ = CellAttributes();
}

void ContentHandler::end_element(const orcus::sax::parser_element& elem) {
    const std::string_view name = elem.name;
    const Ns space = ns(elem.ns);
    if (skipped_ > 0) {
        --skipped_;
        return;
    }
    if (space == Ns::Table) {
        if (name == "table-cell" || name == "covered-table-cell")
            endCell();
        else if (name == "table-row")
            endRow();
    } else if (space == Ns::Text && (name == "p" || name == "h") && paragraphs_ > 0) {
        // A run of blanks ending the paragraph stays one blank, as in the spreadsheet.
        --paragraphs_;
    }
}

// Blanks, tabs and line ends in a paragraph's own characters count as one space between words.
void ContentHandler::characters(std::string_view text, bool) {
    if (!inCell_ || paragraphs_ == 0 || skipped_ > 0)
        return;
    for (char c : text) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
            if (!collapsible_) {
                text_ += ' ';
                collapsible_ = true;
            }
        } else {
            text_ += c;
            collapsible_ = false;
        }
    }
}

void ContentHandler::startCell(bool covered) {
    cell_ = std::move(next_);
    inCell_ = !covered;
    text_.clear();
    paragraphs_ = 0;
    paragraphCount_ = 0;
    if (reading_ && !covered && (cell_.columnsSpanned > 1 || cell_.rowsSpanned > 1))
        cells_.problems().add(
            mergedProblem(row_, col_, std::min(row_ + cell_.rowsSpanned, MaxSheetRows) - 1,
                          std::min(col_ + cell_.columnsSpanned, MaxSheetColumns) - 1));
}

void ContentHandler::endCell() {
    const int repeated =
        std::min(cell_.columnsRepeated, MaxSheetColumns - std::min(col_, MaxSheetColumns));
    if (inCell_) {
        const bool error = cell_.calcType == "error" ||
                           (cell_.formula && cell_.hasStringValue && cell_.stringValue.empty() &&
                            !text_.empty() && (text_.front() == '#' || text_.starts_with("Err:")));
        if (error && reading_) {
            cells_.problems().add(
                QStringLiteral("Ячейка %1: формула дала ошибку %2; ячейка оставлена пустой.")
                    .arg(cellAddress(row_, col_), utf8(text_)));
        } else if (!error) {
            const QString shown = shownText();
            if (!shown.isEmpty()) {
                if (reading_)
                    for (int i = 0; i < repeated; ++i)
                        rowCells_.emplace_back(col_ + i, shown);
                else if (!cells_.others().empty())
                    cells_.others().back().count(row_, col_, shown,
                                                 qsizetype(repeated) * rowsRepeated_);
            }
        }
    }
    col_ += repeated;
    inCell_ = false;
}

void ContentHandler::endRow() {
    const int repeated = std::min(rowsRepeated_, MaxSheetRows - std::min(row_, MaxSheetRows));
    if (reading_ && !rowCells_.empty()) {
        // A repeat of filled cells is refused from its counts, before it is filled.
        cells_.expect(qint64(rowCells_.size()) * rowsRepeated_);
        if (repeated < rowsRepeated_)
            cells_.problems().add(QStringLiteral("Строки после %1-й не импортированы: в листе "
                                                 "не может быть больше строк.")
                                      .arg(MaxSheetRows));
        for (int r = 0; r < repeated; ++r)
            for (const auto& [col, text] : rowCells_)
                cells_.put(row_ + r, col, text);
    }
    row_ += repeated;
}

QString ContentHandler::shownText() const {
    const std::string_view type = cell_.valueType;
    const QString text = utf8(text_);
    if (type == "date") {
        const QDate date =
            QDate::fromString(utf8(std::string_view(cell_.dateValue).substr(0, 10)), Qt::ISODate);
        return date.isValid() ? showDate(date) : text;
    }
    if (type == "float" || type == "percentage" || type == "currency") {
        char* end = nullptr;
        const double value = std::strtod(cell_.value.c_str(), &end);
        if (end == cell_.value.c_str())
            return text;
        // A whole number in full, unless the cell shows it with leading zeros.
        if (type == "float" && value == std::floor(value) && !allDigits(text_))
            return showNumber(value, {}, {});
        return text.isEmpty() ? showNumber(value, {}, {}) : text;
    }
    if (type == "boolean" && text.isEmpty())
        return cell_.booleanValue == "true" ? QStringLiteral("ИСТИНА") : QStringLiteral("ЛОЖЬ");
    if (text.isEmpty() && cell_.hasStringValue)
        return utf8(cell_.stringValue);
    return text;
}

void ContentHandler::finish() {
    std::erase_if(cells_.others(), [](const OtherSheet& other) { return other.cells == 0; });
}

} // namespace

void readOds(QByteArrayView bytes, SheetCells& cells) {
    const std::optional<std::vector<unsigned char>> content = zipPart(bytes, "content.xml");
    if (!content)
        throw Refusal{QStringLiteral("В файле .ods нет таблицы (content.xml): файл повреждён.")};
    ContentHandler handler(cells);
    orcus::sax_parser<ContentHandler> parser(reinterpret_cast<const char*>(content->data()),
                                             content->size(), handler);
    parser.parse();
    handler.finish();
}

} // namespace exchange
