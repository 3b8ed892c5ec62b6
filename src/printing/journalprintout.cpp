#include "printing/journalprintout.h"

#include "core/clock.h"
#include "core/rounding.h"
#include "model/gridmodel.h"
#include "printing/pagesurface.h"
#include "printing/printprogress.h"
#include "printing/printservices.h"
#include "printing/textfit.h"

#include <algorithm>
#include <array>
#include <vector>

namespace printing {

namespace {

// The measures of the journal printout. The page is laid out in two units taken from its size:
// the column unit (a hundredth of the page width) and the line unit (a fiftieth of its height).
// Rules stand at whole multiples of them; texts start a fraction of a unit inside their band.

struct PageUnits {
    int column; // twips
    int line;   // twips
};

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

int nearest(double value) {
    return int(core::roundHalfEven(value));
}

// The left rule of the column after `column`, given the rule of `column` itself: columns 0 to 6
// have fixed weights shared out over the grid's columns; later columns, and a one-column grid,
// add nothing.
int nextColumnRule(int rule, int column, int cols) {
    static constexpr std::array<int, 7> Weights{94, 94, 64, 84, 74, 64, 64};
    if (column >= int(Weights.size()) || cols < 2)
        return rule;
    const double weight = Weights[std::size_t(column)];
    const double share = weight / (cols - 1);
    const double correction = weight / ((cols - 1) * 4);
    return nearest((rule + share) - correction);
}

// The vertical rules of a band in column units: element i is the left rule of column i, the
// last element (index cols) the closing rule.
std::vector<int> columnRules(int cols) {
    std::vector<int> rules;
    rules.reserve(std::size_t(cols) + 1);
    int rule = FirstRule;
    for (int column = 0; column <= cols; ++column) {
        rules.push_back(rule);
        rule = nextColumnRule(rule, column, cols);
    }
    return rules;
}

// For each column, the x in column units its text has to end before: the first rule right of
// the column's own, or the end of the rules across when there is none.
std::vector<int> textLimits(const std::vector<int>& rules) {
    const std::size_t columns = rules.empty() ? 0 : rules.size() - 1;
    std::vector<int> limits(columns, RuleAcrossEnd);
    // The rules never go left, so the first rule right of column i is the first one after it
    // that differs; walking from the right keeps it at hand.
    int nearestRight = RuleAcrossEnd;
    for (std::size_t i = columns; i-- > 0;) {
        if (rules[i + 1] > rules[i])
            nearestRight = rules[i + 1];
        limits[i] = nearestRight;
    }
    return limits;
}

// Pages a journal of that many data rows takes (an empty journal takes one).
int pageCount(int dataRows) {
    if (dataRows <= FirstPageRows)
        return 1;
    return 1 + (dataRows - FirstPageRows + LaterPageRows - 1) / LaterPageRows;
}

// " ЖУРНАЛ ЭКЛЗ  от  <date> <time>", and " — <list>" when a list of some rows is printed.
QString titleText(const QString& date, const QString& time, const QString& listName) {
    return QStringLiteral(" ЖУРНАЛ ЭКЛЗ  от  ") + date + QLatin1Char(' ') + time +
           (listName.isEmpty() ? QString() : QStringLiteral(" — ") + listName);
}

constexpr double TablePoints = 10;
constexpr double TitlePoints = 14;
// The smallest size a cell's text is printed in. A band (a fiftieth of the page's height, 4.2 mm
// on A4) holds one line of a Times-like face down to 5 points, two from 4.5 and three at 3, where
// the owner's column takes about 160 characters: only a text longer than a cell usually holds is
// cut, and marked.
constexpr double SmallestPoints = 3;
constexpr int BoldPen = 2;
constexpr int ThinPen = 1;

QString journalFace() {
    return QStringLiteral("Times New Roman cyr");
}

// One run of the printout over one document.
class JournalLayout {
public:
    JournalLayout(const model::GridModel& grid, PageSurface& surface, const core::Clock& clock,
                  PrintProgress* progress, const QString& listName)
        : grid_(grid), surface_(surface), clock_(clock), progress_(progress), listName_(listName) {}

