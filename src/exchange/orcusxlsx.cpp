#include "exchange/orcusxlsx.h"

#include "exchange/orcusinline.h"
#include "exchange/orcusnumbers.h"
#include "exchange/orcusstyles.h"
#include "exchange/xlsxpackage.h"

#include <QDate>
#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <optional>
#include <orcus/orcus_xlsx.hpp>
#include <orcus/spreadsheet/import_interface.hpp>
#include <utility>
#include <vector>

namespace exchange {

namespace {

namespace ss = orcus::spreadsheet;
namespace iface = orcus::spreadsheet::iface;

QString fromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

QString booleanText(bool value) {
    return value ? QStringLiteral("ИСТИНА") : QStringLiteral("ЛОЖЬ");
}

QString formulaErrorProblem(int row, int col) {
    return QStringLiteral("Ячейка %1: формула дала ошибку (или её результат не сохранён); ячейка "
                          "оставлена пустой.")
        .arg(cellAddress(row, col));
}

// The strings the cells share.
class SharedStrings final : public iface::import_shared_strings {
public:
    QString at(std::size_t index) const { return strings_.value(qsizetype(index)); }
    std::size_t append(std::string_view s) override { return store(fromUtf8(s)); }
    std::size_t add(std::string_view s) override { return store(fromUtf8(s)); }
    void set_segment_font(std::size_t) override {}
    void set_segment_bold(bool) override {}
    void set_segment_italic(bool) override {}
    void set_segment_font_name(std::string_view) override {}
    void set_segment_font_size(double) override {}
    void set_segment_font_color(ss::color_elem_t, ss::color_elem_t, ss::color_elem_t,
                                ss::color_elem_t) override {}
    void append_segment(std::string_view s) override { segments_ += fromUtf8(s); }
    std::size_t commit_segments() override { return store(std::exchange(segments_, {})); }

private:
    std::size_t store(QString text) {
        strings_ << std::move(text);
        return std::size_t(strings_.size() - 1);
    }

