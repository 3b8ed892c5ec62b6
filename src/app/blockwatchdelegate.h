#pragma once

#include <QBrush>
#include <QColor>
#include <QPointer>
#include <QStyledItemDelegate>

namespace model {
class BlockWatch;
} // namespace model

namespace app {

// Paints the journal's data rows by their block state: light red for units that have blocked,
// light amber for those that block within the warning days. Selected cells keep the grid's
// selection colours; the text keeps the grid's (black) text colour, but for an activation date
// that is not a date, which is red and says so in its tooltip.
class BlockWatchDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    static inline const QColor BlockedColour{255, 200, 200};
    static inline const QColor SoonColour{255, 230, 170};
    static inline const QColor NotADateColour{200, 0, 0};

    BlockWatchDelegate(const model::BlockWatch& watch, QObject* parent = nullptr);

    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;
    // What a cell's tooltip says: the block state of a shaded row in words, or that an
    // activation date is not a date.
    QString toolTip(const QModelIndex& index) const;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    bool notADate(const QModelIndex& index) const;

    QPointer<const model::BlockWatch> watch_;
    // Made once: a brush shared with every painted cell costs no allocation per cell.
    QBrush blocked_{BlockedColour};
    QBrush soon_{SoonColour};
};

} // namespace app
