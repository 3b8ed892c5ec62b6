#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
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

// "C5": a cell as the spreadsheet names it (row and column from 0).
QString cellAddress(int row, int col);
// The problems every reader tells alike.
QString mergedProblem(int firstRow, int firstCol, int lastRow, int lastCol);
// taken: the sheet imported instead, when it is not the first.
QString otherSheetProblem(const QString& name, qsizetype cells, const QString& taken = {});

// A sheet besides the one read: how many cells it fills, and the texts of its first rows, by which
// the import tells whether it holds the journal.
struct OtherSheet {
    static constexpr int PreviewRows = 20;
    int index = 0; // from 0, in the workbook's order
    QString name;
    qsizetype cells = 0;
    std::vector<std::tuple<int, int, QString>> firstRows; // row, column, text

    void count(int row, int col, const QString& text, qsizetype times = 1);
    // Those rows, every one as wide as the widest.
    QList<QStringList> firstRowsTable() const;
};

// The texts of the sheet's cells, row by row, rows and columns as in the sheet (from 0). Cells come
// in any order.
class SheetCells {
public:
    // memoryBudget: bytes the table may take; beyond it the import is refused. sheet: which one
    // of the workbook's sheets is read (from 0); the others are only looked over.
    explicit SheetCells(qsizetype memoryBudget, int sheet = 0)
        : budget_(memoryBudget), sheet_(sheet) {}

    // Puts the text in the cell; an empty text leaves it empty. A text with ";" or a line end,
    // which a journal cell cannot hold as it is, is kept as read and told.
    // A cell past the journal's largest grid is refused.
    void put(int row, int col, const QString& text);
    // Refuses a file about to declare `cells` more filled cells than the journal takes, before
    // they are put.
    void expect(qint64 cells) const;
    Problems& problems() { return problems_; }
    int sheet() const { return sheet_; }
    // The sheets not read that hold a filled cell, in the workbook's order.
    std::vector<OtherSheet>& others() { return others_; }
    // Rows up to the last one holding a text.
    int rows() const { return int(rows_.size()); }
    // The rows, every one as wide as the widest; the cells are gone from here.
    QList<QStringList> take();

private:
    QList<QStringList> rows_;
    int cols_ = 0;
    qsizetype bytes_ = 0; // taken by the texts put, about
    qint64 filled_ = 0;   // cells put
    qsizetype budget_;
    Problems problems_;
    int sheet_;
    std::vector<OtherSheet> others_;
};

// The refusal when a file does not fit in the memory the import may take.
Refusal tooLargeRefusal(qsizetype neededBytes, qsizetype availableBytes);

} // namespace exchange
