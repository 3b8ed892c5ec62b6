#include "exchange/sheetcells.h"

#include "core/journaldates.h"
#include "core/messagenumbers.h"

#include <QDate>
#include <utility>

namespace exchange {

namespace {

// What a filled cell costs besides its characters: its string's header and allocation.
constexpr qsizetype BytesPerCell = 32;

QString megabytes(qsizetype bytes) {
    return QString::number((bytes + (1 << 20) - 1) >> 20);
}

} // namespace

void Problems::add(QString text) {
    if (kept_.size() < KeptProblems)
        kept_ << std::move(text);
    else
        ++more_;
}

QString cellAddress(int row, int col) {
    QString letters;
    for (int c = col + 1; c > 0; c = (c - 1) / 26)
        letters.prepend(QChar(u'A' + (c - 1) % 26));
    return letters + QString::number(row + 1);
}

QString booleanText(bool value) {
    return value ? QStringLiteral("ИСТИНА") : QStringLiteral("ЛОЖЬ");
}

QString isoDateText(const QString& iso, const QString& otherwise) {
    const QDate date = QDate::fromString(iso.left(10), Qt::ISODate);
    return date.isValid() ? core::formatDate(date) : otherwise;
}

QString mergedProblem(int firstRow, int firstCol, int lastRow, int lastCol) {
    return QStringLiteral("Ячейки %1:%2 объединены: текст оставлен в ячейке %1, остальные пусты.")
        .arg(cellAddress(firstRow, firstCol), cellAddress(lastRow, lastCol));
}

Refusal tooLargeRefusal(qsizetype neededBytes, qsizetype availableBytes) {
    return {QStringLiteral("Таблица слишком велика: чтобы импортировать её, нужно около %1 МБ "
                           "памяти, а свободно %2 МБ.")
                .arg(megabytes(neededBytes), megabytes(availableBytes))};
}

void SheetCells::beginSheet(int index, const QString& name) {
    reading_ = index == sheet_;
    if (!reading_)
        others_.push_back({index, name, 0, {}});
}

void SheetCells::show(int row, int col, const QString& text, qsizetype times) {
    if (text.isEmpty())
        return;
    if (reading_) {
        put(row, col, text);
    } else if (!others_.empty()) { // not a cell before the first sheet
        OtherSheet& other = others_.back();
        other.cells += times;
        if (row < OtherSheet::PreviewRows)
            other.firstRows.emplace_back(row, col, text);
    }
}

void SheetCells::problem(QString text) {
    if (reading_)
        problems_.add(std::move(text));
}

void SheetCells::put(int row, int col, const QString& text) {
    const int lastRow = std::max(int(rows_.size()) - 1, row);
    const int lastCol = std::max(cols_ - 1, col);
    if (const qint64 grid = qint64(lastRow + 1) * (lastCol + 1); grid > MaxImportCells)
        throw Refusal{QStringLiteral("Файл не импортирован: лист доходит до ячейки %1, это %2 "
                                     "ячеек, а журнал вмещает не больше %3.")
                          .arg(cellAddress(lastRow, lastCol), core::grouped(grid),
                               core::grouped(MaxImportCells))};
    expect(1);
    ++filled_;
    if (row >= rows_.size())
        rows_.resize(row + 1);
    QStringList& cells = rows_[row];
    if (col >= cells.size())
        cells.resize(col + 1);
    cells[col] = text;
    cols_ = std::max(cols_, col + 1);
    // A text shared by many cells (a repeated row, a shared string) is counted for each.
    bytes_ += BytesPerCell + text.size() * qsizetype(sizeof(QChar));
    if (bytes_ > budget_)
        throw tooLargeRefusal(bytes_, budget_);
    if (text.contains(u';') || text.contains(u'\n') || text.contains(u'\r'))
        problems_.add(QStringLiteral("Ячейка %1: в тексте есть «;» или перевод строки; текст "
                                     "оставлен как есть.")
                          .arg(cellAddress(row, col)));
}

void SheetCells::expect(qint64 cells) const {
    if (filled_ + cells > MaxImportCells)
        throw Refusal{QStringLiteral("Файл не импортирован: в нём заявлено не меньше %1 "
                                     "заполненных ячеек, а журнал вмещает не больше %2.")
                          .arg(core::grouped(filled_ + cells), core::grouped(MaxImportCells))};
}

QList<QStringList> SheetCells::take() {
    const qsizetype needed = bytes_ + rows_.size() * cols_ * qsizetype(sizeof(QString));
    if (needed > budget_)
        throw tooLargeRefusal(needed, budget_);
    for (QStringList& cells : rows_)
        cells.resize(cols_);
    return std::exchange(rows_, {});
}

} // namespace exchange
