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

bool holdsText(const QStringList& row) {
    return std::ranges::any_of(row, [](const QString& text) { return !text.isEmpty(); });
}

// A column of `pixels` screen pixels at 96 dpi in character widths, rounded to a hundredth, so
// that the same width is written the same way every time.
double charactersForPixels(int pixels) {
    return std::max(1.0, std::round((pixels - MarginPixels) / DigitPixels * 100) / 100);
}

double columnWidth(const model::GridModel& grid, int col, std::span<const int> pixelWidths) {
    if (std::size_t(col) < pixelWidths.size() && pixelWidths[std::size_t(col)] > 0)
        return charactersForPixels(pixelWidths[std::size_t(col)]);
    // The format text's blanks widen the column by a character each, as on screen; one more
    // for the cell's margins.
    const qsizetype text = grid.columnWidthText(col).size();
    return text > 0 ? double(text + 1) : SheetColumn().width;
}

} // namespace

ExportSheet sheetFromGrid(const model::GridModel& grid, const model::BlockJudgement& watch,
                          model::RowFilter filter, std::span<const int> pixelWidths) {
    int end = grid.rowCount();
    while (end > 0 && !holdsText(grid.dataRows()[end - 1]))
        --end;
    QList<QStringList> rows;
    std::vector<model::BlockState> shades;
    for (int r = 0; r < end; ++r) {
        if (!watch.shows(r, filter))
            continue;
        rows.append(grid.dataRows()[r]);
        shades.push_back(watch.state(r));
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

} // namespace exchange
