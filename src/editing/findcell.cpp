#include "editing/findcell.h"

#include "model/gridmodel.h"

#include <QStringMatcher>
#include <algorithm>

namespace editing {

std::optional<FoundCell> findCell(const model::GridModel& grid, const core::FindText& text,
                                  int startRow, int startCol, bool forward, bool includeStart,
                                  std::optional<int> onlyColumn,
                                  const std::function<bool(int row)>& shown) {
    const int rows = grid.rowCount();
    if (text.isEmpty() || rows < 1)
        return std::nullopt;
    const int firstCol = onlyColumn ? *onlyColumn : 0;
    const int lastCol = onlyColumn ? *onlyColumn : grid.columnCount() - 1;
    if (firstCol < 0 || lastCol >= grid.columnCount())
        return std::nullopt;
    const int width = lastCol - firstCol + 1;
    // Cells are numbered row by row from the first row; the walk starts at the start cell.
    const qint64 cells = qint64(rows) * width;
    const qint64 start = qint64(std::clamp(startRow, 0, rows - 1)) * width +
                         std::clamp(startCol, firstCol, lastCol) - firstCol;
    const int step = forward ? 1 : -1;
    for (qint64 walked = includeStart ? 0 : 1; walked <= cells; ++walked) {
        const qint64 at = ((start + step * walked) % cells + cells) % cells;
        const int row = int(at / width);
        const int col = int(at % width) + firstCol;
        // A row is entered at its first cell going forwards and at its last going backwards (or
        // anywhere, at the start): the rest of a hidden row is skipped at once.
        if (shown && !shown(row)) {
            walked += forward ? lastCol - col : col - firstCol;
            continue;
        }
        if (text.matches(grid.cell(row, col)))
            return FoundCell{row, col, forward ? at < start : at > start};
    }
    return std::nullopt;
}

QString searchPrompt() {
    return QStringLiteral("Нажмите на любую ячейку в колонке поиска. Потом введите здесь слово. "
                          "Выделение всей колонки производит сортировку.");
}

std::optional<int> searchColumn(const model::GridModel& grid, int column, const QString& answer,
                                const std::function<bool(int row)>& shown) {
    const QString word = answer.toUpper();
    if (word.isEmpty() || column < 0 || column >= grid.columnCount())
        return std::nullopt;
    const QStringMatcher matcher(word, Qt::CaseInsensitive);
    for (int row = 0; row < grid.rowCount(); ++row)
        if ((!shown || shown(row)) && matcher.indexIn(grid.cell(row, column)) >= 0)
            return row;
    return std::nullopt;
}

} // namespace editing
