#pragma once

#include "model/gridmodel.h"

#include <QStringList>
#include <initializer_list>

// A list of texts written as UTF-8 literals.
inline QStringList texts(std::initializer_list<const char*> utf8) {
    QStringList list;
    for (const char* text : utf8)
        list << QString::fromUtf8(text);
    return list;
}

// One text a character: "AB_" is {"A", "B", ""}.
inline QStringList cells(const QString& letters) {
    QStringList list;
    for (const QChar letter : letters)
        list << (letter == u'_' ? QString() : QString(letter));
    return list;
}

// A header row and data rows as wide as it (short rows padded with empty cells).
inline void fillGrid(model::GridModel& grid, const QStringList& header,
                     const QList<QStringList>& rows) {
    QList<QString> cells = header;
    for (const QStringList& row : rows)
        for (qsizetype c = 0; c < header.size(); ++c)
            cells << row.value(c);
    grid.replaceCells(int(rows.size()) + 1, int(header.size()), cells);
}

inline QStringList rowTexts(const model::GridModel& grid, int row) {
    QStringList texts;
    for (int c = 0; c < grid.cols(); ++c)
        texts << grid.textMatrix(row, c);
    return texts;
}

// The texts of a column's data rows, from the top.
inline QStringList columnTexts(const model::GridModel& grid, int col) {
    QStringList texts;
    for (int r = 1; r < grid.rows(); ++r)
        texts << grid.textMatrix(r, col);
    return texts;
}

// What is wrong with the grid's shape, in words; empty when nothing is: a header row, a row and a
// column at least, the current cell and the selection's end inside it, the view's counts its.
inline QString gridShapeFault(const model::GridModel& g) {
    const auto inside = [&](int row, int col) {
        return row >= 0 && row < g.rows() && col >= 0 && col < g.cols();
    };
    if (g.rows() < 1 || g.cols() < 1 || !inside(g.row(), g.col()) ||
        !inside(g.rowSel(), g.colSel()))
        return QString::asprintf("grid %d x %d, current cell %d,%d, selection end %d,%d", g.rows(),
                                 g.cols(), g.row(), g.col(), g.rowSel(), g.colSel());
    if (g.rowCount() != g.rows() - 1 || g.columnCount() != g.cols())
        return QString::asprintf("the grid shows %d x %d cells of %d x %d", g.rowCount(),
                                 g.columnCount(), g.rows() - 1, g.cols());
    return {};
}
