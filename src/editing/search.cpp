#include "editing/search.h"

#include "model/gridmodel.h"

#include <QStringMatcher>

namespace editing {

namespace {

// The found cell alone is selected, so that "Удалить строку" then removes the unit found.
void showMatch(model::GridModel& grid, int row, int column) {
    grid.setCurrentCell(row, column);
    grid.setTopRow(row);
}

} // namespace

QString searchPrompt() {
    return QStringLiteral("Нажмите на любую ячейку в колонке поиска. Потом введите здесь слово. "
                          "Выделение всей колонки производит сортировку.");
}

bool searchColumn(model::GridModel& grid, const QString& answer) {
    const QString word = answer.toUpper();
    const int column = grid.colSel();
    if (word.isEmpty() || column < 0 || column >= grid.cols())
        return false;
    const QStringMatcher matcher(word, Qt::CaseInsensitive);
    const int rows = grid.rows();
    for (int row = 1; row < rows; ++row) {
        if (matcher.indexIn(grid.cell(row, column)) >= 0) {
            showMatch(grid, row, column);
            return true;
        }
    }
    return false;
}

} // namespace editing
