#include "editing/search.h"

#include "model/gridmodel.h"

#include <QStringMatcher>

namespace editing {

QString searchPrompt() {
    return QStringLiteral("Нажмите на любую ячейку в колонке поиска. Потом введите здесь слово. "
                          "Выделение всей колонки производит сортировку.");
}

std::optional<int> searchColumn(const model::GridModel& grid, int column, const QString& answer) {
    const QString word = answer.toUpper();
    if (word.isEmpty() || column < 0 || column >= grid.columnCount())
        return std::nullopt;
    const QStringMatcher matcher(word, Qt::CaseInsensitive);
    for (int row = 0; row < grid.rowCount(); ++row)
        if (matcher.indexIn(grid.cell(row, column)) >= 0)
            return row;
    return std::nullopt;
}

} // namespace editing
