#include "printing/journalprintout.h"

#include "core/clock.h"
#include "core/rounding.h"
#include "model/gridmodel.h"
#include "printing/pagesurface.h"
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

// The vertical rules of a band in column units: element i is the left rule of column i, the
// last element (index cols) the closing rule. Columns 0 to 6 have fixed weights shared out over
// the grid's columns, which set the next rule that far right; later columns, and a one-column
// grid, add nothing.
std::vector<int> columnRules(int cols) {
    static constexpr std::array<int, 7> Weights{94, 94, 64, 84, 74, 64, 64};
    std::vector<int> rules{FirstRule};
    for (int column = 0; column < cols; ++column) {
        const int rule = rules.back();
        if (column >= int(Weights.size()) || cols < 2) {
            rules.push_back(rule);
            continue;
        }
        const double weight = Weights[std::size_t(column)];
        const double share = weight / (cols - 1);
        const double correction = weight / ((cols - 1) * 4);
        rules.push_back(nearest((rule + share) - correction));
    }
    return rules;
}

// For each column, and the pass at the closing rule, the x in column units its text has to end
// before: the first rule right of the column's own, or the end of the rules across when there is
// none.
std::vector<int> textLimits(const std::vector<int>& rules) {
    std::vector<int> limits(rules.size(), RuleAcrossEnd);
    // The rules never go left, so the first rule right of column i is the first one after it
    // that differs; walking from the right keeps it at hand.
    int nearestRight = RuleAcrossEnd;
    for (std::size_t i = rules.size() - 1; i-- > 0;) {
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
    void printDataRow(int row);
    bool breakPage();
    void printPageLabel();

    void bold() { surface_.setDrawWidth(BoldPen); }
    void thin() { surface_.setDrawWidth(ThinPen); }
    void ruleAcross(int line);
    void printBand(const QStringList& texts);
    void printInBand(int col, const QString& text);

    const model::GridModel& grid_;
    PageSurface& surface_;
    const core::Clock& clock_;
    PrintProgress* progress_;
    QString listName_;
    bool showsProgress_ = false;

    int columnUnit_ = 0; // twips
    int lineUnit_ = 0;   // twips
    int pageWidth_ = 0;
    QStringList headers_; // HeaderSlots of them, empty past the grid's columns
    Columns columns_;
    int line_ = 0;
    int page_ = 1;
};

PrintResult JournalLayout::run() {
    setUpPage();
    headers_ = grid_.captions().first(std::min(grid_.columnCount(), HeaderSlots));
    headers_.resize(HeaderSlots);
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
        printDataRow(row);
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
    columnUnit_ = nearest(pageWidth_ * 0.01);
    lineUnit_ = nearest(surface_.pageHeight() * 0.02);
    surface_.setPaperSize(PaperSize::A4);
    surface_.setFontName(journalFace());
    surface_.setFontSize(TablePoints);
    bold();
}

// " ЖУРНАЛ ЭКЛЗ  от  <date> <time>", and " — <list>" when a list of some rows is printed. A title
// longer than the room from its place to the end of the rules moves left, down to the first rule.
void JournalLayout::printTitle() {
    const QString title = QStringLiteral(" ЖУРНАЛ ЭКЛЗ  от  ") + clock_.date() + QLatin1Char(' ') +
                          clock_.time() +
                          (listName_.isEmpty() ? QString() : QStringLiteral(" — ") + listName_);
    double left = TitleLeft * columnUnit_;
    if (!listName_.isEmpty())
        left = std::max(
            double(FirstRule * columnUnit_),
            std::min(left, RuleAcrossEnd * columnUnit_ - surface_.textWidth(title, TitlePoints)));
    surface_.setCurrentX(float(left));
    surface_.setCurrentY(float(line_ * lineUnit_));
    surface_.setFontBold(true);
    surface_.setFontSize(TitlePoints);
    surface_.print(title);
}

// The header row between two bold rules.
void JournalLayout::printHeaderBand() {
    bold();
    ruleAcross(line_);
    thin();
    printBand(headers_);
    ++line_;
    bold();
    ruleAcross(line_);
    thin();
}

void JournalLayout::printDataRow(int row) {
    printBand(grid_.dataRows()[row]);
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
    surface_.setCurrentX(float(LabelLeft * columnUnit_));
    surface_.setCurrentY(float(lineUnit_ * LabelTop));
    surface_.print(QStringLiteral("стр. "), page_);
}

void JournalLayout::ruleAcross(int line) {
    const int y = line * lineUnit_;
    surface_.line(FirstRule * columnUnit_, y, RuleAcrossEnd * columnUnit_, y);
}

// The band's column rules, one pass past the last column drawing the closing rule, and the texts
// from the first column on, as many as are given.
void JournalLayout::printBand(const QStringList& texts) {
    if (columns_.cols != grid_.columnCount()) {
        columns_.cols = grid_.columnCount();
        columns_.rules = columnRules(columns_.cols);
        columns_.limits = textLimits(columns_.rules);
    }
    for (int col = 0; col <= columns_.cols; ++col) {
        // The rule left of the column is bold right of the first column and at the close.
        if (col == 1 || col == columns_.cols)
            bold();
        else
            thin();
        const int x = columns_.rules[std::size_t(col)] * columnUnit_;
        surface_.line(x, line_ * lineUnit_, x, (line_ + 1) * lineUnit_);
        if (col < texts.size())
            printInBand(col, texts[col]);
    }
}

// A text that would run over the next rule is printed smaller, and on further lines down to the
// rule under its band where it still does not fit (fitText), so that no text covers another. Nor
// does a text run off the paper.
void JournalLayout::printInBand(int col, const QString& text) {
    const double x = (columns_.rules[std::size_t(col)] + TextInset) * columnUnit_;
    const double top = (line_ + TextDrop) * lineUnit_;
    surface_.setCurrentX(float(x));
    surface_.setCurrentY(float(top));
    const double end =
        std::min(double(columns_.limits[std::size_t(col)]) * columnUnit_, double(pageWidth_));
    const TextRoom room{end - x, (line_ + 1) * lineUnit_ - top};
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
