#include "model/blockcolumns.h"

#include "core/journalcolumns.h"
#include "core/journaldates.h"
#include "model/gridmodel.h"

#include <algorithm>
#include <chrono>

namespace model {

namespace {

// Whether the text holds only blanks (or nothing), as its trimmed text would be empty; most cells
// are told by their first character.
bool isBlank(QStringView text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.isSpace(); });
}

// The text without blanks at either end; most cells have none, and are told so by two characters.
QStringView trimmedText(QStringView text) {
    if (text.isEmpty() || (!text.front().isSpace() && !text.back().isSpace()))
        return text;
    return text.trimmed();
}

bool sameText(QStringView a, QStringView b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
}

// The Julian day of a block date as blockDateText writes it (01.mm.yyyy), without reading it
// back as any date text.
qint32 blockDayOf(QStringView computed) {
    const auto digit = [&](qsizetype at) { return unsigned(computed[at].unicode() - u'0'); };
    if (computed.size() != 10) {
        const std::optional<QDate> date = core::readDate(computed);
        return date ? qint32(date->toJulianDay()) : 0;
    }
    const std::chrono::year_month_day date{
        std::chrono::year(int(digit(6) * 1000 + digit(7) * 100 + digit(8) * 10 + digit(9))),
        std::chrono::month(digit(3) * 10 + digit(4)), std::chrono::day(digit(0) * 10 + digit(1))};
    // Day 0 of the system clock, 01.01.1970, is Julian day 2440588.
    return qint32(std::chrono::sys_days(date).time_since_epoch().count() + 2440588);
}

bool holdsLetterOrDigit(QStringView text) {
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.isLetterOrNumber(); });
}

QString declinedBecause(const QString& why) {
    return QStringLiteral("Дата блок. не заполняется: ") + why;
}

QString notDates(QStringView caption, int count, int of) {
    return declinedBecause(
        QStringLiteral("в колонке «%1» не даты (%2 из %3)").arg(caption).arg(count).arg(of));
}

// Which of the two captions is missing or doubled.
QString captionsDeclined(const GridModel& grid) {
    for (const QStringView caption : {core::ActivationDateHeader, core::BlockDateHeader}) {
        int found = 0;
        for (int c = 0; c < grid.cols(); ++c)
            found += grid.cell(0, c).trimmed() == caption ? 1 : 0;
        if (found != 1)
            return declinedBecause((found == 0 ? QStringLiteral("нет колонки «%1»")
                                               : QStringLiteral("колонок «%1» больше одной"))
                                       .arg(caption));
    }
    // Not reached: with each caption on one column, the columns are found.
    return declinedBecause(QStringLiteral("нет колонки «%1»").arg(core::BlockDateHeader));
}

} // namespace

RowEvidence RowEvidence::of(QStringView activation, QStringView block) {
    RowEvidence row;
    row.ends = activation.isEmpty();
    row.dated = !isBlank(activation);
    row.blockFilled = !isBlank(block);
    core::DateBuffer buffer;
    const QStringView computed = core::blockDateText(activation, buffer);
    row.activation = !computed.isEmpty();
    row.blockExact = sameText(block, computed);
    if (!row.blockFilled)
        return row;
    // A computed block date holds no blanks: a cell holding exactly it holds it trimmed too.
    if (row.activation && (row.blockExact || sameText(computed, trimmedText(block)))) {
        row.blockMatches = row.blockLike = row.blockDate = true;
        row.blockDay = blockDayOf(computed);
        return row;
    }
    const std::optional<QDate> blocked = core::readDate(block);
    if (blocked) {
        const std::optional<QDate> activated =
            row.activation ? core::readActivationDate(activation) : std::nullopt;
        row.blockDate = true;
        row.blockDay = qint32(blocked->toJulianDay());
        row.blockLike = blocked->day() == 1 || (activated && *blocked > *activated);
        row.blockBefore = activated && activated->day() == 1 && *blocked < *activated;
    }
    row.blockForeign = !row.blockLike && holdsLetterOrDigit(block);
    return row;
}

void ColumnEvidence::add(RowEvidence row, int sign) {
    rows += sign;
    dated += row.dated ? sign : 0;
    activations += row.activation ? sign : 0;
    blockFilled += row.blockFilled ? sign : 0;
    blockMatches += row.blockMatches ? sign : 0;
    blockLike += row.blockLike ? sign : 0;
    blockForeign += row.blockForeign ? sign : 0;
    blockDates += row.blockDate ? sign : 0;
    blockBefore += row.blockBefore ? sign : 0;
}

