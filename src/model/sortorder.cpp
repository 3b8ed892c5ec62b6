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

std::vector<int> sortOrder(const std::vector<QString>& texts, const SortKeyMaker& keyMaker,
                           bool descending) {
    // Each row's distinct text, each distinct text's key.
    QHash<QString, int> distinctIndex;
    std::vector<SortKey> keys;
    std::vector<int> rowDistinct(texts.size());
    for (std::size_t row = 0; row < texts.size(); ++row) {
        auto known = distinctIndex.constFind(texts[row]);
        if (known == distinctIndex.cend()) {
            known = distinctIndex.insert(texts[row], int(keys.size()));
            keys.push_back(keyMaker(texts[row]));
        }
        rowDistinct[row] = *known;
    }
    // The rank of each distinct text: equal keys share one, and ranks rise with the keys.
    std::vector<int> byKey(keys.size());
    std::iota(byKey.begin(), byKey.end(), 0);
    std::sort(byKey.begin(), byKey.end(), [&](int a, int b) {
        return compareSortKeys(keys[std::size_t(a)], keys[std::size_t(b)]) < 0;
    });
    std::vector<int> rank(keys.size());
    int current = 0;
    for (std::size_t i = 0; i < byKey.size(); ++i) {
        if (i > 0 &&
            compareSortKeys(keys[std::size_t(byKey[i - 1])], keys[std::size_t(byKey[i])]) < 0)
            ++current;
        rank[std::size_t(byKey[i])] = current;
    }
    std::vector<int> order(texts.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const int ra = rank[std::size_t(rowDistinct[std::size_t(a)])];
        const int rb = rank[std::size_t(rowDistinct[std::size_t(b)])];
        return descending ? ra > rb : ra < rb;
    });
    return order;
}

} // namespace model
