#include "model/sortorder.h"

#include <QHash>
#include <algorithm>
#include <numeric>

namespace model {

int compareSortKeys(const SortKey& a, const SortKey& b) {
    if (a.rank != b.rank)
        return a.rank < b.rank ? -1 : 1;
    if (a.number != b.number)
        return a.number < b.number ? -1 : 1;
    if (a.collated && b.collated)
        return a.collated->compare(*b.collated);
    return a.text.compare(b.text);
}

SortOrder::SortOrder(const std::vector<QString>& texts, int keyColumns,
                     const SortKeyMaker& keyMaker, bool descending) {
    const std::size_t count = keyColumns > 0 ? texts.size() / std::size_t(keyColumns) : 0;
    order_.resize(count);
    std::iota(order_.begin(), order_.end(), 0);
    std::vector<std::vector<int>> ranks;
    for (int column = 0; column < keyColumns; ++column)
        ranks.push_back(rankColumn(texts, keyColumns, column, keyMaker));
    // Descending is the exact reverse of ascending for the keys; rows with equal keys keep their
    // order either way.
    std::stable_sort(order_.begin(), order_.end(), [&](int a, int b) {
        for (const std::vector<int>& rank : ranks) {
            const int ra = rank[std::size_t(a)];
            const int rb = rank[std::size_t(b)];
            if (ra != rb)
                return descending ? ra > rb : ra < rb;
        }
        return false;
    });
}

// The rank of each row's text in one key column: texts with equal keys share a rank, and ranks
// rise with the keys.
std::vector<int> SortOrder::rankColumn(const std::vector<QString>& texts, int keyColumns,
                                       int column, const SortKeyMaker& keyMaker) const {
    const std::size_t count = order_.size();
    QHash<QString, int> distinctIndex;
    std::vector<QString> distinct;
    std::vector<int> rowDistinct(count);
    for (std::size_t row = 0; row < count; ++row) {
        const QString& text = texts[row * std::size_t(keyColumns) + std::size_t(column)];
        const auto known = distinctIndex.constFind(text);
        if (known != distinctIndex.cend()) {
            rowDistinct[row] = *known;
            continue;
        }
        rowDistinct[row] = int(distinct.size());
        distinctIndex.insert(text, int(distinct.size()));
        distinct.push_back(text);
    }

    std::vector<SortKey> keys;
    keys.reserve(distinct.size());
    for (const QString& text : distinct)
        keys.push_back(keyMaker(text));
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

    std::vector<int> ranks(count);
    for (std::size_t row = 0; row < count; ++row)
        ranks[row] = distinctRank[std::size_t(rowDistinct[row])];
    return ranks;
}

} // namespace model
