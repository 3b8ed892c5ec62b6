#pragma once

#include "core/celltext.h"

#include <QString>
#include <QStringView>
#include <QtGlobal>
#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace core {

// The texts of one column, in memory near their own size: the characters lie in a few large
// blocks, and a cell is a 32-bit offset and a 16-bit length and form into them (6 bytes besides
// its text, where a QString of its own would cost some 40). A text is kept in Windows-1251, a
// byte a character, whenever each of its characters has a byte there, and in UTF-16 otherwise
// (core/celltext.h): so the same text is always kept the same way, and a register read from a
// Windows-1251 file takes the file's own bytes. A changed cell's new text is appended; the column
// is compacted once the text no cell uses any more outweighs the live text (and fills a block at
// least).
class TextColumn {
public:
    int rows() const { return int(offsets_.size()); }
    CellText cell(int row) const;
    // False, and nothing changed, when the column cannot hold the text (4 GB in all).
    bool set(int row, CellText text);
    bool append(CellText text);
    // The reader's way for a Windows-1251 file: its bytes as they are.
    bool appendWindows1251(QByteArrayView bytes) {
        // The reader's every cell: a short text that fits the last block is copied here, inline.
        const quint64 size = quint64(bytes.size());
        if (size - 1 < quint64(LongText - 1) && used_ + size <= end_) {
            std::memcpy(at(quint32(used_)), bytes.data(), std::size_t(size));
            offsets_.push_back(quint32(used_));
            lengths_.push_back(quint16(size));
            used_ += size;
            live_ += qsizetype(size);
            return true;
        }
        return append(CellText::windows1251(bytes));
    }
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

    // Bytes taken: the blocks (whether or not every byte is used) and the row entries.
    qsizetype memoryUsed() const;

private:
    static constexpr int BlockBits = 20;
    static constexpr quint32 BlockBytes = 1u << BlockBits;
    // A row's entry: the length, and whether the text is in UTF-16. A length of LongText or more
    // is kept in the four bytes before the text.
    static constexpr quint16 Utf16Flag = 0x8000;
    static constexpr quint16 LongText = 0x7FFF;
    static constexpr quint64 FirstBlockBytes = 128;

    // Room for `bytes` bytes at the returned offset, in one piece; none when the column is full.
    std::optional<quint32> allocate(qsizetype bytes, bool wide);
    std::optional<quint32> allocateBlock(qsizetype bytes);
    // The first block, the only one, becomes `size` bytes long, its texts copied.
    void growFirstBlock(quint64 size);
    char* at(quint32 offset) { return slots_[offset >> BlockBits] + (offset & (BlockBytes - 1)); }
    const char* at(quint32 offset) const {
        return slots_[offset >> BlockBits] + (offset & (BlockBytes - 1));
    }
    static qsizetype storedBytes(qsizetype length, bool wide) {
        return length * (wide ? 2 : 1) + (length >= LongText ? 4 : 0);
    }
    static qsizetype storedBytes(CellText text) { return storedBytes(text.size(), text.isWide()); }
    // Stores the text at the offset (with its length first when long), in UTF-16 or in bytes,
    // and returns its entry.
    quint16 place(quint32 offset, CellText text, bool wide);
    void release(int row);
    // Whether the text lies in this column's blocks (a block may move or go while it is stored).
    bool holds(CellText text) const;
    void compactIfWasteful();

    std::vector<quint32> offsets_;
    std::vector<quint16> lengths_;
    // Every BlockBytes bytes of the offset space has a slot; a text longer than a block gets a
    // block spanning several slots.
    std::vector<char*> slots_;
    struct Block {
        std::unique_ptr<char[]> bytes;
        quint64 size = 0;
    };
    std::vector<Block> blocks_;
    quint64 used_ = 0;       // the offset where the next text goes
    quint64 end_ = 0;        // the end of the last block, as an offset
    qsizetype capacity_ = 0; // bytes in all blocks
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
    CellText cell(int row, int col) const { return columns_[std::size_t(col)].cell(row); }
    bool setCell(int row, int col, CellText text) {
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

} // namespace core
