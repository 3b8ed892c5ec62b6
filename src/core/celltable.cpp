#include "core/celltable.h"

#include "core/journalcharset.h"

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

// A text is kept in bytes whenever each of its characters has one: then equal texts are stored
// alike, however they came.
bool keptWide(CellText text) {
    return text.isWide() && !hasWindows1251Bytes(text.utf16());
}

} // namespace

CellText TextColumn::cell(int row) const {
    const quint16 entry = lengths_[std::size_t(row)];
    if (entry == 0)
        return {};
    const char* text = at(offsets_[std::size_t(row)]);
    qsizetype length = entry & LongText;
    if (length == LongText) {
        quint32 longLength;
        std::memcpy(&longLength, text, sizeof longLength);
        length = longLength;
        text += sizeof longLength;
    }
    if (entry & Utf16Flag)
        return QStringView(reinterpret_cast<const char16_t*>(text), length);
    return CellText::windows1251(QByteArrayView(text, length));
}

std::optional<quint32> TextColumn::allocate(qsizetype bytes, bool wide) {
    // UTF-16 text starts at an even offset; blocks start and end at one.
    if (wide && (used_ & 1)) {
        ++used_;
        ++wasted_;
    }
    if (used_ + quint64(bytes) <= end_) {
        const quint64 offset = used_;
        used_ += quint64(bytes);
        return quint32(offset);
    }
    return allocateBlock(bytes);
}

std::optional<quint32> TextColumn::allocateBlock(qsizetype bytes) {
    const quint64 offset = used_;
    // A small column's one block grows by doubling, its texts copied: a grid of a few rows does
    // not take a whole block per column.
    if (blocks_.size() == 1 && end_ < BlockBytes && offset + quint64(bytes) <= BlockBytes) {
        // Never past one block: a block made ready for the rows expected need not be a power
        // of two, and twice its size may be more than a slot holds.
        growFirstBlock(std::min<quint64>(
            BlockBytes, std::max(end_ * 2, std::bit_ceil(offset + quint64(bytes)))));
        used_ = offset + quint64(bytes);
        return quint32(offset);
    }
    // Otherwise the text starts a block of its own at the next slot; a text never straddles two
    // blocks, so the rest of the last block stays unused.
    wasted_ += qsizetype(end_ - offset);
    const quint64 start = quint64(slots_.size()) * BlockBytes;
    const quint64 slots = (quint64(bytes) + BlockBytes - 1) / BlockBytes;
    if (start + quint64(bytes) > OffsetSpace)
        return std::nullopt;
    const quint64 size = blocks_.empty() && slots == 1
                             ? std::max<quint64>(FirstBlockBytes, std::bit_ceil(quint64(bytes)))
                             : slots * BlockBytes;
    blocks_.push_back({std::make_unique_for_overwrite<char[]>(std::size_t(size)), size});
    for (quint64 i = 0; i < slots; ++i)
        slots_.push_back(blocks_.back().bytes.get() + i * BlockBytes);
    capacity_ += qsizetype(size);
    end_ = start + size;
    used_ = start + quint64(bytes);
    return quint32(start);
}

void TextColumn::growFirstBlock(quint64 size) {
    auto grown = std::make_unique_for_overwrite<char[]>(std::size_t(size));
    std::copy(slots_[0], slots_[0] + used_, grown.get());
    capacity_ += qsizetype(size - end_);
    slots_[0] = grown.get();
    blocks_[0] = {std::move(grown), size};
    end_ = size;
}

void TextColumn::expectRows(int rows) {
    if (blocks_.size() != 1 || end_ >= BlockBytes || offsets_.empty() ||
        rows <= int(offsets_.size()))
        return;
    // A tenth more than rows like these need, within one block.
    const quint64 bytes = quint64(live_) * quint64(rows) / offsets_.size();
    const quint64 size =
        std::min<quint64>(BlockBytes, (bytes + bytes / 10 + FirstBlockBytes) & ~quint64(1));
    if (size > end_)
        growFirstBlock(size);
}

quint16 TextColumn::place(quint32 offset, CellText text, bool wide) {
    char* out = at(offset);
    const qsizetype length = text.size();
    if (length >= LongText) {
        const quint32 longLength = quint32(length);
        std::memcpy(out, &longLength, sizeof longLength);
        out += sizeof longLength;
    }
    if (wide)
        std::memcpy(out, text.utf16().utf16(), std::size_t(length) * 2);
    else
        writeWindows1251(text, out);
    return quint16(std::min<qsizetype>(length, LongText) | (wide ? Utf16Flag : 0));
}

void TextColumn::release(int row) {
    const qsizetype old = storedBytes(cell(row));
    wasted_ += old;
    live_ -= old;
}

bool TextColumn::holds(CellText text) const {
    const char* const data =
        text.isWide() ? reinterpret_cast<const char*>(text.utf16().utf16()) : text.bytes().data();
    return std::any_of(blocks_.begin(), blocks_.end(), [data](const Block& block) {
        return std::less_equal<>()(block.bytes.get(), data) &&
               std::less<>()(data, block.bytes.get() + block.size);
    });
}

bool TextColumn::set(int row, CellText text) {
    if (cell(row) == text)
        return true;
    // Growing the first block frees the old one: a text of this column is copied out first.
    if (!text.isEmpty() && holds(text))
        return set(row, text.toString());
    // The new text is copied before anything is released: it may be a view into this column.
    quint32 offset = 0;
    quint16 entry = 0;
    const bool wide = keptWide(text);
    if (!text.isEmpty()) {
        const std::optional<quint32> placed = allocate(storedBytes(text.size(), wide), wide);
        if (!placed)
            return false;
        offset = *placed;
        entry = place(offset, text, wide);
    }
    release(row);
    offsets_[std::size_t(row)] = offset;
    lengths_[std::size_t(row)] = entry;
    live_ += storedBytes(text.size(), wide);
    compactIfWasteful();
    return true;
}

bool TextColumn::append(CellText text) {
    if (text.isEmpty()) {
        appendEmpty(1);
        return true;
    }
    const bool wide = keptWide(text);
    const std::optional<quint32> offset = allocate(storedBytes(text.size(), wide), wide);
    if (!offset)
        return false;
    lengths_.push_back(place(*offset, text, wide));
    offsets_.push_back(*offset);
    live_ += storedBytes(text.size(), wide);
    return true;
}

void TextColumn::compactIfWasteful() {
    if (wasted_ < qsizetype(BlockBytes) || wasted_ < live_)
        return;
    TextColumn compact;
    compact.reserve(rows());
    for (int r = 0; r < rows(); ++r)
        compact.append(cell(r));
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
    return capacity_ +
           qsizetype(offsets_.capacity() * sizeof(quint32) + lengths_.capacity() * sizeof(quint16));
}

CellTable::CellTable(const CellTable& other) : rows_(other.rows_) {
    columns_.resize(other.columns_.size());
    for (std::size_t c = 0; c < columns_.size(); ++c) {
        columns_[c].reserve(rows_);
        for (int r = 0; r < rows_; ++r)
            columns_[c].append(other.columns_[c].cell(r));
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