void BlockEvidence::reset(const GridModel& grid) {
    columns_ = captionedBlockColumns(grid);
    rows_.clear();
    end_ = 1;
    reached_ = {};
    others_.reset();
    if (!columns_)
        return;
    rows_.resize(std::size_t(grid.rows()));
    for (int r = 1; r < grid.rows(); ++r)
        rows_[std::size_t(r)] =
            RowEvidence::of(grid.cell(r, columns_->activation), grid.cell(r, columns_->block));
    extend(grid);
}

// The rows from `end` down drop out of the rows reached.
void BlockEvidence::truncate(int end) {
    for (int r = end; r < end_; ++r) {
        reached_.add(rows_[std::size_t(r)], -1);
        weighOthers(r, -1);
    }
    end_ = end;
}

// The rows below the end join the rows reached, down to the next empty activation date.
void BlockEvidence::extend(const GridModel& grid) {
    for (; std::size_t(end_) < rows_.size() && !rows_[std::size_t(end_)].ends; ++end_) {
        reached_.add(rows_[std::size_t(end_)]);
        readOthers(grid, end_);
        weighOthers(end_, +1);
    }
}

void BlockEvidence::readOthers(const GridModel& grid, int row) const {
    if (!others_)
        return;
    const core::CellChars activationChars(grid.cell(row, columns_->activation));
    const QStringView activation = activationChars.view();
    const QStringView activationText = trimmedText(activation);
    core::DateBuffer buffer;
    const QStringView computed = core::blockDateText(activation, buffer);
    for (int c = 0; c < others_->cols; ++c) {
        const core::CellChars chars(grid.cell(row, c));
        const QStringView text = trimmedText(chars.view());
        std::uint8_t bits = 0;
        if (c != columns_->activation && c != columns_->block && !text.isEmpty()) {
            core::DateBuffer other;
            bits = OtherColumns::Filled |
                   (!computed.isEmpty() && text == computed ? OtherColumns::Matches : 0) |
                   (!activationText.isEmpty() && core::blockDateText(text, other) == activationText
                        ? OtherColumns::Held
                        : 0);
        }
        others_->cells[std::size_t(row) * std::size_t(others_->cols) + std::size_t(c)] = bits;
    }
}

void BlockEvidence::weighOthers(int row, int sign) const {
    if (!others_)
        return;
    const std::size_t at = std::size_t(row) * std::size_t(others_->cols);
    for (std::size_t c = 0; c < std::size_t(others_->cols); ++c) {
        const std::uint8_t bits = others_->cells[at + c];
        others_->filled[c] += bits & OtherColumns::Filled ? sign : 0;
        others_->matches[c] += bits & OtherColumns::Matches ? sign : 0;
        others_->held[c] += bits & OtherColumns::Held ? sign : 0;
    }
}

void BlockEvidence::dropOthersUnlessNeeded() {
    if (reached_.blockLike > 0)
        others_.reset();
}

void BlockEvidence::reweigh(const GridModel& grid, int row) {
    if (!columns_ || row < 1 || row >= size())
        return;
    if (others_ && others_->cols != grid.cols())
        others_.reset();
    const RowEvidence now =
        RowEvidence::of(grid.cell(row, columns_->activation), grid.cell(row, columns_->block));
    if (row >= end_) {
        rows_[std::size_t(row)] = now;
        if (row == end_)
            extend(grid);
    } else if (now.ends) { // the activation dates end here now
        truncate(row);
        rows_[std::size_t(row)] = now;
    } else {
        reached_.add(rows_[std::size_t(row)], -1);
        weighOthers(row, -1);
        rows_[std::size_t(row)] = now;
        reached_.add(now);
        readOthers(grid, row);
        weighOthers(row, +1);
    }
    dropOthersUnlessNeeded();
}

void BlockEvidence::otherCellsChanged(const GridModel& grid, int first, int last) {
    if (!others_)
        return;
    if (others_->cols != grid.cols()) {
        others_.reset();
        return;
    }
    for (int r = std::max(first, 1); r <= std::min(last, end_ - 1); ++r) {
        weighOthers(r, -1);
        readOthers(grid, r);
        weighOthers(r, +1);
    }
}

void BlockEvidence::insertRows(const GridModel& grid, int first, int count) {
    if (!columns_)
        return;
    others_.reset();
    rows_.insert(rows_.begin() + first, std::size_t(count), RowEvidence{});
    const int last = first + count - 1;
    for (int r = first; r <= last; ++r)
        rows_[std::size_t(r)] =
            RowEvidence::of(grid.cell(r, columns_->activation), grid.cell(r, columns_->block));
    if (first > end_)
        return;
    // The rows that were reached from `first` on now stand below the inserted ones.
    end_ += count;
    for (int r = first; r <= last; ++r) {
        if (rows_[std::size_t(r)].ends) {
            for (int i = last + 1; i < end_; ++i)
                reached_.add(rows_[std::size_t(i)], -1);
            end_ = r;
            break;
        }
        reached_.add(rows_[std::size_t(r)]);
    }
}