    QStringList strings_;
    QString segments_;
};

class Resolver final : public iface::import_reference_resolver {
public:
    ss::src_address_t resolve_address(std::string_view address) override {
        // "A1", "$A$1", "Лист1!A1": the part after the last "!".
        const std::size_t bang = address.rfind('!');
        if (bang != std::string_view::npos)
            address.remove_prefix(bang + 1);
        long col = 0;
        long row = 0;
        std::size_t i = 0;
        if (i < address.size() && address[i] == '$')
            ++i;
        for (; i < address.size() && std::isalpha(static_cast<unsigned char>(address[i])); ++i)
            col = std::min(col * 26 +
                               (std::toupper(static_cast<unsigned char>(address[i])) - 'A' + 1),
                           1L << 20);
        if (i < address.size() && address[i] == '$')
            ++i;
        const std::size_t digits = i;
        for (; i < address.size() && std::isdigit(static_cast<unsigned char>(address[i])); ++i)
            row = std::min(row * 10 + (address[i] - '0'), 1L << 30);
        if (col == 0 || row == 0 || i != address.size() || digits == i || col > MaxSheetColumns ||
            row > MaxSheetRows)
            throw Refusal{QStringLiteral("Файл повреждён: неверный адрес ячейки.")};
        return {0, ss::row_t(row - 1), ss::col_t(col - 1)};
    }
    ss::src_range_t resolve_range(std::string_view range) override {
        const std::size_t colon = range.find(':');
        const ss::src_address_t first = resolve_address(range.substr(0, colon));
        return {first,
                colon == std::string_view::npos ? first : resolve_address(range.substr(colon + 1))};
    }
};

class Settings final : public iface::import_global_settings {
public:
    QDate origin{1899, 12, 30};
    void set_origin_date(int year, int month, int day) override {
        origin = QDate(year, month, day);
    }
    void set_default_formula_grammar(ss::formula_grammar_t) override {}
    ss::formula_grammar_t get_default_formula_grammar() const override {
        return ss::formula_grammar_t::xlsx;
    }
    void set_character_set(orcus::character_set_t) override {}
};

// A number waiting for the styles, which an .xlsx file gives after its sheets.
struct PendingNumber {
    int row;
    int col;
    double value;
    std::size_t xf;
};

class FirstSheet;

// A formula's saved result, given after the sheets.
class Formula final : public iface::import_formula {
public:
    explicit Formula(FirstSheet& sheet) : sheet_(sheet) {}
    void set_position(ss::row_t row, ss::col_t col) override {
        row_ = row;
        col_ = col;
        result_.reset();
        text_.clear();
    }
    void set_formula(ss::formula_grammar_t, std::string_view) override {}
    void set_shared_formula_index(std::size_t) override {}
    void set_result_string(std::string_view value) override {
        text_ = fromUtf8(value);
        result_ = Text;
    }
    void set_result_value(double value) override {
        value_ = value;
        result_ = std::isnan(value) ? std::nullopt : std::optional(Number);
    }
    void set_result_bool(bool value) override {
        text_ = booleanText(value);
        result_ = Text;
    }
    void set_result_empty() override { result_ = Empty; }
    void commit() override;

private:
    enum Result { Text, Number, Empty };
    FirstSheet& sheet_;
    int row_ = 0;
    int col_ = 0;
    std::optional<Result> result_;
    QString text_;
    double value_ = 0;
};

// The results of a formula over a range of cells.
class ArrayFormula final : public iface::import_array_formula {
public:
    explicit ArrayFormula(FirstSheet& sheet) : sheet_(sheet) {}
    void set_range(const ss::range_t& range) override { range_ = range; }
    void set_formula(ss::formula_grammar_t, std::string_view) override {}
    void set_result_string(ss::row_t row, ss::col_t col, std::string_view value) override;
    void set_result_value(ss::row_t row, ss::col_t col, double value) override;
    void set_result_bool(ss::row_t row, ss::col_t col, bool value) override;
    void set_result_empty(ss::row_t, ss::col_t) override {}
    void commit() override {}

private:
    FirstSheet& sheet_;
    ss::range_t range_{};
};

class Properties final : public iface::import_sheet_properties {
public:
    explicit Properties(Problems& problems) : problems_(problems) {}
    void set_column_width(ss::col_t, double, orcus::length_unit_t) override {}
    void set_column_hidden(ss::col_t, bool) override {}
    void set_row_height(ss::row_t, double, orcus::length_unit_t) override {}
    void set_row_hidden(ss::row_t, bool) override {}
    void set_merge_cell_range(const ss::range_t& range) override {
        problems_.add(
            mergedProblem(range.first.row, range.first.column, range.last.row, range.last.column));
    }

private:
    Problems& problems_;
};

// The first sheet: its texts go into the cells, its numbers wait for the styles.
class FirstSheet final : public iface::import_sheet {
public:
    FirstSheet(SheetCells& cells, const SharedStrings& strings)
        : cells_(cells), strings_(strings), properties_(cells.problems()), formula_(*this),
          array_(*this) {}

    iface::import_sheet_properties* get_sheet_properties() override { return &properties_; }
    iface::import_formula* get_formula() override { return &formula_; }
    iface::import_array_formula* get_array_formula() override { return &array_; }

    void set_auto(ss::row_t row, ss::col_t col, std::string_view s) override {
        text(row, col, fromUtf8(s));
    }
    void set_string(ss::row_t row, ss::col_t col, ss::string_id_t index) override {
        text(row, col, strings_.at(index));
    }
    void set_value(ss::row_t row, ss::col_t col, double value) override { number(row, col, value); }
    void set_bool(ss::row_t row, ss::col_t col, bool value) override {
        text(row, col, booleanText(value));
    }
    void set_date_time(ss::row_t row, ss::col_t col, int year, int month, int day, int, int,
                       double) override {
        text(row, col, showDate(QDate(year, month, day)));
    }
    void set_format(ss::row_t row, ss::col_t col, std::size_t xf) override {
        if (!numbers_.empty() && numbers_.back().row == row && numbers_.back().col == col)
            numbers_.back().xf = xf;
        else if (lastText_ != std::pair(int(row), int(col)))
            formats_.push_back({row, col, 0.0, xf});
    }
    void set_format(ss::row_t, ss::col_t, ss::row_t, ss::col_t, std::size_t) override {}
    void fill_down_cells(ss::row_t, ss::col_t, ss::row_t) override {}
    ss::range_size_t get_sheet_size() const override { return {MaxSheetRows, MaxSheetColumns}; }

