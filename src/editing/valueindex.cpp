#include "editing/valueindex.h"

#include <algorithm>

namespace editing {

namespace {

// A block splits in two past twice this many values.
constexpr std::size_t BlockSize = 128;

QChar foldChar(QChar c) {
    const QChar folded = c.toCaseFolded();
    return folded == u'ё' ? QChar(u'е') : folded;
}

QStringView leftTrimmed(QStringView text) {
    qsizetype start = 0;
    while (start < text.size() && text[start].isSpace())
        ++start;
    return text.sliced(start);
}

} // namespace

QString matchKey(QStringView text) {
    QString key(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        key[i] = foldChar(text[i]);
    return key;
}

bool ValueIndex::before(Id a, Id b) const {
    const Entry& first = entries_[std::size_t(a)];
    const Entry& second = entries_[std::size_t(b)];
    if (first.key != second.key)
        return first.key < second.key;
    return first.text < second.text;
}

template <typename Predicate>
ValueIndex::Position ValueIndex::firstPast(Predicate stillBefore) const {
    // The first block whose last value is past the run; in it, the first value past it.
    const auto block =
        std::partition_point(blocks_.begin(), blocks_.end(),
                             [&](const std::vector<Id>& ids) { return stillBefore(ids.back()); });
    if (block == blocks_.end())
        return {blocks_.size(), 0};
    const auto offset = std::partition_point(block->begin(), block->end(), stillBefore);
    return {std::size_t(block - blocks_.begin()), std::size_t(offset - block->begin())};
}

ValueIndex::Position ValueIndex::placeOf(Id id) const {
    return firstPast([&](Id other) { return before(other, id); });
}

ValueIndex::Id ValueIndex::idOf(core::CellText value) const {
    return byText_.value(value.trimmed().toString(), None);
}

ValueIndex::Id ValueIndex::add(core::CellText value) {
    value = value.trimmed();
    if (value.isEmpty())
        return None;
    const QString text = value.toString();
    Id id = byText_.value(text, None);
    if (id == None) {
        id = Id(entries_.size());
        entries_.push_back({text, matchKey(text), 0});
        byText_.insert(text, id);
        insert(id);
    }
    changeCount(id, 1);
    return id;
}

void ValueIndex::release(Id id) {
    if (id == None || entries_[std::size_t(id)].count == 0)
        return;
    changeCount(id, -1);
}

void ValueIndex::changeCount(Id id, int delta) {
    int& count = entries_[std::size_t(id)].count;
    if (count == 0 && delta > 0)
        ++distinct_;
    count += delta;
    if (count == 0)
        --distinct_;
    findBlockBest(placeOf(id).block);
}

void ValueIndex::insert(Id id) {
    if (blocks_.empty()) {
        blocks_.push_back({id});
        blockBest_.push_back(id);
        return;
    }
    Position at = placeOf(id);
    if (at.block == blocks_.size()) {
        at.block = blocks_.size() - 1;
        at.offset = blocks_.back().size();
    }
    std::vector<Id>& block = blocks_[at.block];
    block.insert(block.begin() + std::ptrdiff_t(at.offset), id);
    if (block.size() > 2 * BlockSize) {
        std::vector<Id> upper(block.begin() + BlockSize, block.end());
        block.resize(BlockSize);
        blocks_.insert(blocks_.begin() + std::ptrdiff_t(at.block) + 1, std::move(upper));
        blockBest_.insert(blockBest_.begin() + std::ptrdiff_t(at.block) + 1, None);
        findBlockBest(at.block + 1);
    }
    findBlockBest(at.block);
}

void ValueIndex::findBlockBest(std::size_t block) {
    if (block >= blocks_.size())
        return;
    Id best = None;
    int bestCount = 0;
    for (const Id id : blocks_[block]) {
        const int count = entries_[std::size_t(id)].count;
        if (count > bestCount) {
            best = id;
            bestCount = count;
        }
    }
    blockBest_[block] = best;
}

void ValueIndex::assign(std::span<const core::CellText> values) {
    clear();
    for (const core::CellText value : values) {
        const core::CellText trimmed = value.trimmed();
        if (trimmed.isEmpty())
            continue;
        const QString text = trimmed.toString();
        auto found = byText_.find(text);
        if (found == byText_.end()) {
            found = byText_.insert(text, Id(entries_.size()));
            entries_.push_back({text, matchKey(text), 0});
            ++distinct_;
        }
        ++entries_[std::size_t(*found)].count;
    }
    std::vector<Id> order(entries_.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = Id(i);
    std::sort(order.begin(), order.end(), [this](Id a, Id b) { return before(a, b); });
    for (std::size_t first = 0; first < order.size(); first += BlockSize) {
        const std::size_t last = std::min(order.size(), first + BlockSize);
        blocks_.emplace_back(order.begin() + std::ptrdiff_t(first),
                             order.begin() + std::ptrdiff_t(last));
        blockBest_.push_back(None);
        findBlockBest(blocks_.size() - 1);
    }
}

void ValueIndex::clear() {
    entries_.clear();
    byText_.clear();
    blocks_.clear();
    blockBest_.clear();
    distinct_ = 0;
}

ValueIndex::Id ValueIndex::best(QStringView typed, Id excluded) const {
    const QString prefix = matchKey(leftTrimmed(typed));
    if (prefix.isEmpty())
        return None;
    const Position from = firstPast([&](Id id) { return entries_[std::size_t(id)].key < prefix; });
    const Position to = firstPast([&](Id id) {
        const QString& key = entries_[std::size_t(id)].key;
        return key < prefix || key.startsWith(prefix);
    });
    Id best = None;
    int bestCount = 0;
    const auto consider = [&](Id id) {
        const int count = countOf(id, excluded);
        if (count > bestCount) {
            best = id;
            bestCount = count;
        }
    };
    const auto scan = [&](std::size_t block, std::size_t begin, std::size_t end) {
        for (std::size_t i = begin; i < end; ++i)
            consider(blocks_[block][i]);
    };
    if (from.block == to.block) {
        if (from.block < blocks_.size())
            scan(from.block, from.offset, to.offset);
        return best;
    }
    scan(from.block, from.offset, blocks_[from.block].size());
    for (std::size_t block = from.block + 1; block < to.block; ++block) {
        // The block's best stands for it, unless that is the value left out once.
        if (blockBest_[block] == excluded && excluded != None)
            scan(block, 0, blocks_[block].size());
        else if (blockBest_[block] != None)
            consider(blockBest_[block]);
    }
    if (to.block < blocks_.size())
        scan(to.block, 0, to.offset);
    return best;
}

std::vector<ValueIndex::Id> ValueIndex::matches(QStringView typed, int limit, Id excluded) const {
    const QString prefix = matchKey(leftTrimmed(typed));
    std::vector<Id> found;
    if (limit <= 0)
        return found;
    const Position from = firstPast([&](Id id) { return entries_[std::size_t(id)].key < prefix; });
    bool inRun = true;
    for (std::size_t block = from.block; inRun && block < blocks_.size(); ++block) {
        const std::vector<Id>& ids = blocks_[block];
        for (std::size_t i = block == from.block ? from.offset : 0; i < ids.size(); ++i) {
            const Id id = ids[i];
            inRun = entries_[std::size_t(id)].key.startsWith(prefix);
            if (!inRun)
                break;
            if (countOf(id, excluded) > 0)
                found.push_back(id);
        }
    }
    // Most frequent first; among equals, match order, as they were found.
    const std::size_t kept = std::min(found.size(), std::size_t(limit));
    std::partial_sort(found.begin(), found.begin() + std::ptrdiff_t(kept), found.end(),
                      [&](Id a, Id b) {
                          const int countA = countOf(a, excluded);
                          const int countB = countOf(b, excluded);
                          return countA != countB ? countA > countB : before(a, b);
                      });
    found.resize(kept);
    return found;
}

} // namespace editing
