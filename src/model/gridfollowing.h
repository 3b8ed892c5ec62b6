#pragma once

#include "model/gridmodel.h"

#include <QModelIndex>

namespace model {

// Connects a keeper of something per row (the block watch, the serial index) to every change of
// the grid, in grid row numbers (model row r is grid row r + 1): cells stored, rows inserted and
// removed, captions, reorderings; whatever moves rows or columns wholesale (a reset, a column
// inserted, removed or moved) is followed by `whole`, one full pass. The keeper names the grid
// `followGrid` a friend, so that its handlers stay private.
template <typename Keeper>
void followGrid(const GridModel& grid, Keeper* keeper, void (Keeper::*whole)()) {
    QObject::connect(&grid, &GridModel::dataChanged, keeper,
                     [keeper](const QModelIndex& topLeft, const QModelIndex& bottomRight,
                              const QList<int>& roles) {
                         keeper->onDataChanged(topLeft.row() + 1, bottomRight.row() + 1,
                                               topLeft.column(), bottomRight.column(), roles);
                     });
    QObject::connect(&grid, &GridModel::rowsInserted, keeper,
                     [keeper](const QModelIndex&, int first, int last) {
                         keeper->onRowsInserted(first + 1, last + 1);
                     });
    QObject::connect(&grid, &GridModel::rowsRemoved, keeper,
                     [keeper](const QModelIndex&, int first, int last) {
                         keeper->onRowsRemoved(first + 1, last + 1);
                     });
    QObject::connect(&grid, &GridModel::headerDataChanged, keeper,
                     [keeper] { keeper->onHeaderChanged(); });
    QObject::connect(&grid, &GridModel::rowsPermuted, keeper,
                     [keeper](int first, const std::vector<int>& order) {
                         keeper->onRowsPermuted(first, order);
                     });
    QObject::connect(&grid, &GridModel::layoutChanged, keeper,
                     [keeper] { keeper->onLayoutChanged(); });
    QObject::connect(&grid, &GridModel::modelReset, keeper, whole);
    QObject::connect(&grid, &GridModel::columnsInserted, keeper, whole);
    QObject::connect(&grid, &GridModel::columnsRemoved, keeper, whole);
    QObject::connect(&grid, &GridModel::columnsMoved, keeper, whole);
}

} // namespace model
