#pragma once

#include "core/celltable.h"

#include <QString>
#include <QStringList>

// The rows of a read table, "/" between rows and "|" between cells, empty cells at a row's end
// left out: a table compared in one line.
inline QString rowsOf(const core::CellTable& table) {
    QStringList rows;
    for (int r = 0; r < table.rows(); ++r) {
        QStringList cells;
        for (int c = 0; c < table.cols(); ++c)
            cells << table.cell(r, c).toString();
        while (!cells.isEmpty() && cells.last().isEmpty())
            cells.removeLast();
        rows << cells.join(u'|');
    }
    return rows.join(u'/');
}
