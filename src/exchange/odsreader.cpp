#include "exchange/odsreader.h"

#include "exchange/numberformats.h"
#include "exchange/zipparts.h"

#include <cmath>
#include <optional>

namespace exchange {

namespace {

using namespace Qt::StringLiterals;

constexpr QLatin1StringView OfficeNs = "urn:oasis:names:tc:opendocument:xmlns:office:1.0"_L1;
constexpr QLatin1StringView TableNs = "urn:oasis:names:tc:opendocument:xmlns:table:1.0"_L1;
constexpr QLatin1StringView TextNs = "urn:oasis:names:tc:opendocument:xmlns:text:1.0"_L1;
constexpr QLatin1StringView DrawNs = "urn:oasis:names:tc:opendocument:xmlns:drawing:1.0"_L1;
constexpr QLatin1StringView CalcExtNs =
    "urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0"_L1;

// A count such as table:number-rows-repeated, at least 1 and at most `most`.
int count(QStringView digits, int most) {
    qint64 value = 0;
    for (const QChar c : digits) {
        if (c < u'0' || c > u'9')
            return 1;
        value = std::min<qint64>(value * 10 + (c.unicode() - u'0'), most);
    }
    return value < 1 ? 1 : int(value);
}

bool allDigits(QStringView text) {
    if (text.startsWith(u'-'))
        text = text.sliced(1);
    return !text.isEmpty() &&
           std::ranges::all_of(text, [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// What a cell's attributes say, as far as its shown text needs them.
struct CellAttributes {
    explicit CellAttributes(const QXmlStreamAttributes& a = {})
        : valueType(a.value(OfficeNs, "value-type"_L1).toString()),
          value(a.value(OfficeNs, "value"_L1).toString()),
          dateValue(a.value(OfficeNs, "date-value"_L1).toString()),
          booleanValue(a.value(OfficeNs, "boolean-value"_L1).toString()),
          calcType(a.value(CalcExtNs, "value-type"_L1).toString()),
          formula(!a.value(TableNs, "formula"_L1).isNull()),
          columnsRepeated(count(a.value(TableNs, "number-columns-repeated"_L1), MaxSheetColumns)),
          rowsSpanned(count(a.value(TableNs, "number-rows-spanned"_L1), MaxSheetRows)),
          columnsSpanned(count(a.value(TableNs, "number-columns-spanned"_L1), MaxSheetColumns)) {
        if (const QStringView text = a.value(OfficeNs, "string-value"_L1); !text.isNull())
            stringValue = text.toString();
    }

    QString valueType, value, dateValue, booleanValue, calcType;
    std::optional<QString> stringValue;
    bool formula = false;
    int columnsRepeated = 1, rowsSpanned = 1, columnsSpanned = 1;
};

class ContentReader {
public:
    explicit ContentReader(SheetCells& cells) : cells_(cells) {}

    void read(QXmlStreamReader& reader) {
        while (!reader.atEnd()) {
            const QXmlStreamReader::TokenType token = reader.readNext();
            if (token == QXmlStreamReader::StartElement)
                startElement(reader);
            else if (token == QXmlStreamReader::EndElement)
                endElement(reader);
            else if (token == QXmlStreamReader::Characters)
                characters(reader.text());
        }
        checkParsed(reader, "content.xml");
    }

private:
    void startElement(QXmlStreamReader& reader) {
        const QStringView name = reader.name();
        const QStringView ns = reader.namespaceUri();
        if (ns == TableNs) {
            if (name == u"table") {
                cells_.beginSheet(++table_, attribute(reader.attributes(), u"name").toString());
                row_ = 0;
            } else if (name == u"table-row") {
                rowsRepeated_ =
                    count(attribute(reader.attributes(), u"number-rows-repeated"), MaxSheetRows);
                col_ = 0;
                rowCells_.clear();
            } else if (name == u"table-cell" || name == u"covered-table-cell") {
                startCell(reader.attributes(), name == u"covered-table-cell");
            }
        } else if ((ns == OfficeNs && name == u"annotation") || ns == DrawNs) {
            reader.skipCurrentElement(); // a comment, a shape anchored to the cell: no cell text
        } else if (ns == TextNs && inCell_) {
            if (name == u"p" || name == u"h") {
                if (paragraphs_++ == 0 && paragraphCount_++ > 0)
                    text_ += u'\n';
                collapsible_ = true; // leading blanks of a paragraph are no text
            } else if (name == u"s") {
                text_ += QString(count(attribute(reader.attributes(), u"c"), 1 << 16), u' ');
                collapsible_ = false;
            } else if (name == u"tab") {
                text_ += u'\t';
                collapsible_ = false;
            } else if (name == u"line-break") {
                text_ += u'\n';
                collapsible_ = true;
            }
        }
    }

    void endElement(const QXmlStreamReader& reader) {
        const QStringView name = reader.name();
        const QStringView ns = reader.namespaceUri();
        if (ns == TableNs) {
            if (name == u"table-cell" || name == u"covered-table-cell")
                endCell();
            else if (name == u"table-row")
                endRow();
        } else if (ns == TextNs && (name == u"p" || name == u"h") && paragraphs_ > 0) {
            // A run of blanks ending the paragraph stays one blank, as in the spreadsheet.
            --paragraphs_;
        }
    }

    // Blanks, tabs and line ends in a paragraph's own characters count as one space between words.
    void characters(QStringView text) {
        if (!inCell_ || paragraphs_ == 0)
            return;
        for (const QChar c : text) {
            if (c == u' ' || c == u'\t' || c == u'\n' || c == u'\r') {
                if (!collapsible_) {
                    text_ += u' ';
                    collapsible_ = true;
                }
            } else {
                text_ += c;
                collapsible_ = false;
            }
        }
    }

    void startCell(const QXmlStreamAttributes& attributes, bool covered) {
        cell_ = CellAttributes(attributes);
        inCell_ = !covered;
        text_.clear();
        paragraphs_ = 0;
        paragraphCount_ = 0;
        if (!covered && (cell_.columnsSpanned > 1 || cell_.rowsSpanned > 1))
            cells_.problem(
                mergedProblem(row_, col_, std::min(row_ + cell_.rowsSpanned, MaxSheetRows) - 1,
                              std::min(col_ + cell_.columnsSpanned, MaxSheetColumns) - 1));
    }

    void endCell() {
        const int repeated = std::min(cell_.columnsRepeated, MaxSheetColumns - col_);
        if (inCell_) {
            const bool error =
                cell_.calcType == u"error" ||
                (cell_.formula && cell_.stringValue && cell_.stringValue->isEmpty() &&
                 (text_.startsWith(u'#') || text_.startsWith(u"Err:")));
            if (error) {
                cells_.problem(
                    QStringLiteral("Ячейка %1: формула дала ошибку %2; ячейка оставлена пустой.")
                        .arg(cellAddress(row_, col_), text_));
            } else if (const QString shown = shownText(); !shown.isEmpty()) {
                // The cells of the sheet read are put when their row, and its repeats, are known.
                if (cells_.reading())
                    for (int i = 0; i < repeated; ++i)
                        rowCells_.emplace_back(col_ + i, shown);
                else
                    cells_.show(row_, col_, shown, qsizetype(repeated) * rowsRepeated_);
            }
        }
        col_ += repeated;
        inCell_ = false;
    }

    void endRow() {
        const int repeated = std::min(rowsRepeated_, MaxSheetRows - row_);
        if (cells_.reading() && !rowCells_.empty()) {
            // A repeat of filled cells is refused from its counts, before it is filled.
            cells_.expect(qint64(rowCells_.size()) * rowsRepeated_);
            if (repeated < rowsRepeated_)
                cells_.problem(QStringLiteral("Строки после %1-й не импортированы: в листе "
                                              "не может быть больше строк.")
                                   .arg(MaxSheetRows));
            for (int r = 0; r < repeated; ++r)
                for (const auto& [col, text] : rowCells_)
                    cells_.put(row_ + r, col, text);
        }
        row_ += repeated;
    }

    QString shownText() const {
        const QString& type = cell_.valueType;
        if (type == u"date")
            return isoDateText(cell_.dateValue, text_);
        if (type == u"float" || type == u"percentage" || type == u"currency") {
            bool ok = false;
            const double value = cell_.value.toDouble(&ok);
            if (!ok)
                return text_;
            // A whole number in full, unless the cell shows it with leading zeros.
            if (type == u"float" && value == std::floor(value) && !allDigits(text_))
                return showNumber(value, {}, {});
            return text_.isEmpty() ? showNumber(value, {}, {}) : text_;
        }
        if (type == u"boolean" && text_.isEmpty())
            return booleanText(cell_.booleanValue == u"true");
        if (text_.isEmpty() && cell_.stringValue)
            return *cell_.stringValue;
        return text_;
    }

    SheetCells& cells_;
    int table_ = -1; // the table being read, from 0
    int row_ = 0;    // the first sheet row of the row being read, never past the sheet's last
    int rowsRepeated_ = 1;
    int col_ = 0; // the column of the cell being read, never past the sheet's last
    std::vector<std::pair<int, QString>> rowCells_;
    // The cell being read.
    bool inCell_ = false;
    CellAttributes cell_;
    QString text_;             // its paragraphs so far, joined by line ends
    int paragraphs_ = 0;       // text:p elements open (nested in spans and links alike)
    int paragraphCount_ = 0;   // paragraphs begun in the cell
    bool collapsible_ = false; // text_ ends in a space that a further one joins
};

} // namespace

void readOds(QByteArrayView bytes, SheetCells& cells) {
    // The package was examined as an .ods for its content.xml.
    PartXml xml(bytes, ZipIndex(bytes).find("content.xml").value());
    ContentReader(cells).read(xml.reader);
    xml.part.checkAsDeclared();
}

} // namespace exchange
