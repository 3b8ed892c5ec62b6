#include "journal/unstorablecells.h"

#include "core/journalcolumns.h"
#include "core/prompter.h"
#include "model/gridmodel.h"

#include <QStringList>
#include <algorithm>

namespace journal {

namespace {

constexpr int NamedCells = 5;

bool unstorable(const QString& text) {
    return text.contains(u';') || text.contains(u'\r') || text.contains(u'\n');
}

// "строка 3, «Владелец»", or the column's number where it has no caption.
QString cellName(const model::GridModel& grid, const core::CellPosition& cell) {
    const QString caption = grid.caption(cell.col).simplified();
    return caption.isEmpty()
               ? QStringLiteral("строка %1, колонка %2").arg(cell.row + 1).arg(cell.col + 1)
               : QStringLiteral("строка %1, «%2»").arg(QString::number(cell.row + 1), caption);
}

// The question naming those cells (the first five, then how many more).
QString unstorableCellsQuestion(const model::GridModel& grid,
                                const std::vector<core::CellPosition>& cells) {
    QStringList named;
    for (std::size_t i = 0; i < std::min<std::size_t>(cells.size(), NamedCells); ++i)
        named << cellName(grid, cells[i]);
    QString list = named.join(QStringLiteral("; "));
    if (cells.size() > NamedCells)
        list += QStringLiteral(" и ещё %1").arg(cells.size() - NamedCells);
    return QStringLiteral("В ячейках есть знаки, которые файл журнала не хранит («;» и перевод "
                          "строки): %1. Заменить «;» на «,» и перевод строки на пробел?")
        .arg(list);
}

} // namespace

std::vector<core::CellPosition> unstorableCells(const model::GridModel& grid) {
    std::vector<core::CellPosition> cells;
    for (int r = 0; r < grid.rowCount(); ++r)
        for (int c = 0; c < std::min(grid.columnCount(), core::FileColumns); ++c)
            if (unstorable(grid.cell(r, c)))
                cells.push_back({r, c});
    return cells;
}

QString storableText(QStringView text) {
    QString storable = text.toString();
    storable.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    storable.replace(u'\r', u' ').replace(u'\n', u' ').replace(u';', u',');
    return storable;
}

bool settleUnstorableCells(model::GridModel& grid, core::Prompter& prompter,
                           const OneStep& asOneStep) {
    const std::vector<core::CellPosition> cells = unstorableCells(grid);
    if (cells.empty())
        return true;
    if (!prompter.yesOrCancel(unstorableCellsQuestion(grid, cells)))
        return false;
    const auto replace = [&] {
        for (const core::CellPosition& cell : cells)
            grid.setText(cell.row, cell.col, storableText(grid.text(cell.row, cell.col)));
    };
    if (asOneStep)
        asOneStep(replace);
    else
        replace();
    return true;
}

} // namespace journal
