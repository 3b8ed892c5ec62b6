#include "model/completionvalues.h"

#include "model/gridmodel.h"

#include <QHash>
#include <algorithm>
#include <numeric>
#include <tuple>

namespace model {

QString matchKey(QStringView text) {
    QString key(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar folded = text[i].toCaseFolded();
        key[i] = folded == u'ё' ? QChar(u'е') : folded;
    }
    return key;
}

CompletionValues::CompletionValues(const GridModel& grid, int col)
    : valueOfRow_(std::size_t(grid.rowCount()), -1) {
    QHash<QString, int> found;
    for (int r = 0; r < grid.rowCount(); ++r) {
        const QString text = grid.text(r, col).trimmed();
        if (text.isEmpty())
            continue;
        auto at = found.find(text);
        if (at == found.end()) {
            at = found.insert(text, int(values_.size()));
            values_.push_back({matchKey(text), text, 0});
        }
        ++values_[std::size_t(*at)].count;
        valueOfRow_[std::size_t(r)] = *at;
    }
    matchOrder_.resize(values_.size());
    std::iota(matchOrder_.begin(), matchOrder_.end(), 0);
    std::ranges::sort(matchOrder_, {}, [this](int index) {
        const Value& value = values_[std::size_t(index)];
        return std::tie(value.key, value.text);
    });
}

int CompletionValues::countOf(const Value& value, int row) const {
    const bool typedInto = row >= 0 && std::size_t(row) < valueOfRow_.size() &&
                           valueOfRow_[std::size_t(row)] == int(&value - values_.data());
    return value.count - (typedInto ? 1 : 0);
}

std::vector<const CompletionValues::Value*> CompletionValues::run(QStringView typed,
                                                                  int row) const {
    qsizetype start = 0;
    while (start < typed.size() && typed[start].isSpace())
        ++start;
    const QString prefix = matchKey(typed.sliced(start));
    const auto valueAt = [this](int index) -> const Value& { return values_[std::size_t(index)]; };
    auto at = std::ranges::lower_bound(
        matchOrder_, prefix, {}, [&](int index) -> const QString& { return valueAt(index).key; });
    std::vector<const Value*> found;
    for (; at != matchOrder_.end() && valueAt(*at).key.startsWith(prefix); ++at)
        if (countOf(valueAt(*at), row) > 0)
            found.push_back(&valueAt(*at));
    return found;
}

std::optional<QString> CompletionValues::proposal(QStringView typed, int row) const {
    if (typed.trimmed().isEmpty())
        return std::nullopt;
    const std::vector<const Value*> found = run(typed, row);
    // The first of the most frequent.
    const auto best = std::ranges::max_element(
        found, {}, [&](const Value* value) { return countOf(*value, row); });
    return best == found.end() ? std::nullopt : std::optional((*best)->text);
}

QStringList CompletionValues::matches(QStringView typed, int row, int limit) const {
    std::vector<const Value*> found = run(typed, row);
    // Most frequent first; among equals, match order, as they were found.
    std::ranges::stable_sort(found, std::ranges::greater{},
                             [&](const Value* value) { return countOf(*value, row); });
    QStringList texts;
    for (std::size_t i = 0; i < found.size() && int(i) < limit; ++i)
        texts.append(found[i]->text);
    return texts;
}

} // namespace model