    PrintResult run();

private:
    struct Columns {
        int cols = -1;
        std::vector<int> rules;
        std::vector<int> limits;
    };

    void setUpPage();
    void printTitle();
    void printHeaderBand();
    void printHeaderRow();
    void printDataRow(int row, int cols);
    bool breakPage();
    void printPageLabel();

    void bold() { surface_.setDrawWidth(BoldPen); }
    void thin() { surface_.setDrawWidth(ThinPen); }
    void ruleAcross(int line);
    void columnRule(const Columns& columns, int col);
    void printInBand(int rule, int limit, const QString& text);
    const Columns& columnsFor(int cols);

    const model::GridModel& grid_;
    PageSurface& surface_;
    const core::Clock& clock_;
    PrintProgress* progress_;
    QString listName_;
    bool showsProgress_ = false;

    PageUnits units_{};
    int pageWidth_ = 0;
    std::array<QString, HeaderSlots> headers_;
    Columns columns_;
    int line_ = 0;
    int page_ = 1;
};

PrintResult JournalLayout::run() {
    setUpPage();
    for (int col = 0; col < grid_.columnCount() && col < HeaderSlots; ++col)
        headers_[std::size_t(col)] = grid_.caption(col);
    printTitle();

    line_ += TitleBands;
    surface_.setFontSize(TablePoints);
    printHeaderBand();
    // Only the first page's header row is bold.
    surface_.setFontBold(false);

    const int pages = pageCount(grid_.rowCount());
    showsProgress_ = progress_ && pages > QuietPrintPages;
    if (showsProgress_)
        progress_->start(pages);

    for (int row = 0; row < grid_.rowCount(); ++row) {
        if (line_ > LastBand) {
            if (!breakPage()) {
                surface_.abortDoc();
                progress_->finish();
                return PrintResult::Cancelled;
            }
            // The window handled events while the progress was shown.
            if (row >= grid_.rowCount())
                break;
        }
        printDataRow(row, grid_.columnCount());
    }

    // The closing rule leaves one empty band under the last row.
    bold();
    ++line_;
    ruleAcross(line_);
    printPageLabel();
    if (showsProgress_)
        progress_->finish();
    return surface_.endDoc() ? PrintResult::Printed : PrintResult::NoPrinter;
}

void JournalLayout::setUpPage() {
    surface_.setOrientation(PageOrientation::Landscape);
    // The units come from the paper the printer has before it is told to take A4.
    pageWidth_ = surface_.pageWidth();
    units_ = {nearest(pageWidth_ * 0.01), nearest(surface_.pageHeight() * 0.02)};
    surface_.setPaperSize(PaperSize::A4);
    surface_.setFontName(journalFace());
    surface_.setFontSize(TablePoints);
    bold();
}

// A title longer than the room from its place to the end of the rules moves left, down to the
// first rule.
void JournalLayout::printTitle() {
    const QString title = titleText(clock_.date(), clock_.time(), listName_);
    double left = TitleLeft * units_.column;
    if (!listName_.isEmpty())
        left = std::max(
            double(FirstRule * units_.column),
            std::min(left, RuleAcrossEnd * units_.column - surface_.textWidth(title, TitlePoints)));
    surface_.setCurrentX(float(left));
    surface_.setCurrentY(float(line_ * units_.line));
    surface_.setFontBold(true);
    surface_.setFontSize(TitlePoints);
    surface_.print(title);
}

// The header row between two bold rules.
void JournalLayout::printHeaderBand() {
    bold();
    ruleAcross(line_);
    thin();
    printHeaderRow();
    ++line_;
    bold();
    ruleAcross(line_);
    thin();
}

void JournalLayout::printHeaderRow() {
    const int cols = grid_.columnCount();
    const Columns& columns = columnsFor(cols);
    // One pass past the last column draws the closing rule.
    for (int col = 0; col <= cols; ++col) {
        columnRule(columns, col);
        if (col < HeaderSlots)
            printInBand(columns.rules[std::size_t(col)],
                        col < cols ? columns.limits[std::size_t(col)] : RuleAcrossEnd,
                        headers_[std::size_t(col)]);
    }
}

void JournalLayout::printDataRow(int row, int cols) {
    const Columns& columns = columnsFor(cols);
    for (int col = 0; col < cols; ++col) {
        columnRule(columns, col);
        printInBand(columns.rules[std::size_t(col)], columns.limits[std::size_t(col)],
                    grid_.cell(row, col));
    }
    columnRule(columns, cols);
    thin();
    ++line_;
    ruleAcross(line_);
}

bool JournalLayout::breakPage() {
    // The bold rule goes over the thin one under the page's last row.
    bold();
    ruleAcross(line_);
    printPageLabel();
    if (showsProgress_ && !progress_->pageDone(page_))
        return false;
    surface_.newPage();
    ++page_;
    line_ = 0;
    surface_.setFontName(journalFace());
    surface_.setFontSize(TablePoints);
    printHeaderBand();
    return true;
}

void JournalLayout::printPageLabel() {
    surface_.setCurrentX(float(LabelLeft * units_.column));
    surface_.setCurrentY(float(units_.line * LabelTop));
    surface_.print(QStringLiteral("стр. "), page_);
}

void JournalLayout::ruleAcross(int line) {
    const int y = line * units_.line;
    surface_.line(FirstRule * units_.column, y, RuleAcrossEnd * units_.column, y);
}

// The rule left of column `col` in the row's band: bold right of the first column and at the close.
void JournalLayout::columnRule(const Columns& columns, int col) {
    if (col == 1 || col == columns.cols)
        bold();
    else
        thin();
    const int x = columns.rules[std::size_t(col)] * units_.column;
    surface_.line(x, line_ * units_.line, x, (line_ + 1) * units_.line);
}

// A text that would run over the next rule is printed smaller, and on further lines down to the
// rule under its band where it still does not fit (fitText), so that no text covers another. Nor
// does a text run off the paper.
void JournalLayout::printInBand(int rule, int limit, const QString& text) {
    const double x = (rule + TextInset) * units_.column;
    const double top = (line_ + TextDrop) * units_.line;
    surface_.setCurrentX(float(x));
    surface_.setCurrentY(float(top));
    const double end = std::min(double(limit) * units_.column, double(pageWidth_));
    const TextRoom room{end - x, (line_ + 1) * units_.line - top};
    const FittedText fitted = fitText(surface_, text, room, TablePoints, SmallestPoints);
    if (fitted.points == TablePoints && fitted.lines.size() == 1 && !fitted.cut) {
        surface_.print(text);
        return;
    }
    surface_.setFontSize(fitted.points);
    const double lineHeight = fitted.lines.size() > 1 ? surface_.lineHeight(fitted.points) : 0;
    for (qsizetype i = 0; i < fitted.lines.size(); ++i) {
        if (i > 0) {
            surface_.setCurrentX(float(x));
            surface_.setCurrentY(float(top + double(i) * lineHeight));
        }
        if (fitted.cut && i + 1 == fitted.lines.size())
            surface_.print(fitted.lines[i].toString() + CutMark);
        else
            surface_.print(fitted.lines[i].toString());
    }
    surface_.setFontSize(TablePoints);
}

const JournalLayout::Columns& JournalLayout::columnsFor(int cols) {
    if (columns_.cols != cols) {
        columns_.cols = cols;
        columns_.rules = columnRules(cols);
        columns_.limits = textLimits(columns_.rules);
    }
    return columns_;
}

} // namespace

QString noPrinterMessage() {
    return QStringLiteral("Принтер не найден. Журнал не напечатан.");
}

PrintResult printJournal(const model::GridModel& grid, PageSurface& surface,
                         const core::Clock& clock, PrintProgress* progress,
                         const QString& listName) {
    return JournalLayout(grid, surface, clock, progress, listName).run();
}

PrintResult printJournal(const model::GridModel& grid, PrinterProvider& printers,
                         const core::Clock& clock, PrintProgress* progress,
                         const QString& listName) {
    const std::unique_ptr<PageSurface> surface = printers.open();
    if (!surface)
        return PrintResult::NoPrinter;
    return printJournal(grid, *surface, clock, progress, listName);
}

} // namespace printing
