#pragma once

#include "core/journalformat.h"

#include <QString>
#include <QStringView>
#include <functional>
#include <vector>

namespace core {
class Prompter;
} // namespace core

namespace model {
class GridModel;
} // namespace model

namespace journal {

// Cells whose text a journal file cannot store: a ";" or a line end, which a register read from
// a spreadsheet's file may hold. Before a save they are named, and replaced when the user agrees.

// The written cells (rows from 1, columns 0 .. 7) holding ";", CR or LF, row by row.
std::vector<core::CellPosition> unstorableCells(const model::GridModel& grid);
// The text with each ";" made "," and each line end (CR LF, CR or LF) a blank.
QString storableText(QStringView text);

// Asks about such cells, if any, "Да" or "Отмена": "Да" replaces their text (storableText) in
// one change, made through `asOneStep` when given (the window's undo step). False after
// "Отмена", which changes nothing.
using OneStep = std::function<void(const std::function<void()>& change)>;
bool settleUnstorableCells(model::GridModel& grid, core::Prompter& prompter,
                           const OneStep& asOneStep = {});

} // namespace journal
