#include "core/celltable.h"

#include <bit>
#include <cstring>
#include <functional>
#include <iterator>
#include <limits>

namespace core {

namespace {

constexpr quint64 OffsetSpace = quint64(std::numeric_limits<quint32>::max()) + 1;

// Applies a row order to one vector of row entries.
template <typename Entry>
void permuteEntries(std::vector<Entry>& entries, int first, std::span<const int> order,
                    std::vector<Entry>& scratch) {
    scratch.resize(order.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        scratch[i] = entries[std::size_t(first + order[i])];
    std::copy(scratch.begin(), scratch.end(), entries.begin() + first);
}

} // namespace

QStringView TextColumn::cell(int row) const {
    const quint16 length = lengths_[std::size_t(row)];
    if (length == 0)
        return {};
    const char16_t* text = at(offsets_[std::size_t(row)]);
    if (length < LongText)
        return QStringView(text, length);
    const qsizetype longLength = qsizetype(text[0]) | (qsizetype(text[1]) << 16);
    return QStringView(text + 2, longLength);
}

std::optional<quint32> TextColumn::allocateBlock(qsizetype units) {
    const quint64 offset = used_;
    // A small column's one block grows by doubling, its texts copied: a grid of a few rows does
    // not take a whole block per column.
    if (blocks_.size() == 1 && end_ < BlockUnits && offset + quint64(units) <= BlockUnits) {
        // Never past one block: a block made ready for the rows expected need not be a power
        // of two, and twice its size may be more than a slot holds.
        growFirstBlock(std::min<quint64>(
            BlockUnits, std::max(end_ * 2, std::bit_ceil(offset + quint64(units)))));
        used_ = offset + quint64(units);
        return quint32(offset);
    }
    // Otherwise the text starts a block of its own at the next slot; a text never straddles two
    // blocks, so the rest of the last block stays unused.
    wasted_ += qsizetype(end_ - offset);
    const quint64 start = quint64(slots_.size()) * BlockUnits;
    const quint64 slots = (quint64(units) + BlockUnits - 1) / BlockUnits;
    if (start + quint64(units) > OffsetSpace)
        return std::nullopt;
    const quint64 size = blocks_.empty() && slots == 1
                             ? std::max<quint64>(FirstBlockUnits, std::bit_ceil(quint64(units)))
                             : slots * BlockUnits;
    blocks_.push_back({std::make_unique_for_overwrite<char16_t[]>(std::size_t(size)), size});
    for (quint64 i = 0; i < slots; ++i)
        slots_.push_back(blocks_.back().units.get() + i * BlockUnits);
    capacity_ += qsizetype(size);
    end_ = start + size;
    used_ = start + quint64(units);
    return quint32(start);
}

void TextColumn::growFirstBlock(quint64 size) {
    auto grown = std::make_unique_for_overwrite<char16_t[]>(std::size_t(size));
    std::copy(slots_[0], slots_[0] + used_, grown.get());
    capacity_ += qsizetype(size - end_);
    slots_[0] = grown.get();
    blocks_[0] = {std::move(grown), size};
    end_ = size;
}

void TextColumn::expectRows(int rows) {
    if (blocks_.size() != 1 || end_ >= BlockUnits || offsets_.empty() ||
        rows <= int(offsets_.size()))
        return;
    // A tenth more than rows like these need, within one block.
    const quint64 units = quint64(live_) * quint64(rows) / offsets_.size();
    const quint64 size = std::min<quint64>(BlockUnits, units + units / 10 + FirstBlockUnits);
    if (size > end_)
        growFirstBlock(size);
}

char16_t* TextColumn::place(quint32 offset, qsizetype length) {
    char16_t* out = at(offset);
    if (length < LongText)
        return out;
    out[0] = char16_t(length & 0xFFFF);
    out[1] = char16_t(length >> 16);
    return out + 2;
}

void TextColumn::release(int row) {
    const QStringView old = cell(row);
    wasted_ += storedUnits(old.size());
    live_ -= storedUnits(old.size());
}

bool TextColumn::holds(QStringView text) const {
    const auto* const data = reinterpret_cast<const char16_t*>(text.utf16());
    return std::any_of(blocks_.begin(), blocks_.end(), [data](const Block& block) {
        return std::less_equal<>()(block.units.get(), data) &&
               std::less<>()(data, block.units.get() + block.size);
    });
}

bool TextColumn::set(int row, QStringView text) {
    const QStringView old = cell(row);
    if (old == text)
        return true;
    // Growing the first block frees the old one: a text of this column is copied out first.
    if (!text.isEmpty() && holds(text))
        return set(row, QStringView(text.toString()));
    // The new text is copied before anything is released: it may be a view into this column.
    quint32 offset = 0;
    if (!text.isEmpty()) {
        const std::optional<quint32> placed = allocate(storedUnits(text.size()));
        if (!placed)
            return false;
        offset = *placed;
        std::memcpy(place(offset, text.size()), text.utf16(), std::size_t(text.size()) * 2);
    }
    release(row);
    offsets_[std::size_t(row)] = offset;
    lengths_[std::size_t(row)] = quint16(std::min<qsizetype>(text.size(), LongText));
    live_ += storedUnits(text.size());
    compactIfWasteful();
    return true;
}

void TextColumn::compactIfWasteful() {
    if (wasted_ < qsizetype(BlockUnits) || wasted_ < live_)
        return;
    TextColumn compact;
    compact.reserve(rows());
    for (int r = 0; r < rows(); ++r) {
        const QStringView text = cell(r);
        compact.append(text.size(), [text](char16_t* out) {
            std::memcpy(out, text.utf16(), std::size_t(text.size()) * 2);
        });
    }
    *this = std::move(compact);
}

void TextColumn::appendEmpty(int count) {
    offsets_.insert(offsets_.end(), std::size_t(count), 0);
    lengths_.insert(lengths_.end(), std::size_t(count), 0);
}

void TextColumn::reserve(int rows) {
    offsets_.reserve(std::size_t(rows));
    lengths_.reserve(std::size_t(rows));
}

void TextColumn::insertEmpty(int at, int count) {
    offsets_.insert(offsets_.begin() + at, std::size_t(count), 0);
    lengths_.insert(lengths_.begin() + at, std::size_t(count), 0);
}

void TextColumn::remove(int at, int count) {
    for (int r = at; r < at + count; ++r)
        release(r);
    offsets_.erase(offsets_.begin() + at, offsets_.begin() + at + count);
    lengths_.erase(lengths_.begin() + at, lengths_.begin() + at + count);
    compactIfWasteful();
}

void TextColumn::permute(int first, std::span<const int> order) {
    std::vector<quint32> offsets;
    permuteEntries(offsets_, first, order, offsets);
    std::vector<quint16> lengths;
    permuteEntries(lengths_, first, order, lengths);
}

qsizetype TextColumn::memoryUsed() const {
    return capacity_ * 2 +
           qsizetype(offsets_.capacity() * sizeof(quint32) + lengths_.capacity() * sizeof(quint16));
}

CellTable::CellTable(const CellTable& other) : rows_(other.rows_) {
    columns_.resize(other.columns_.size());
    for (std::size_t c = 0; c < columns_.size(); ++c) {
        columns_[c].reserve(rows_);
        for (int r = 0; r < rows_; ++r) {
            const QStringView text = other.columns_[c].cell(r);
            columns_[c].append(text.size(), [text](char16_t* out) {
                std::memcpy(out, text.utf16(), std::size_t(text.size()) * 2);
            });
        }
    }
}

CellTable& CellTable::operator=(const CellTable& other) {
    if (this != &other)
        *this = CellTable(other);
    return *this;
}

void CellTable::resize(int rows, int cols) {
    columns_.resize(std::size_t(cols));
    for (TextColumn& column : columns_) {
        if (column.rows() < rows)
            column.appendEmpty(rows - column.rows());
        else if (column.rows() > rows)
            column.remove(rows, column.rows() - rows);
    }
    rows_ = rows;
}

void CellTable::insertRows(int at, int count) {
    for (TextColumn& column : columns_)
        column.insertEmpty(at, count);
    rows_ += count;
}

void CellTable::removeRows(int at, int count) {
    for (TextColumn& column : columns_)
        column.remove(at, count);
    rows_ -= count;
}

void CellTable::insertColumns(int at, int count) {
    std::vector<TextColumn> inserted(static_cast<std::size_t>(count));
    for (TextColumn& column : inserted)
        column.appendEmpty(rows_);
    columns_.insert(columns_.begin() + at, std::make_move_iterator(inserted.begin()),
                    std::make_move_iterator(inserted.end()));
}

void CellTable::removeColumns(int at, int count) {
    columns_.erase(columns_.begin() + at, columns_.begin() + at + count);
}

void CellTable::moveColumn(int from, int to) {
    if (from < to)
        std::rotate(columns_.begin() + from, columns_.begin() + from + 1,
                    columns_.begin() + to + 1);
    else if (from > to)
        std::rotate(columns_.begin() + to, columns_.begin() + from, columns_.begin() + from + 1);
}

void CellTable::permuteRows(int first, std::span<const int> order) {
    for (TextColumn& column : columns_)
        column.permute(first, order);
}

void CellTable::reserveRows(int rows) {
    for (TextColumn& column : columns_)
        column.reserve(rows);
}

qsizetype CellTable::memoryUsed() const {
    qsizetype bytes = 0;
    for (const TextColumn& column : columns_)
        bytes += column.memoryUsed();
    return bytes;
}

} // namespace core
