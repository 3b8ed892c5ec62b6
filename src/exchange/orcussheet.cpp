#include "exchange/orcussheet.h"

#include "exchange/importlimits.h"

namespace exchange {

namespace {

// The table's memory is looked at once per this many cells.
constexpr qsizetype CellsPerMemoryCheck = 1 << 16;
// What an empty cell costs in the table: its offset and length.
constexpr qsizetype BytesPerCell = 6;

QString megabytes(qsizetype bytes) {
    return QString::number((bytes + (1 << 20) - 1) >> 20);
}

} // namespace

void Problems::add(QString text) {
    if (kept_.size() < KeptProblems)
        kept_ << std::move(text);
    else
        ++more_;
}

QString cellAddress(int row, int col) {
    QString letters;
    for (int c = col + 1; c > 0; c = (c - 1) / 26)
        letters.prepend(QChar(u'A' + (c - 1) % 26));
    return letters + QString::number(row + 1);
}

QString mergedProblem(int firstRow, int firstCol, int lastRow, int lastCol) {
    return QStringLiteral("Ячейки %1:%2 объединены: текст оставлен в ячейке %1, остальные пусты.")
        .arg(cellAddress(firstRow, firstCol), cellAddress(lastRow, lastCol));
}

QString otherSheetProblem(const QString& name, qsizetype cells, const QString& taken) {
    return QStringLiteral("Лист «%1» (заполнено ячеек: %2) не импортирован: импортируется только "
                          "%3.")
        .arg(name, QString::number(cells),
             taken.isEmpty() ? QStringLiteral("первый лист")
                             : QStringLiteral("лист «%1»").arg(taken));
}

void OtherSheet::count(int row, int col, const QString& text, qsizetype times) {
    if (text.isEmpty())
        return;
    cells += times;
    if (row < PreviewRows)
        firstRows.emplace_back(row, col, text);
}

core::CellTable OtherSheet::firstRowsTable() const {
    int rows = 0;
    int cols = 0;
    for (const auto& [row, col, text] : firstRows) {
        rows = std::max(rows, row + 1);
        cols = std::max(cols, col + 1);
    }
    core::CellTable table(rows, cols);
    for (const auto& [row, col, text] : firstRows)
        table.setCell(row, col, text);
    return table;
}

Refusal tooLargeRefusal(qsizetype neededBytes, qsizetype availableBytes) {
    return {QStringLiteral("Таблица слишком велика: чтобы импортировать её, нужно около %1 МБ "
                           "памяти, а свободно %2 МБ.")
                .arg(megabytes(neededBytes), megabytes(availableBytes))};
}

void SheetCells::put(int row, int col, core::CellText text) {
    if (text.isEmpty())
        return;
    const int lastRow = std::max(rows_ - 1, row);
    const int lastCol = std::max(table_.cols() - 1, col);
    if (qint64(lastRow + 1) * (lastCol + 1) > MaxImportCells)
        throw tooFarRefusal(lastRow, lastCol);
    expect(1);
    ++filled_;
    if (col >= table_.cols())
        table_.insertColumns(table_.cols(), col + 1 - table_.cols());
    core::TextColumn& column = table_.column(col);
    bool stored = true;
    if (column.rows() <= row) {
        column.appendEmpty(row - column.rows());
        stored = column.append(text);
    } else {
        stored = column.set(row, text);
    }
    if (!stored)
        throw Refusal{QStringLiteral("Таблица слишком велика: в одной колонке больше текста, "
                                     "чем может вместить журнал.")};
    rows_ = std::max(rows_, row + 1);
    const core::CellChars chars(text);
    if (chars.view().contains(u';') || chars.view().contains(u'\n') || chars.view().contains(u'\r'))
        problems_.add(QStringLiteral("Ячейка %1: в тексте есть «;» или перевод строки; текст "
                                     "оставлен как есть.")
                          .arg(cellAddress(row, col)));
    if (++sinceCheck_ >= CellsPerMemoryCheck)
        checkMemory();
}

void SheetCells::expect(qint64 cells) const {
    if (filled_ + cells > MaxImportCells)
        throw tooManyCellsRefusal(filled_ + cells);
}

void SheetCells::checkMemory() {
    sinceCheck_ = 0;
    const qsizetype used = table_.memoryUsed();
    if (used > budget_)
        throw tooLargeRefusal(used, budget_);
}

core::CellTable SheetCells::take() {
    const qsizetype needed = table_.memoryUsed() + qsizetype(rows_) * table_.cols() * BytesPerCell;
    if (needed > budget_)
        throw tooLargeRefusal(needed, budget_);
    table_.resize(rows_, table_.cols());
    core::CellTable taken = std::move(table_);
    table_ = {};
    rows_ = 0;
    filled_ = 0;
    return taken;
}

} // namespace exchange
