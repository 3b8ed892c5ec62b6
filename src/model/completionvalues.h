#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>
#include <optional>
#include <vector>

namespace model {

class GridModel;

// How a text is matched against what is typed: case folded and "ё" read as "е", one character
// for one, so that a match of the folded texts is a match of as many characters of the texts.
QString matchKey(QStringView text);

// The distinct values of a grid column, each with the number of cells that hold it, for proposing
// the most frequent one that begins with what is typed. Values are kept without the blanks at
// their ends; an empty value is not counted.
class CompletionValues {
public:
    CompletionValues(const GridModel& grid, int col);

    // The most frequent value whose match key begins with that of `typed` (blanks before it
    // dropped, those after it kept), the cell of row `row` not counted (the one being typed
    // into); ties go to the value first in match order. None when no value matches.
    std::optional<QString> proposal(QStringView typed, int row) const;
    // The values beginning with `typed`, most frequent first, at most `limit`.
    QStringList matches(QStringView typed, int row, int limit) const;
    // The number of distinct values.
    int distinct() const { return int(values_.size()); }

private:
    struct Value {
        QString key;
        QString text;
        int count = 0;
    };
    // The values whose match key begins with that of `typed`, in match order.
    std::vector<const Value*> run(QStringView typed, int row) const;
    int countOf(const Value& value, int row) const;

    std::vector<Value> values_;
    // The values' indices in the order of their match keys, then of their texts.
    std::vector<int> matchOrder_;
    std::vector<int> valueOfRow_; // by row: the index of its value, -1 for none
};

} // namespace model
