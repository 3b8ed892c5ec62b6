#include "model/sortorder.h"

#include <QHash>
#include <algorithm>
#include <numeric>
#include <thread>

namespace model {

namespace {

// Below this many distinct texts a second thread costs more than it saves.
constexpr std::size_t ParallelKeys = 4096;

// A text of the grid, hashed as it is kept: one table keeps equal texts alike (in bytes whenever
// each character has one), so equal texts hash alike without being decoded.
struct StoredText {
    core::CellText text;
    friend bool operator==(const StoredText& a, const StoredText& b) { return a.text == b.text; }
    friend size_t qHash(const StoredText& stored, size_t seed) {
        const core::CellText text = stored.text;
        return text.isWide() ? qHash(text.utf16(), seed) : qHash(text.bytes(), seed);
    }
};

} // namespace

int compareSortKeys(const SortKey& a, const SortKey& b) {
    if (a.rank != b.rank)
        return a.rank < b.rank ? -1 : 1;
    if (a.number != b.number)
        return a.number < b.number ? -1 : 1;
    if (a.collated && b.collated)
        return a.collated->compare(*b.collated);
    return a.text.compare(b.text);
}

SortOrder::SortOrder(const std::vector<core::CellText>& texts, int keyColumns,
                     const SortKeyMaker& keyMaker, bool descending) {
    const std::size_t count = keyColumns > 0 ? texts.size() / std::size_t(keyColumns) : 0;
    order_.resize(count);
    std::iota(order_.begin(), order_.end(), 0);
    std::vector<int> sorted(count);
    std::vector<int> starts;
    // Stable passes from the last key column to the first leave the rows ordered by the first,
    // ties by the second, and so on.
    for (int column = keyColumns - 1; column >= 0; --column) {
        int rankCount = 0;
        std::vector<int> ranks = rankColumn(texts, keyColumns, column, keyMaker, rankCount);
        // Reversed ranks turn the order round; the counting pass stays stable.
        if (descending)
            for (int& rank : ranks)
                rank = rankCount - 1 - rank;
        starts.assign(std::size_t(rankCount) + 1, 0);
        for (int row : order_)
            ++starts[std::size_t(ranks[std::size_t(row)]) + 1];
        std::partial_sum(starts.begin(), starts.end(), starts.begin());
        for (int row : order_)
            sorted[std::size_t(starts[std::size_t(ranks[std::size_t(row)])]++)] = row;
        order_.swap(sorted);
    }
}

// The rank of each row's text in one key column: texts with equal keys share a rank, and ranks
// rise with the keys.
std::vector<int> SortOrder::rankColumn(const std::vector<core::CellText>& texts, int keyColumns,
                                       int column, const SortKeyMaker& keyMaker,
                                       int& rankCount) const {
    const std::size_t count = order_.size();
    QHash<StoredText, int> distinctIndex;
    distinctIndex.reserve(qsizetype(std::min<std::size_t>(count, 1 << 16)));
    std::vector<core::CellText> distinct;
    std::vector<int> rowDistinct(count);
    for (std::size_t row = 0; row < count; ++row) {
        const core::CellText text = texts[row * std::size_t(keyColumns) + std::size_t(column)];
        auto known = distinctIndex.find(StoredText{text});
        if (known == distinctIndex.end()) {
            known = distinctIndex.insert(StoredText{text}, int(distinct.size()));
            distinct.push_back(text);
        }
        rowDistinct[row] = *known;
    }

    // Keying a text (a collation key for most) is most of a sort's work: with many distinct
    // texts, a second thread keys half of them.
    std::vector<SortKey> keys(distinct.size());
    const auto makeKeys = [&](std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < to; ++i)
            keys[i] = keyMaker(distinct[i].toString());
    };
    const std::size_t half = distinct.size() / 2;
    if (distinct.size() >= ParallelKeys && std::thread::hardware_concurrency() > 1) {
        std::thread helper(makeKeys, half, distinct.size());
        makeKeys(0, half);
        helper.join();
    } else {
        makeKeys(0, distinct.size());
    }

    std::vector<int> byKey(keys.size());
    std::iota(byKey.begin(), byKey.end(), 0);
    std::sort(byKey.begin(), byKey.end(), [&](int a, int b) {
        return compareSortKeys(keys[std::size_t(a)], keys[std::size_t(b)]) < 0;
    });
    std::vector<int> distinctRank(keys.size());
    int rank = 0;
    for (std::size_t i = 0; i < byKey.size(); ++i) {
        if (i > 0 &&
            compareSortKeys(keys[std::size_t(byKey[i - 1])], keys[std::size_t(byKey[i])]) < 0)
            ++rank;
        distinctRank[std::size_t(byKey[i])] = rank;
    }
    rankCount = keys.empty() ? 0 : rank + 1;

    std::vector<int> ranks(count);
    for (std::size_t row = 0; row < count; ++row)
        ranks[row] = distinctRank[std::size_t(rowDistinct[row])];
    return ranks;
}

} // namespace model
