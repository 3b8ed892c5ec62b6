#pragma once

#include "model/blockjudgement.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <optional>
#include <span>
#include <vector>

// A register as a spreadsheet receives it: the header's captions, the data rows to write (all
// of them, or those a row filter shows), each row's shading and each column's width.

namespace model {
class GridModel;
} // namespace model

namespace exchange {

// The longest text one cell of Excel holds.
constexpr int MaxCellLength = 32767;

struct SheetColumn {
    QString caption;
    // In the spreadsheet's character widths (of the default font's digit, as both programs
    // measure columns).
    double width = 10;
    // Whether a cell holding a date is written as a date ("Дата актив.", "Дата блок.").
    bool dates = false;
};

class ExportSheet {
public:
    // Every row has a cell for each column, and a block state (its shade).
    ExportSheet(QList<QStringList> rows, std::vector<SheetColumn> columns,
                std::vector<model::BlockState> shades)
        : rows_(std::move(rows)), columns_(std::move(columns)), shades_(std::move(shades)) {}

    int rows() const { return int(rows_.size()); }
    int cols() const { return int(columns_.size()); }
    const SheetColumn& column(int col) const { return columns_[std::size_t(col)]; }
    // Data row `row` (from 0) of the sheet.
    const QString& cell(int row, int col) const { return rows_[row][col]; }
    model::BlockState shade(int row) const { return shades_[std::size_t(row)]; }

private:
    QList<QStringList> rows_;
    std::vector<SheetColumn> columns_;
    std::vector<model::BlockState> shades_;
};

// The sheet of a grid: the header's captions without their padding blanks, the data rows the
// filter shows (trailing rows without any text left out), shaded by the watch's states. Column
// widths come from `pixelWidths` (the grid's view) where given, otherwise from the length of the
// column's format text.
ExportSheet sheetFromGrid(const model::GridModel& grid, const model::BlockJudgement& watch,
                          model::RowFilter filter = model::RowFilter::All,
                          std::span<const int> pixelWidths = {});

// A column of `characters` character widths in screen pixels at 96 dpi.
int pixelsForCharacters(double characters);

// The date a cell of a date column holds: a text of exactly the form ДД.ММ.ГГГГ naming a real
// day from 1900 on (a text that would read back otherwise, blanks around it or a two-digit year,
// stays text).
std::optional<QDate> sheetDate(QStringView text);

} // namespace exchange
