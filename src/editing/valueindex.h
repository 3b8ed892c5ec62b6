#pragma once

#include "core/celltext.h"

#include <QHash>
#include <QString>
#include <QStringView>
#include <span>
#include <vector>

namespace editing {

// How a text is matched against what is typed: case folded and "ё" read as "е", one character
// for one, so that a match of the folded texts is a match of as many characters of the texts.
QString matchKey(QStringView text);

// The distinct values of a column, each with the number of cells that hold it, for proposing the
// most frequent one that begins with what is typed. Values are kept without the blanks at their
// ends; an empty value is not counted. A value keeps its id (and its place) for as long as the
// index lives, even when no cell holds it any more.
//
// The values stand in blocks, in the order of their match keys: a prefix names a run of them,
// and each block knows its most frequent value, so that the best of a run costs two searches and
// a look at each block, not at each value.
class ValueIndex {
public:
    using Id = int;
    static constexpr Id None = -1;

    // One more cell holds `value`; its id (None for an empty value).
    Id add(core::CellText value);
    // One cell fewer holds the value of `id` (nothing for None).
    void release(Id id);
    // Replaces everything by `values`, counted: one pass and one sort, for a whole column.
    void assign(std::span<const core::CellText> values);
    void clear();

    Id idOf(core::CellText value) const;
    const QString& text(Id id) const { return entries_[std::size_t(id)].text; }
    int count(Id id) const { return entries_[std::size_t(id)].count; }
    // The number of values some cell holds.
    int distinct() const { return distinct_; }

    // The most frequent value whose match key begins with that of `typed` (blanks before it
    // dropped, those after it kept), one cell holding `excluded` left out of its count (the cell
    // being typed into); ties go to the value first in match order. None when no value matches.
    Id best(QStringView typed, Id excluded = None) const;
    // The matching values, most frequent first, at most `limit` of them.
    std::vector<Id> matches(QStringView typed, int limit, Id excluded = None) const;

private:
    struct Entry {
        QString text;
        QString key;
        int count = 0;
    };
    struct Position {
        std::size_t block = 0;
        std::size_t offset = 0;
    };
    bool before(Id a, Id b) const;
    int countOf(Id id, Id excluded) const {
        return entries_[std::size_t(id)].count - (id == excluded ? 1 : 0);
    }
    // The first place whose value does not satisfy `stillBefore` (true for a leading run).
    template <typename Predicate> Position firstPast(Predicate stillBefore) const;
    Position placeOf(Id id) const;
    void insert(Id id);
    void changeCount(Id id, int delta);
    void findBlockBest(std::size_t block);

    std::vector<Entry> entries_;
    QHash<QString, Id> byText_;
    std::vector<std::vector<Id>> blocks_;
    std::vector<Id> blockBest_;
    int distinct_ = 0;
};

} // namespace editing
