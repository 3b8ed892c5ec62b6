#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Rows as read, "/" between rows and "|" between cells, empty cells at a row's end left out:
// a table compared in one line.
inline QString rowsOf(const QList<QStringList>& table) {
    QStringList rows;
    for (QStringList cells : table) {
        while (!cells.isEmpty() && cells.last().isEmpty())
            cells.removeLast();
        rows << cells.join(u'|');
    }
    return rows.join(u'/');
}
