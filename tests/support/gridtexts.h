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

// Captions and rows as wide as them (short rows padded with empty cells, long ones cut).
inline void fillGrid(model::GridModel& grid, const QStringList& header,
                     const QList<QStringList>& rows) {
    QList<QStringList> cut;
    for (const QStringList& row : rows) {
        QStringList cells = row.mid(0, header.size());
        cells.resize(header.size());
        cut << cells;
    }
    grid.replaceCells(header, cut);
}

inline QStringList rowTexts(const model::GridModel& grid, int row) {
    return grid.dataRows().value(row);
}

// The texts of a column, from the top.
inline QStringList columnTexts(const model::GridModel& grid, int col) {
    QStringList texts;
    for (int r = 0; r < grid.rowCount(); ++r)
        texts << grid.text(r, col);
    return texts;
}

// What is wrong with the grid's shape, in words; empty when nothing is: a column at least, every
// row as wide as the captions.
inline QString gridShapeFault(const model::GridModel& g) {
    if (g.columnCount() < 1)
        return QStringLiteral("no column");
    for (int r = 0; r < g.rowCount(); ++r)
        if (g.dataRows()[r].size() != g.columnCount())
            return QString::asprintf("row %d holds %d cells of %d", r, int(g.dataRows()[r].size()),
                                     g.columnCount());
    return {};
}
