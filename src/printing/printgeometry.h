#pragma once

#include <QString>
#include <vector>

namespace printing {

// The measures of the journal printout. The page is laid out in two units taken from its size:
// the column unit (a hundredth of the page width) and the line unit (a fiftieth of its height).
// Rules stand at whole multiples of them; texts start a fraction of a unit inside their band.

struct PageUnits {
    int column; // twips
    int line;   // twips
};
PageUnits pageUnits(int pageWidth, int pageHeight);

// In column units.
constexpr int FirstRule = 4; // left rule of the first column, start of the rules across
constexpr int RuleAcrossEnd = 88;
constexpr int TitleLeft = 25;
constexpr int LabelLeft = 84;
constexpr double TextInset = 0.2;
// In line units.
constexpr double TextDrop = 0.1;
constexpr double LabelTop = 39.1;
constexpr int TitleBands = 2;     // the title's room above the first page's table
constexpr int LastBand = 38;      // a row that would start below this band goes to the next page
constexpr int FirstPageRows = 36; // bands 3 .. 38, below the title and the header row
constexpr int LaterPageRows = 38; // bands 1 .. 38, below the header row

constexpr int HeaderSlots = 31; // header texts kept for columns 0 .. 30

// The left rule of the column after `column`, given the rule of `column` itself: columns 0 to 6
// have fixed weights shared out over the grid's columns; later columns, and a one-column grid,
// add nothing.
int nextColumnRule(int rule, int column, int cols);

// The vertical rules of a band in column units: element i is the left rule of column i, the
// last element (index cols) the closing rule.
std::vector<int> columnRules(int cols);

// For each column, the x in column units its text has to end before: the first rule right of
// the column's own, or the end of the rules across when there is none.
std::vector<int> textLimits(const std::vector<int>& rules);

// Pages a journal of that many data rows takes (an empty journal takes one).
int pageCount(int dataRows);

// " ЖУРНАЛ ЭКЛЗ  от  <date> <time>", and " — <list>" when a list of some rows is printed.
QString titleText(const QString& date, const QString& time, const QString& listName = {});
QString pageLabelText();

} // namespace printing
