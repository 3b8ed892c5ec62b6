#include "editing/pastetable.h"

#include "editing/journaltextvalidator.h"
#include "model/gridmodel.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QMimeData>
#include <QStringList>
#include <algorithm>

namespace editing {

QByteArray encodeCells(const QList<QStringList>& rows) {
    QJsonArray table;
    for (const QStringList& row : rows)
        table.append(QJsonArray::fromStringList(row));
    return QJsonDocument(table).toJson(QJsonDocument::Compact);
}

QList<QStringList> pastedRows(const QMimeData& clipboard) {
    QList<QStringList> rows;
    // Another program may put anything under that name: only an array of arrays of texts counts.
    if (const QJsonDocument cells =
            QJsonDocument::fromJson(clipboard.data(QLatin1StringView(CellsMimeType)));
        cells.isArray()) {
        for (const QJsonValue& row : cells.array()) {
            QStringList texts;
            for (const QJsonValue& cell : row.toArray())
                texts << cell.toString();
            rows << texts;
        }
        return rows;
    }
    QStringList lines = clipboard.text().split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QString& line : lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        rows << line.split(u'\t');
    }
    return rows;
}

PastedColumns pasteTable(model::GridModel& grid, const QList<QStringList>& rows, int top, int left,
                         const std::function<bool(int row)>& shown) {
    int widest = 0;
    int row = top - 1;
    for (const QStringList& cells : rows) {
        ++row;
        while (shown && row < grid.rowCount() && !shown(row))
            ++row;
        if (row >= grid.rowCount())
            grid.appendRow();
        widest = std::max(widest, int(cells.size()));
        for (qsizetype j = 0; j < cells.size() && left + j < grid.columnCount(); ++j)
            grid.setText(row, left + int(j), JournalTextValidator::writablePart(cells[j]));
    }
    return {left, widest};
}

} // namespace editing
