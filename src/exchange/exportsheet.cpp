#include "exchange/exportsheet.h"

#include "core/journalcolumns.h"
#include "core/journaldates.h"
#include "model/gridmodel.h"

#include <algorithm>
#include <cmath>

namespace exchange {

namespace {

// Excel's measure, which Calc follows on import: a column of w characters of the default font's
// digit (7 pixels) takes 7w + 5 pixels, its margins included.
constexpr double DigitPixels = 7;
constexpr double MarginPixels = 5;

bool holdsText(const model::GridModel& grid, int row) {
    for (int c = 0; c < grid.columnCount(); ++c)
        if (!grid.cell(row, c).isEmpty())
            return true;
    return false;
}

double columnWidth(const model::GridModel& grid, int col, std::span<const int> pixelWidths) {
    if (std::size_t(col) < pixelWidths.size() && pixelWidths[std::size_t(col)] > 0)
        return charactersForPixels(pixelWidths[std::size_t(col)]);
    // The format text's blanks widen the column by a character each, as on screen; one more
    // for the cell's margins.
    const qsizetype text = grid.columnWidthText(col).size();
    return text > 0 ? double(text + 1) : SheetColumn().width;
}

Shade shadeOf(model::BlockState state) {
    switch (state) {
    case model::BlockState::Blocked:
        return Shade::Blocked;
    case model::BlockState::Soon:
        return Shade::Soon;
    case model::BlockState::Clear:
        break;
    }
    return Shade::None;
}

} // namespace

ExportSheet::ExportSheet(QList<QStringList> rows, std::vector<SheetColumn> columns,
                         std::vector<Shade> shades)
    : rows_(std::move(rows)), columns_(std::move(columns)), shades_(std::move(shades)) {
    shades_.resize(rows_.size(), Shade::None);
}

ExportSheet sheetFromGrid(const model::GridModel& grid, const model::BlockJudgement& watch,
                          model::RowFilter filter, std::span<const int> pixelWidths) {
    int end = grid.rowCount();
    while (end > 0 && !holdsText(grid, end - 1))
        --end;
    QList<QStringList> rows;
    std::vector<Shade> shades;
    for (int r = 0; r < end; ++r) {
        if (!watch.shows(r, filter))
            continue;
        rows.append(grid.dataRows()[r]);
        shades.push_back(shadeOf(watch.state(r)));
    }
    // The date columns are found by their captions, as the block-date pass finds them.
    const std::optional<int> activation = grid.findColumn(core::ActivationDateHeader);
    const std::optional<int> block = grid.findColumn(core::BlockDateHeader);
    std::vector<SheetColumn> columns;
    for (int c = 0; c < grid.columnCount(); ++c)
        columns.push_back({grid.caption(c).trimmed(), columnWidth(grid, c, pixelWidths),
                           activation == c || block == c});
    return ExportSheet(std::move(rows), std::move(columns), std::move(shades));
}

double charactersForPixels(int pixels) {
    // Rounded to a hundredth, so that the same width is written the same way every time.
    return std::max(1.0, std::round((pixels - MarginPixels) / DigitPixels * 100) / 100);
}

int pixelsForCharacters(double characters) {
    return int(std::lround(characters * DigitPixels + MarginPixels));
}

std::optional<QDate> sheetDate(QStringView text) {
    if (text.size() != 10)
        return std::nullopt;
    const std::optional<QDate> date = core::readDate(text);
    if (!date || date->year() < 1900 || core::formatDate(*date) != text)
        return std::nullopt;
    return date;
}

std::optional<QString> overlongCell(const ExportSheet& sheet) {
    const auto place = [](int row, int col) {
        return QStringLiteral("строка %1, колонка %2").arg(row + 1).arg(col + 1);
    };
    for (int c = 0; c < sheet.cols(); ++c)
        if (sheet.column(c).caption.size() > MaxCellLength)
            return place(0, c);
    for (int r = 0; r < sheet.rows(); ++r)
        for (int c = 0; c < sheet.cols(); ++c)
            if (sheet.cell(r, c).size() > MaxCellLength)
                return place(r + 1, c);
    return std::nullopt;
}

} // namespace exchange
