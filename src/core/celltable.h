#pragma once

#include <QString>
#include <QStringView>
#include <QtGlobal>
#include <algorithm>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace core {

// The texts of one column, in memory near their own size: the characters lie in a few large
// blocks, and a cell is a 32-bit offset and a 16-bit length into them (6 bytes besides its
// text, where a QString of its own would cost some 40). A changed cell's new text is appended;
// the column is compacted once the text no cell uses any more outweighs the live text (and
// fills a block at least).
class TextColumn {
public:
    int rows() const { return int(offsets_.size()); }
    QStringView cell(int row) const;
    // False, and nothing changed, when the column cannot hold the text (4 G characters in all).
    bool set(int row, QStringView text);
    // Appends a row whose text is written in place by `write(char16_t* out)`, which writes
    // exactly `length` units: the reader decodes straight into the column.
    template <typename Writer> bool append(qsizetype length, Writer&& write);
    void appendEmpty(int count);
    void reserve(int rows);
    // The column will hold about `rows` rows like those it holds so far: room for their texts is
    // made at once, so that a column of less than a block need not grow by doubling (each time
    // copying its texts and touching fresh memory).
    void expectRows(int rows);

    void insertEmpty(int at, int count);
    void remove(int at, int count);
    // Row first+i becomes what row first+order[i] was.
    void permute(int first, std::span<const int> order);

    // Bytes taken: the blocks (whether or not every unit is used) and the row entries.
    qsizetype memoryUsed() const;

private:
    static constexpr int BlockBits = 20;
    static constexpr quint32 BlockUnits = 1u << BlockBits;
    // A length of 0xFFFF or more is kept in the two units before the text.
    static constexpr quint16 LongText = 0xFFFF;
    static constexpr quint64 FirstBlockUnits = 64;

    // Room for `units` units at the returned offset, in one piece; none when the column is full.
    std::optional<quint32> allocate(qsizetype units) {
        if (used_ + quint64(units) <= end_) {
            const quint64 offset = used_;
            used_ += quint64(units);
            return quint32(offset);
        }
        return allocateBlock(units);
    }
    std::optional<quint32> allocateBlock(qsizetype units);
    // The first block, the only one, becomes `size` units long, its texts copied.
    void growFirstBlock(quint64 size);
    char16_t* at(quint32 offset) {
        return slots_[offset >> BlockBits] + (offset & (BlockUnits - 1));
    }
    const char16_t* at(quint32 offset) const {
        return slots_[offset >> BlockBits] + (offset & (BlockUnits - 1));
    }
    static qsizetype storedUnits(qsizetype length) { return length + (length >= LongText ? 2 : 0); }
    // Writes the length header when needed; returns where the characters go.
    char16_t* place(quint32 offset, qsizetype length);
    void release(int row);
    // Whether the text lies in this column's blocks (a block may move or go while it is stored).
    bool holds(QStringView text) const;
    void compactIfWasteful();

    std::vector<quint32> offsets_;
    std::vector<quint16> lengths_;
    // Every BlockUnits units of the offset space has a slot; a text longer than a block gets a
    // block spanning several slots.
    std::vector<char16_t*> slots_;
    struct Block {
        std::unique_ptr<char16_t[]> units;
        quint64 size = 0;
    };
    std::vector<Block> blocks_;
    quint64 used_ = 0;       // the offset where the next text goes
    quint64 end_ = 0;        // the end of the last block, as an offset
    qsizetype capacity_ = 0; // units in all blocks
    qsizetype wasted_ = 0;
    qsizetype live_ = 0;
};

// A table of texts, rows × cols, column by column.
class CellTable {
public:
    CellTable() = default;
    CellTable(int rows, int cols) { resize(rows, cols); }
    CellTable(CellTable&&) noexcept = default;
    CellTable& operator=(CellTable&&) noexcept = default;
    // A copy holds the same texts compactly.
    CellTable(const CellTable& other);
    CellTable& operator=(const CellTable& other);

    int rows() const { return rows_; }
    int cols() const { return int(columns_.size()); }
    // Valid until the table next changes. Unchecked: callers keep to rows() and cols().
    QStringView cell(int row, int col) const { return columns_[std::size_t(col)].cell(row); }
    bool setCell(int row, int col, QStringView text) {
        return columns_[std::size_t(col)].set(row, text);
    }
    TextColumn& column(int col) { return columns_[std::size_t(col)]; }
    const TextColumn& column(int col) const { return columns_[std::size_t(col)]; }

    // New rows and columns are empty; the cells that remain keep their texts.
    void resize(int rows, int cols);
    void insertRows(int at, int count);
    void removeRows(int at, int count);
    void insertColumns(int at, int count);
    void removeColumns(int at, int count);
    // The column at `from` goes to position `to`; those between shift by one place.
    void moveColumn(int from, int to);
    // Row first+i becomes what row first+order[i] was.
    void permuteRows(int first, std::span<const int> order);
    // For the reader, which appends a row column by column: the table counts it when done.
    void rowAppended() { ++rows_; }
    void reserveRows(int rows);

    qsizetype memoryUsed() const;

private:
    std::vector<TextColumn> columns_;
    int rows_ = 0;
};

template <typename Writer> bool TextColumn::append(qsizetype length, Writer&& write) {
    if (length == 0) {
        appendEmpty(1);
        return true;
    }
    const std::optional<quint32> offset = allocate(storedUnits(length));
    if (!offset)
        return false;
    write(place(*offset, length));
    offsets_.push_back(*offset);
    lengths_.push_back(quint16(std::min<qsizetype>(length, LongText)));
    live_ += storedUnits(length);
    return true;
}

} // namespace core
