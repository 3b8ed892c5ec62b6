#pragma once

#include <QDate>
#include <QString>
#include <QStringView>
#include <optional>

class GridModel;

// Block dates: a unit blocks on the first day of the month into which the day 426 days after its
// activation falls.
namespace journal {

constexpr int BlockPeriodDays = 426;

// A date text as the register holds it: day and month of one or two digits, a four-digit year
// (d.m.yyyy, dd.mm.yyyy) or a two-digit one (dd.mm.yy: 00-29 are 2000-2029, 30-99 are
// 1930-1999). Nothing else, blanks included, reads as a date.
std::optional<QDate> readDate(QStringView text);
// dd.mm.yyyy.
QString formatDate(QDate date);
QDate blockDateFor(QDate activation);
// The block date text for an activation text; empty when the text is not a date.
QString blockDateText(QStringView activation);

// The column whose header text, blanks at both ends aside, is `header`; none when no column or
// more than one has it.
std::optional<int> findColumnByHeader(const GridModel& grid, QStringView header);

// Fills the "Дата блок." column from the "Дата актив." column, both found by their header texts,
// for each data row from the top down to the first row with an empty activation date. A row whose
// activation text is not a date gets an empty block date. Does nothing when either column is
// missing or doubled. Cells that already hold the right text are left alone.
void fillBlockDates(GridModel& grid);

} // namespace journal
