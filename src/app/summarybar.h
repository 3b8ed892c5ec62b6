#pragma once

#include "model/registerstate.h"

#include <QObject>
#include <QRect>

class QComboBox;
class QTimer;
class QWidget;

namespace model {
class GridModel;
} // namespace model

namespace app {

class ElidedLabel; // defined in summarybar.cpp
class GridView;

// The strip under the grid: the summary of the register's state ("Заблокированы: N. Блокируются в
// ближайшие 31 дн.: M.", bold while a unit blocks soon, and why no block date is written when
// none is) and the filter of which rows are shown. The filter hides the rows it leaves out in the
// view and follows every change of the rows' states; every command still works on all rows.
// A notice (what a deletion removed, and how to get it back) takes the summary's place for a
// while (TimerNotice, five seconds), or until the history moves on.
class SummaryBar : public QObject {
    Q_OBJECT
public:
    // The label (LblBlocked) and the filter (CmbFilter) are children of `window`.
    SummaryBar(QWidget& window, model::GridModel& grid, GridView& view,
               const model::RegisterState& watch);

    model::RowFilter filter() const;
    // The data rows the filter leaves shown.
    int shownRows() const { return shownRows_; }
    // Lays the strip out from `left` to `right` at `top`, down to `bottom`. A summary wider than
    // its room is cut with "…", whole in its tooltip.
    void place(int left, int right, int top, int bottom);

public Q_SLOTS:
    void showNotice(const QString& text);
    // Also when a step is done or undone.
    void endNotice();

private:
    void applyFilter();
    void showSummary();
    void layOut();

    model::GridModel& grid_;
    GridView& view_;
    const model::RegisterState& watch_;
    ElidedLabel* summary_;
    QComboBox* filter_;
    QTimer* noticeTime_;
    QRect area_; // where place() put the strip
    QString notice_;
    bool rowsHidden_ = false;
    int shownRows_ = 0;
};

} // namespace app
