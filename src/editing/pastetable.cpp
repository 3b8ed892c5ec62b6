#include "editing/pastetable.h"

#include "editing/journaltextvalidator.h"
#include "model/gridmodel.h"

#include <QStringList>
#include <algorithm>

namespace editing {

PastedColumns pasteTable(model::GridModel& grid, const QString& text, int top, int left,
                         const std::function<bool(int row)>& shown) {
    QStringList lines = text.split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    int widest = 0;
    int row = top - 1;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        ++row;
        while (shown && row < grid.rowCount() && !shown(row))
            ++row;
        if (row >= grid.rowCount())
            grid.appendRow();
        QStringView line = lines[i];
        if (line.endsWith(u'\r'))
            line.chop(1);
        const QList<QStringView> cells = line.split(u'\t');
        widest = std::max(widest, int(cells.size()));
        for (qsizetype j = 0; j < cells.size() && left + j < grid.columnCount(); ++j)
            grid.setText(row, left + int(j),
                         JournalTextValidator::writablePart(cells[j].toString()));
    }
    return {left, widest};
}

} // namespace editing
