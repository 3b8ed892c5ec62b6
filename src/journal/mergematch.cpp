#include "journal/mergematch.h"

#include <QHash>
#include <QSet>
#include <algorithm>
#include <numeric>
#include <unordered_map>

namespace journal {

namespace {

// The base columns both maps pair (a null map is the base's own columns).
std::vector<int> pairedColumns(int baseCols, const std::vector<int>& one,
                               const std::vector<int>* other = nullptr) {
    std::vector<int> columns;
    for (int b = 0; b < baseCols; ++b)
        if (one[std::size_t(b)] >= 0 && (!other || (*other)[std::size_t(b)] >= 0))
            columns.push_back(b);
    return columns;
}

QStringView cellOf(const Side& side, const std::vector<int>& map, int row, int baseCol) {
    return side.cell(row, map[std::size_t(baseCol)]);
}

size_t rowHash(const Side& side, const std::vector<int>& map, const std::vector<int>& columns,
               int row) {
    size_t hash = 0;
    for (const int b : columns)
        hash = qHash(cellOf(side, map, row, b), hash * 31 + 7);
    return hash;
}

bool sameRow(const Side& one, const std::vector<int>& oneMap, int oneRow, const Side& other,
             const std::vector<int>& otherMap, int otherRow, const std::vector<int>& columns) {
    return std::all_of(columns.begin(), columns.end(), [&](int b) {
        return cellOf(one, oneMap, oneRow, b) == cellOf(other, otherMap, otherRow, b);
    });
}

QSet<QStringView> textsOf(const Side& side, int col) {
    QSet<QStringView> texts;
    texts.reserve(side.rows);
    for (int r = 0; r < side.rows; ++r)
        if (const QStringView text = side.cell(r, col); !text.isEmpty())
            texts.insert(text);
    return texts;
}

// At most this many of a base column's distinct texts, from rows spread over it, are looked up
// in each column of a side.
constexpr qsizetype SampleTexts = 256;

QSet<QStringView> sampleOf(const Side& base, int col) {
    QSet<QStringView> sample;
    const int step = std::max(1, base.rows / int(4 * SampleTexts));
    for (int pass = 0; pass < 2 && sample.size() < SampleTexts; ++pass)
        for (int r = pass; r < base.rows && sample.size() < SampleTexts; r += step)
            if (const QStringView text = base.cell(r, col); !text.isEmpty())
                sample.insert(text);
    return sample;
}

// The free side column nearest to `expected`, where the side has a header a column of the journal
// header's caption for that base column first; -1 for none.
int freeColumnNear(const Side& side, const std::vector<bool>& taken, int expected, int baseCol) {
    const std::vector<core::FormatSection>& captions = core::headerSections();
    if (side.header && std::size_t(baseCol) < captions.size()) {
        const QStringView caption = QStringView(captions[std::size_t(baseCol)].caption).trimmed();
        for (int c = 0; c < side.cols; ++c)
            if (!taken[std::size_t(c)] && QStringView((*side.header)[c]).trimmed() == caption)
                return c;
    }
    int best = -1;
    for (int c = 0; c < side.cols; ++c)
        if (!taken[std::size_t(c)] &&
            (best < 0 || std::abs(c - expected) < std::abs(best - expected)))
            best = c;
    return best;
}

} // namespace

bool Side::columnEmpty(int col) const {
    for (int r = 0; r < rows; ++r)
        if (!cell(r, col).isEmpty())
            return false;
    return true;
}

std::vector<int> matchColumns(const Side& base, const Side& side) {
    std::vector<QSet<QStringView>> sideTexts;
    for (int c = 0; c < side.cols; ++c)
        sideTexts.push_back(textsOf(side, c));
    struct Pair {
        int found;
        int base;
        int side;
    };
    std::vector<Pair> pairs;
    std::vector<bool> sampled(std::size_t(base.cols), false);
    for (int b = 0; b < base.cols; ++b) {
        const QSet<QStringView> sample = sampleOf(base, b);
        sampled[std::size_t(b)] = !sample.empty();
        for (int c = 0; c < side.cols; ++c) {
            const auto& texts = sideTexts[std::size_t(c)];
            const int found =
                int(std::count_if(sample.begin(), sample.end(),
                                  [&](QStringView text) { return texts.contains(text); }));
            // A column that holds a quarter of the texts at least is that column, moved or not.
            if (found > 0 && found * 4 >= int(sample.size()))
                pairs.push_back({found, b, c});
        }
    }
    std::sort(pairs.begin(), pairs.end(), [](const Pair& x, const Pair& y) {
        if (x.found != y.found)
            return x.found > y.found;
        return std::abs(x.base - x.side) < std::abs(y.base - y.side);
    });
    std::vector<int> map(std::size_t(base.cols), -1);
    std::vector<bool> taken(std::size_t(side.cols), false);
    for (const Pair& pair : pairs) {
        if (map[std::size_t(pair.base)] >= 0 || taken[std::size_t(pair.side)])
            continue;
        map[std::size_t(pair.base)] = pair.side;
        taken[std::size_t(pair.side)] = true;
    }
    // Columns with nothing to pair them by stand where their paired neighbours say. First those
    // whose every text changed, only in the filled free column right there (a column gone from the
    // side, its place taken by an empty one, stays unpaired); then the empty ones, in the free
    // column nearest there. So an empty column never takes the place of a changed one that a
    // moved column put after it.
    const auto expectedPlace = [&](int b) {
        for (int left = b - 1; left >= 0; --left)
            if (map[std::size_t(left)] >= 0)
                return map[std::size_t(left)] + (b - left);
        return b;
    };
    for (const bool changed : {true, false})
        for (int b = 0; b < base.cols; ++b) {
            if (map[std::size_t(b)] >= 0 || sampled[std::size_t(b)] != changed)
                continue;
            const int expected = expectedPlace(b);
            int c = -1;
            if (!changed)
                c = freeColumnNear(side, taken, expected, b);
            else if (expected >= 0 && expected < side.cols && !taken[std::size_t(expected)] &&
                     !sideTexts[std::size_t(expected)].empty())
                c = expected;
            if (c >= 0) {
                map[std::size_t(b)] = c;
                taken[std::size_t(c)] = true;
            }
        }
    return map;
}

namespace {

class RowMatcher {
public:
    RowMatcher(const Side& base, const Side& side, const std::vector<int>& map)
        : base_(base), side_(side), map_(map), columns_(pairedColumns(base.cols, map)) {
        match_.sideOf.assign(std::size_t(base.rows), -1);
        match_.baseOf.assign(std::size_t(side.rows), -1);
    }