    void text(int row, int col, const QString& text) {
        cells_.put(row, col, text);
        lastText_ = {row, col};
    }
    void number(int row, int col, double value, std::optional<std::size_t> xf = {}) {
        if (std::isnan(value)) {
            cells_.problems().add(formulaErrorProblem(row, col));
            return;
        }
        numbers_.push_back({row, col, value, xf ? *xf : formatAt(row, col)});
    }
    void formulaError(int row, int col) { cells_.problems().add(formulaErrorProblem(row, col)); }

    // The numbers shown by their formats, now that the styles are known.
    void showNumbers(const NumberStyles& styles, QDate origin) {
        for (const PendingNumber& number : numbers_)
            cells_.put(number.row, number.col,
                       showNumber(number.value, styles.formatOf(number.xf), origin));
        numbers_.clear();
        numbers_.shrink_to_fit();
    }

private:
    // The format given to a cell without a value of its own (a formula's, whose result comes
    // last).
    std::size_t formatAt(int row, int col) {
        if (!formatsSorted_) {
            std::sort(formats_.begin(), formats_.end(), [](const auto& a, const auto& b) {
                return std::pair(a.row, a.col) < std::pair(b.row, b.col);
            });
            formatsSorted_ = true;
        }
        const auto found =
            std::lower_bound(formats_.begin(), formats_.end(), std::pair(row, col),
                             [](const PendingNumber& a, const std::pair<int, int>& b) {
                                 return std::pair(a.row, a.col) < b;
                             });
        return found != formats_.end() && found->row == row && found->col == col ? found->xf : 0;
    }

    SheetCells& cells_;
    const SharedStrings& strings_;
    Properties properties_;
    Formula formula_;
    ArrayFormula array_;
    std::vector<PendingNumber> numbers_;
    std::vector<PendingNumber> formats_; // value unused
    bool formatsSorted_ = false;
    std::pair<int, int> lastText_{-1, -1};
};

void Formula::commit() {
    if (!result_)
        sheet_.formulaError(row_, col_);
    else if (*result_ == Text)
        sheet_.text(row_, col_, text_);
    else if (*result_ == Number)
        sheet_.number(row_, col_, value_);
}

void ArrayFormula::set_result_string(ss::row_t row, ss::col_t col, std::string_view value) {
    sheet_.text(range_.first.row + row, range_.first.column + col, fromUtf8(value));
}
void ArrayFormula::set_result_value(ss::row_t row, ss::col_t col, double value) {
    sheet_.number(range_.first.row + row, range_.first.column + col, value);
}
void ArrayFormula::set_result_bool(ss::row_t row, ss::col_t col, bool value) {
    sheet_.text(range_.first.row + row, range_.first.column + col, booleanText(value));
}

// A sheet besides the one read: how many cells it fills and its first rows' texts.
class LookedOverSheet final : public iface::import_sheet {
public:
    LookedOverSheet(std::vector<OtherSheet>& sheets, std::size_t index,
                    const SharedStrings& strings)
        : sheets_(sheets), index_(index), strings_(strings) {}

