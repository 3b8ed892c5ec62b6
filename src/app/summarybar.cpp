#include "app/summarybar.h"

#include "app/gridview.h"
#include "model/gridmodel.h"
#include "printing/fonts.h"

#include <QComboBox>
#include <QLabel>
#include <QWidget>
#include <algorithm>

namespace app {

SummaryBar::SummaryBar(QWidget& window, model::GridModel& grid, GridView& view,
                       const model::BlockWatch& watch)
    : QObject(&window), grid_(grid), view_(view), watch_(watch), summary_(new QLabel(&window)),
      filter_(new QComboBox(&window)) {
    summary_->setObjectName(QStringLiteral("LblBlocked"));
    summary_->setFont(printing::msSansSerif(8.25));
    summary_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    summary_->setAccessibleName(QStringLiteral("Сводка блокировок"));
    filter_->setObjectName(QStringLiteral("CmbFilter"));
    filter_->setFont(printing::msSansSerif(8.25));
    filter_->setAccessibleName(QStringLiteral("Какие строки показывать"));
    // Each item carries its filter, so that the order of the list is free.
    const std::pair<const char*, model::RowFilter> items[] = {
        {"Все", model::RowFilter::All},
        {"Заблокированы", model::RowFilter::Blocked},
        {"Блокируются в ближайшие 31 дн.", model::RowFilter::Soon},
        {"Без даты активации", model::RowFilter::Undated},
    };
    for (const auto& [caption, filter] : items)
        filter_->addItem(QString::fromUtf8(caption), int(filter));
    connect(filter_, &QComboBox::currentIndexChanged, this, &SummaryBar::applyFilter);
    // The filter follows every change of the rows' states, then the summary counts them.
    connect(&watch_, &model::BlockWatch::countsChanged, this, &SummaryBar::applyFilter);
    connect(&watch_, &model::BlockWatch::statesReset, this, &SummaryBar::applyFilter);
    connect(&grid_, &model::GridModel::rowsInserted, this, &SummaryBar::applyFilter);
    applyFilter();
}

model::RowFilter SummaryBar::filter() const {
    return model::RowFilter(filter_->currentData().toInt());
}

void SummaryBar::place(int left, int right, int top, int bottom) {
    const int filterWidth = filter_->sizeHint().width();
    const int lineHeight = std::max(summary_->fontMetrics().height(), filter_->sizeHint().height());
    filter_->setGeometry(right + 1 - filterWidth, top, filterWidth, filter_->sizeHint().height());
    summary_->setGeometry(left, top, std::max(0, right + 1 - left - filterWidth - 8),
                          std::max(lineHeight, bottom - top));
}

void SummaryBar::applyFilter() {
    const model::RowFilter shown = filter();
    // With every row shown, nothing is to be done on each change of the grid.
    shownRows_ = grid_.rows() - 1;
    if (shown != model::RowFilter::All || rowsHidden_) {
        for (int r = 1; r < grid_.rows(); ++r) {
            const bool isShown = watch_.shows(r, shown);
            view_.setRowHidden(r - 1, !isShown);
            shownRows_ -= isShown ? 0 : 1;
        }
        rowsHidden_ = shown != model::RowFilter::All;
    }
    showSummary();
}

void SummaryBar::showRepeats(int cells) {
    repeats_ = cells;
    showSummary();
}

// Units that block within the warning days make the line bold.
void SummaryBar::showSummary() {
    const model::BlockCounts counts = watch_.counts();
    QString text = model::blockSummaryText(counts);
    if (repeats_ > 0)
        text += QStringLiteral(" Повторы номеров: %1.").arg(repeats_);
    if (filter() != model::RowFilter::All)
        text += QStringLiteral(" Показано строк: ") + QString::number(shownRows_) + u'.';
    summary_->setText(text);
    QFont font = summary_->font();
    font.setBold(counts.soon > 0);
    summary_->setFont(font);
}

} // namespace app