void BlockEvidence::removeRows(const GridModel& grid, int first, int count) {
    if (!columns_)
        return;
    others_.reset();
    const int last = first + count - 1;
    for (int r = first; r <= std::min(last, end_ - 1); ++r)
        reached_.add(rows_[std::size_t(r)], -1);
    rows_.erase(rows_.begin() + first, rows_.begin() + last + 1);
    if (last < end_) {
        end_ -= count;
    } else if (first <= end_) { // the row that ended the activation dates went
        end_ = first;
        extend(grid);
    }
}

bool BlockEvidence::permute(const GridModel& grid, int first, const std::vector<int>& order) {
    if (columns_ && rows_.size() < std::size_t(first) + order.size())
        return false;
    if (!columns_)
        return true;
    others_.reset();
    const std::vector<RowEvidence> before(rows_.begin() + first,
                                          rows_.begin() + first + qsizetype(order.size()));
    for (std::size_t i = 0; i < order.size(); ++i)
        rows_[std::size_t(first) + i] = before[std::size_t(order[i])];
    if (first > end_)
        return true;
    reached_ = {};
    end_ = 1;
    extend(grid);
    return true;
}

std::optional<QString> BlockEvidence::declined(const GridModel& grid) const {
    if (!columns_)
        return captionsDeclined(grid);
    const ColumnEvidence& e = reached_;
    if (e.dated > 0 && e.activations * 2 <= e.dated)
        return notDates(core::ActivationDateHeader, e.dated - e.activations, e.dated);
    if (e.blockBefore * 2 > e.blockDates)
        return declinedBecause(
            QStringLiteral("колонки «%1» и «%2», похоже, переставлены (%3 из %4)")
                .arg(core::ActivationDateHeader, core::BlockDateHeader)
                .arg(e.blockBefore)
                .arg(e.blockDates));
    if (e.blockForeign * 2 > e.rows)
        return notDates(core::BlockDateHeader, e.blockForeign, e.rows);
    if (e.blockLike > 0)
        return std::nullopt;
    const std::optional<int> col = blockDatesColumn(grid);
    if (!col)
        return std::nullopt;
    return declinedBecause(QStringLiteral("даты блокировки стоят в колонке ") +
                           columnLabel(grid, *col));
}

// Where, in the rows reached, the block dates stand when the captioned column holds none: in a
// column that holds the block dates of the activation dates in most of its filled cells, or in
// the activation column itself when it holds, beside most filled cells of another column, the
// block dates of those (the captions of two moved columns then stand one place off). The other
// columns' cells are read once, then followed row by row.
std::optional<int> BlockEvidence::blockDatesColumn(const GridModel& grid) const {
    if (!others_) {
        const int cols = grid.cols();
        others_ =
            OtherColumns{cols, std::vector<std::uint8_t>(rows_.size() * std::size_t(cols)),
                         std::vector<int>(std::size_t(cols)), std::vector<int>(std::size_t(cols)),
                         std::vector<int>(std::size_t(cols))};
        for (int r = 1; r < end_; ++r) {
            readOthers(grid, r);
            weighOthers(r, +1);
        }
    }
    const OtherColumns& o = *others_;
    for (std::size_t c = 0; c < o.filled.size(); ++c)
        if (o.filled[c] > 0 && o.matches[c] * 2 > o.filled[c])
            return int(c);
    for (std::size_t c = 0; c < o.filled.size(); ++c)
        if (o.filled[c] > 0 && o.held[c] * 2 > o.filled[c])
            return columns_->activation;
    return std::nullopt;
}

std::optional<BlockColumns> captionedBlockColumns(const GridModel& grid) {
    const std::optional<int> activation = grid.findColumn(core::ActivationDateHeader);
    const std::optional<int> block = grid.findColumn(core::BlockDateHeader);
    if (!activation || !block)
        return std::nullopt;
    return BlockColumns{*activation, *block};
}

std::optional<QString> blockDatesDeclined(const GridModel& grid) {
    BlockEvidence evidence;
    evidence.reset(grid);
    return evidence.declined(grid);
}

std::optional<BlockColumns> findBlockColumns(const GridModel& grid) {
    BlockEvidence evidence;
    evidence.reset(grid);
    return evidence.declined(grid) ? std::nullopt : evidence.columns();
}

} // namespace model