    void set_auto(ss::row_t row, ss::col_t col, std::string_view s) override {
        sheet().count(row, col, fromUtf8(s));
    }
    void set_string(ss::row_t row, ss::col_t col, ss::string_id_t index) override {
        sheet().count(row, col, strings_.at(index));
    }
    void set_value(ss::row_t row, ss::col_t col, double) override { filled(row, col); }
    void set_bool(ss::row_t row, ss::col_t col, bool) override { filled(row, col); }
    void set_date_time(ss::row_t row, ss::col_t col, int, int, int, int, int, double) override {
        filled(row, col);
    }
    void set_format(ss::row_t, ss::col_t, std::size_t) override {}
    void set_format(ss::row_t, ss::col_t, ss::row_t, ss::col_t, std::size_t) override {}
    void fill_down_cells(ss::row_t, ss::col_t, ss::row_t) override {}
    ss::range_size_t get_sheet_size() const override { return {MaxSheetRows, MaxSheetColumns}; }

private:
    // A value no caption is: counted, not kept.
    void filled(int row, int col) { sheet().count(row, col, QStringLiteral(" ")); }
    OtherSheet& sheet() { return sheets_[index_]; }

    std::vector<OtherSheet>& sheets_;
    std::size_t index_;
    const SharedStrings& strings_;
};

class Factory final : public iface::import_factory {
public:
    explicit Factory(SheetCells& cells) : cells_(cells), first_(cells, strings_) {}

    iface::import_global_settings* get_global_settings() override { return &settings_; }
    iface::import_shared_strings* get_shared_strings() override { return &strings_; }
    iface::import_styles* get_styles() override { return &styles_; }
    iface::import_reference_resolver* get_reference_resolver(ss::formula_ref_context_t) override {
        return &resolver_;
    }
    iface::import_sheet* append_sheet(ss::sheet_t index, std::string_view name) override {
        names_.push_back(fromUtf8(name));
        if (index == cells_.sheet()) {
            sheets_.push_back(&first_);
        } else {
            cells_.others().push_back({int(index), names_.back(), 0, {}});
            others_.push_back(std::make_unique<LookedOverSheet>(
                cells_.others(), cells_.others().size() - 1, strings_));
            sheets_.push_back(others_.back().get());
        }
        return sheets_.back();
    }
    iface::import_sheet* get_sheet(std::string_view name) override {
        const auto found = std::find(names_.begin(), names_.end(), fromUtf8(name));
        return found == names_.end() ? nullptr : get_sheet(ss::sheet_t(found - names_.begin()));
    }
    iface::import_sheet* get_sheet(ss::sheet_t index) override {
        return index >= 0 && std::size_t(index) < sheets_.size() ? sheets_[std::size_t(index)]
                                                                 : nullptr;
    }
    void finalize() override {}

    FirstSheet& first() { return first_; }
    const Settings& settings() const { return settings_; }
    const NumberStyles& styles() const { return styles_; }

private:
    SheetCells& cells_;
    SharedStrings strings_;
    NumberStyles styles_;
    Settings settings_;
    Resolver resolver_;
    FirstSheet first_;
    std::vector<QString> names_;
    std::vector<iface::import_sheet*> sheets_;
    std::vector<std::unique_ptr<LookedOverSheet>> others_;
};

} // namespace

void readXlsx(QByteArrayView bytes, SheetCells& cells) {
    const Workbook workbook = readWorkbook(bytes);
    // orcus follows a relationship's target from the source part's folder only.
    const std::optional<QByteArray> relinked = withRelativeTargets(bytes);
    const QByteArrayView package = relinked ? QByteArrayView(*relinked) : bytes;
    const std::size_t sheet = std::size_t(cells.sheet());
    const std::string part = sheet < workbook.sheets.size() ? workbook.sheets[sheet].part : "";
    Factory factory(cells);
    try {
        orcus::orcus_xlsx filter(&factory);
        filter.read_stream(std::string_view(package.data(), std::size_t(package.size())));
    } catch (const std::exception&) {
        // A part cut short by its zip entry reads as damaged XML: name it instead.
        if (!part.empty())
            checkedPart(bytes, part);
        throw;
    }
    factory.first().showNumbers(factory.styles(),
                                workbook.date1904 ? QDate(1904, 1, 1) : factory.settings().origin);
    if (!part.empty())
        readInlineCells(bytes, part, cells);
    std::erase_if(cells.others(), [](const OtherSheet& other) { return other.cells == 0; });
}

} // namespace exchange
