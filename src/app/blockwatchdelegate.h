#pragma once

#include "model/registerstate.h"

#include <QBrush>
#include <QColor>
#include <QPointer>
#include <QStyledItemDelegate>
#include <functional>

namespace app {

// Paints the journal's data rows by their block state: light red for units that have blocked,
// light amber for those that block within the warning days. Selected cells keep the grid's
// selection colours; the text keeps the grid's (black) text colour, but for an activation date
// that is not a date, which is red and says so in its tooltip, and a unit's number already
// registered elsewhere, red too, its tooltip saying where.
class BlockWatchDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    static inline const QColor BlockedColour{QRgb(model::BlockedShade)};
    static inline const QColor SoonColour{QRgb(model::SoonShade)};
    static inline const QColor NotADateColour{200, 0, 0};

    BlockWatchDelegate(const model::RegisterState& watch, QObject* parent = nullptr);

    // The numbers already registered are marked, and the tooltip of such a cell (by row and
    // column) says where.
    using RepeatTip = std::function<QString(int row, int col)>;
    void showRepeats(RepeatTip tip);

    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;
    // What a cell's tooltip says: the block state of a shaded row in words, or that an
    // activation date is not a date; and where a repeated number already is.
    QString toolTip(const QModelIndex& index) const;

protected:
    const model::RegisterState& state() const { return *watch_; }
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    bool notADate(const QModelIndex& index) const;
    bool repeated(const QModelIndex& index) const;
    QString blockStateTip(const QModelIndex& index) const;

    QPointer<const model::RegisterState> watch_;
    bool repeats_ = false;
    RepeatTip repeatTip_;
    // Made once: a brush shared with every painted cell costs no allocation per cell.
    QBrush blocked_{BlockedColour};
    QBrush soon_{SoonColour};
};

} // namespace app
