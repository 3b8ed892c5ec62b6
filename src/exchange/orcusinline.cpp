#include "exchange/orcusinline.h"

#include "exchange/orcusnumbers.h"
#include "exchange/xlsxpackage.h"

#include <algorithm>
#include <functional>
#include <orcus/sax_parser.hpp>

namespace exchange {

namespace {

// Whether a cell's type attribute names one of the types orcus passes over.
bool holdsPassedOverTypes(std::string_view xml) {
    constexpr std::string_view Attribute = " t=";
    for (std::size_t at = xml.find(Attribute); at != std::string_view::npos;
         at = xml.find(Attribute, at + Attribute.size())) {
        std::string_view value = xml.substr(at + Attribute.size(), 12);
        if (value.size() < 2)
            break;
        const char quote = value.front();
        value.remove_prefix(1);
        value = value.substr(0, value.find(quote));
        if (value == "inlineStr" || value == "e" || value == "str" || value == "d")
            return true;
    }
    return false;
}

// Follows rows and cells through the sheet: an inline string's text, or an error value without
// a formula, is handed over at the end of its cell.
class SheetHandler : public orcus::sax_handler {
public:
    explicit SheetHandler(SheetCells& cells) : cells_(cells) {}

    void attribute(const orcus::sax::parser_attribute& attr) {
        if (attr.name == "r")
            reference_ = attr.value;
        else if (attr.name == "t")
            type_ = attr.value;
    }
    void start_element(const orcus::sax::parser_element& elem) {
        const std::string_view name = elem.name;
        if (name == "row") {
            row_ = reference_.empty() ? row_ + 1 : number(reference_) - 1;
            col_ = -1;
        } else if (name == "c") {
            col_ = reference_.empty() ? col_ + 1 : column(reference_);
            kind_ = type_ == "inlineStr" ? Inline
                    : type_ == "e"       ? Error
                    : type_ == "str"     ? Text
                    : type_ == "d"       ? Date
                                         : Other;
            text_.clear();
            formula_ = false;
        } else if (name == "f") {
            formula_ = true;
        } else if (name == "rPh") {
            phonetic_ = true;
        } else if (name == "t" || name == "v") {
            collecting_ =
                kind_ == Inline ? name == "t" && !phonetic_ : kind_ != Other && name == "v";
        }
        reference_ = {};
        type_ = {};
    }
    void end_element(const orcus::sax::parser_element& elem) {
        const std::string_view name = elem.name;
        if (name == "t" || name == "v")
            collecting_ = false;
        else if (name == "rPh")
            phonetic_ = false;
        else if (name == "c" && col_ >= 0 && row_ >= 0) {
            const QString text = QString::fromUtf8(text_.data(), qsizetype(text_.size()));
            // A formula's result is orcus's: only values of their own are taken here.
            if (kind_ == Inline || (kind_ == Text && !formula_))
                cells_.put(row_, col_, text);
            else if (kind_ == Date && !formula_)
                cells_.put(row_, col_, isoDate(text));
            else if (kind_ == Error && !formula_)
                cells_.problems().add(
                    QStringLiteral("Ячейка %1: значение ошибки %2; ячейка оставлена пустой.")
                        .arg(cellAddress(row_, col_), text));
            kind_ = Other;
        }
    }
    void characters(std::string_view text, bool) {
        if (collecting_)
            text_ += text;
    }

private:
    // Strings in the cell, error values, texts and ISO dates ("2023-03-15T00:00:00").
    enum Kind { Other, Inline, Error, Text, Date };

    static QString isoDate(const QString& text) {
        const QDate date = QDate::fromString(text.left(10), Qt::ISODate);
        return date.isValid() ? showDate(date) : text;
    }

    static int number(std::string_view digits) {
        int value = 0;
        for (char c : digits)
            if (c >= '0' && c <= '9')
                value = std::min(value * 10 + (c - '0'), MaxSheetRows);
        return value;
    }
    // The column of "C5", from 0.
    static int column(std::string_view reference) {
        int value = 0;
        for (char c : reference) {
            if (c >= 'A' && c <= 'Z')
                value = std::min(value * 26 + (c - 'A' + 1), MaxSheetColumns);
            else if (c != '$')
                break;
        }
        return value - 1;
    }

    SheetCells& cells_;
    std::string reference_;
    std::string type_;
    std::string text_;
    int row_ = -1;
    int col_ = -1;
    Kind kind_ = Other;
    bool formula_ = false;
    bool phonetic_ = false;
    bool collecting_ = false;
};

} // namespace

void readInlineCells(QByteArrayView xlsx, const std::string& part, SheetCells& cells) {
    // The sheet orcus read, checked here: orcus passes over a part it cannot inflate whole.
    const auto sheet = checkedPart(xlsx, part);
    if (!sheet)
        return;
    const std::string_view xml(reinterpret_cast<const char*>(sheet->data()), sheet->size());
    if (!holdsPassedOverTypes(xml))
        return;
    SheetHandler handler(cells);
    orcus::sax_parser<SheetHandler> parser(xml.data(), xml.size(), handler);
    parser.parse();
}

} // namespace exchange