    RowMatch run() {
        bySerial();
        byWholeRow();
        bySharedCells();
        byPosition();
        return std::move(match_);
    }

private:
    void pair(int b, int s) {
        match_.sideOf[std::size_t(b)] = s;
        match_.baseOf[std::size_t(s)] = b;
    }

    void bySerial() {
        const int serial = map_.size() > core::SerialNumber ? map_[core::SerialNumber] : -1;
        if (serial < 0)
            return;
        // -1: held by more than one row.
        const auto unique = [](const Side& side, int col) {
            QHash<QStringView, int> rows;
            rows.reserve(side.rows);
            for (int r = 0; r < side.rows; ++r) {
                const QStringView key = side.cell(r, col).trimmed();
                if (key.isEmpty())
                    continue;
                const auto found = rows.constFind(key);
                rows.insert(key, found == rows.cend() ? r : -1);
            }
            return rows;
        };
        const auto inBase = unique(base_, core::SerialNumber);
        const auto inSide = unique(side_, serial);
        for (auto s = inSide.cbegin(); s != inSide.cend(); ++s)
            if (const int b = inBase.value(s.key(), -1); b >= 0 && s.value() >= 0)
                pair(b, s.value());
    }

    void byWholeRow() {
        std::vector<int> own(std::size_t(base_.cols));
        std::iota(own.begin(), own.end(), 0);
        SameRows unpaired(base_, own, base_.cols);
        for (int b = 0; b < base_.rows; ++b)
            if (match_.sideOf[std::size_t(b)] < 0)
                unpaired.add(b);
        for (int s = 0; s < side_.rows; ++s)
            if (match_.baseOf[std::size_t(s)] < 0)
                if (const std::optional<int> b = unpaired.take(side_, map_, s))
                    pair(*b, s);
    }

    // How many paired cells the base row and the side row share (filled ones) and in how many
    // they differ.
    std::pair<int, int> sameAndDiffering(int b, int s) const {
        int same = 0;
        int differing = 0;
        for (const int col : columns_) {
            const QStringView was = base_.cell(b, col);
            if (was != side_.cell(s, map_[std::size_t(col)]))
                ++differing;
            else if (!was.isEmpty())
                ++same;
        }
        return {same, differing};
    }

