#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <tuple>
#include <vector>

// The first sheet of a spreadsheet as the import's readers hand its cells over.

namespace exchange {

// Why a file cannot be imported, in the user's words: thrown by the readers, caught at the
// import's boundary.
struct Refusal {
    QString message;
};

// What the import could not bring over as it was, told to the user after it. The first
// KeptProblems are kept word for word, the rest only counted.
class Problems {
public:
    static constexpr int KeptProblems = 100;
    void add(QString text);
    const QStringList& kept() const { return kept_; }
    qsizetype count() const { return kept_.size() + more_; }

private:
    QStringList kept_;
    qsizetype more_ = 0;
};

// The largest sheet a spreadsheet holds.
constexpr int MaxSheetRows = 1 << 20;
constexpr int MaxSheetColumns = 1 << 14;

// The largest sheet the import takes: ten times the 32,767 rows a register once held, and room
// for the journal's eight columns and many more of the user's own.
constexpr qint64 MaxImportRows = 327670;
constexpr qint64 MaxImportColumns = 64;
constexpr qint64 MaxImportCells = MaxImportRows * MaxImportColumns;

// "C5": a cell as the spreadsheet names it (row and column from 0).
QString cellAddress(int row, int col);
// ИСТИНА or ЛОЖЬ, as a spreadsheet shows a boolean.
QString booleanText(bool value);
// "2023-03-15T00:00:00" as ДД.ММ.ГГГГ; `otherwise` when it names no day.
QString isoDateText(const QString& iso, const QString& otherwise);
// The problem every reader tells alike.
QString mergedProblem(int firstRow, int firstCol, int lastRow, int lastCol);

// A sheet besides the one read: how many cells it fills, and the texts of its first rows, by which
// the import tells whether it holds the journal.
struct OtherSheet {
    static constexpr int PreviewRows = 20;
    int index = 0; // from 0, in the workbook's order
    QString name;
    qsizetype cells = 0;
    std::vector<std::tuple<int, int, QString>> firstRows; // row, column, text
};

// The texts of the sheet's cells, row by row, rows and columns as in the sheet (from 0). Cells come
// in any order.
class SheetCells {
public:
    // memoryBudget: bytes the table may take; beyond it the import is refused. sheet: which one
    // of the workbook's sheets is read (from 0); the others are only looked over.
    SheetCells(qsizetype memoryBudget, int sheet) : budget_(memoryBudget), sheet_(sheet) {}

    // Begins the workbook's sheet `index` (from 0): the one read, or one looked over into others().
    void beginSheet(int index, const QString& name);
    bool reading() const { return reading_; }
    // A cell as the sheet begun shows it, an empty one left out: put in the sheet read, or counted
    // `times` into the sheet looked over (which has its repeats counted, the sheet read put).
    void show(int row, int col, const QString& text, qsizetype times = 1);
    // What the sheet read could not bring over; the problems of a sheet looked over are not told.
    void problem(QString text);

    // Puts the text, not empty, in the cell. A text with ";" or a line end, which a journal cell
    // cannot hold as it is, is kept as read and told.
    // A cell past the journal's largest grid is refused.
    void put(int row, int col, const QString& text);
    // Refuses a file about to declare `cells` more filled cells than the journal takes, before
    // they are put.
    void expect(qint64 cells) const;
    const Problems& problems() const { return problems_; }
    // The sheets looked over, in the workbook's order, those without a filled cell too.
    std::vector<OtherSheet>& others() { return others_; }
    // The rows, every one as wide as the widest: once, when the reading is done.
    QList<QStringList> take();

private:
    QList<QStringList> rows_;
    int cols_ = 0;
    qsizetype bytes_ = 0; // taken by the texts put, about
    qint64 filled_ = 0;   // cells put
    qsizetype budget_;
    Problems problems_;
    int sheet_;
    bool reading_ = false;
    std::vector<OtherSheet> others_;
};

// The refusal when a file does not fit in the memory the import may take.
Refusal tooLargeRefusal(qsizetype neededBytes, qsizetype availableBytes);

} // namespace exchange