    // What is left: rows edited on this side. A row is the base row it shares the most cells with,
    // when it differs from it in at most three and shares at least as many.
    void bySharedCells() {
        constexpr std::size_t CommonText = 64; // a text on more rows than this tells nothing
        constexpr int MostDiffering = 3;
        std::unordered_map<size_t, std::vector<int>> rowsWith;
        for (int b = 0; b < base_.rows; ++b) {
            if (match_.sideOf[std::size_t(b)] >= 0)
                continue;
            for (const int col : columns_)
                if (const QStringView text = base_.cell(b, col); !text.isEmpty())
                    rowsWith[qHash(text, size_t(col) + 1)].push_back(b);
        }
        if (rowsWith.empty())
            return;
        std::unordered_map<int, int> shared;
        for (int s = 0; s < side_.rows; ++s) {
            if (match_.baseOf[std::size_t(s)] >= 0)
                continue;
            shared.clear();
            for (const int col : columns_) {
                const QStringView text = side_.cell(s, map_[std::size_t(col)]);
                const auto found =
                    text.isEmpty() ? rowsWith.end() : rowsWith.find(qHash(text, size_t(col) + 1));
                if (found == rowsWith.end() || found->second.size() > CommonText)
                    continue;
                for (const int b : found->second)
                    if (match_.sideOf[std::size_t(b)] < 0)
                        ++shared[b];
            }
            int best = -1;
            int bestShared = 0;
            for (const auto& [b, count] : shared)
                if (count > bestShared ||
                    (count == bestShared && std::abs(b - s) < std::abs(best - s))) {
                    best = b;
                    bestShared = count;
                }
            if (best < 0)
                continue;
            const auto [same, differing] = sameAndDiffering(best, s);
            if (differing <= MostDiffering && same >= differing)
                pair(best, s);
        }
    }

    // A row still unpaired that stands where an unpaired base row stood (right after the same
    // paired row, or both first) is that row edited in place, when it keeps a cell of it or
    // differs in no more than half.
    void byPosition() {
        for (int s = 0; s < side_.rows; ++s) {
            if (match_.baseOf[std::size_t(s)] >= 0)
                continue;
            const int before = s == 0 ? -1 : match_.baseOf[std::size_t(s - 1)];
            if (s > 0 && before < 0)
                continue;
            const int b = before + 1;
            if (b >= base_.rows || match_.sideOf[std::size_t(b)] >= 0)
                continue;
            const auto [same, differing] = sameAndDiffering(b, s);
            if (same > 0 || differing * 2 <= int(columns_.size()))
                pair(b, s);
        }
    }

    const Side& base_;
    const Side& side_;
    const std::vector<int>& map_;
    std::vector<int> columns_;
    RowMatch match_;
};

} // namespace

RowMatch matchRows(const Side& base, const Side& side, const std::vector<int>& map) {
    return RowMatcher(base, side, map).run();
}

SameRows::SameRows(const Side& side, const std::vector<int>& map, int baseCols)
    : side_(side), map_(map), baseCols_(baseCols) {}

void SameRows::add(int row) {
    rows_.push_back({0, row});
}

std::optional<int> SameRows::take(const Side& other, const std::vector<int>& otherMap, int row) {
    if (rows_.empty())
        return std::nullopt;
    const std::vector<int> columns = pairedColumns(baseCols_, map_, &otherMap);
    if (!sorted_) {
        for (auto& [hash, mine] : rows_)
            hash = rowHash(side_, map_, columns, mine);
        std::sort(rows_.begin(), rows_.end());
        taken_.assign(rows_.size(), false);
        sorted_ = true;
    }
    const size_t hash = rowHash(other, otherMap, columns, row);
    for (auto at = std::lower_bound(rows_.begin(), rows_.end(), std::pair(hash, -1));
         at != rows_.end() && at->first == hash; ++at) {
        const std::size_t i = std::size_t(at - rows_.begin());
        if (!taken_[i] && sameRow(side_, map_, at->second, other, otherMap, row, columns)) {
            taken_[i] = true;
            return at->second;
        }
    }
    return std::nullopt;
}

} // namespace journal
