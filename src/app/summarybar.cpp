#include "app/summarybar.h"

#include "app/gridview.h"
#include "model/gridmodel.h"
#include "printing/fonts.h"

#include <QComboBox>
#include <QLabel>
#include <QWidget>
#include <algorithm>

SummaryBar::SummaryBar(QWidget& window, GridModel& grid, GridView& view,
                       const journal::BlockWatch& watch)
    : QObject(&window), grid_(grid), view_(view), watch_(watch), summary_(new QLabel(&window)),
      filter_(new QComboBox(&window)) {
    summary_->setObjectName(QStringLiteral("LblBlocked"));
    summary_->setFont(msSansSerif(8.25));
    summary_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    summary_->setAccessibleName(QStringLiteral("Сводка блокировок"));
    filter_->setObjectName(QStringLiteral("CmbFilter"));
    filter_->setFont(msSansSerif(8.25));
    filter_->setAccessibleName(QStringLiteral("Какие строки показывать"));
    // Each item carries its filter, so that the order of the list is free.
    const std::pair<const char*, journal::RowFilter> items[] = {
        {"Все", journal::RowFilter::All},
        {"Заблокированы", journal::RowFilter::Blocked},
        {"Блокируются в ближайшие 31 дн.", journal::RowFilter::Soon},
        {"Без даты активации", journal::RowFilter::Undated},
    };
    for (const auto& [caption, filter] : items)
        filter_->addItem(QString::fromUtf8(caption), int(filter));
    connect(filter_, &QComboBox::currentIndexChanged, this, &SummaryBar::applyFilter);
    // The filter follows every change of the rows' states, then the summary counts them.
    connect(&watch_, &journal::BlockWatch::countsChanged, this, &SummaryBar::applyFilter);
    connect(&watch_, &journal::BlockWatch::statesReset, this, &SummaryBar::applyFilter);
    connect(&grid_, &GridModel::rowsInserted, this, &SummaryBar::applyFilter);
    applyFilter();
}

journal::RowFilter SummaryBar::filter() const {
    return journal::RowFilter(filter_->currentData().toInt());
}

void SummaryBar::place(int left, int right, int top, int bottom) {
    const int filterWidth = filter_->sizeHint().width();
    const int lineHeight = std::max(summary_->fontMetrics().height(), filter_->sizeHint().height());
    filter_->setGeometry(right + 1 - filterWidth, top, filterWidth, filter_->sizeHint().height());
    summary_->setGeometry(left, top, std::max(0, right + 1 - left - filterWidth - 8),
                          std::max(lineHeight, bottom - top));
}

void SummaryBar::applyFilter() {
    const journal::RowFilter shown = filter();
    // With every row shown, nothing is to be done on each change of the grid.
    shownRows_ = grid_.rows() - 1;
    if (shown != journal::RowFilter::All || rowsHidden_) {
        for (int r = 1; r < grid_.rows(); ++r) {
            const bool isShown = watch_.shows(r, shown);
            view_.setRowHidden(r - 1, !isShown);
            shownRows_ -= isShown ? 0 : 1;
        }
        rowsHidden_ = shown != journal::RowFilter::All;
    }
    showSummary();
}

// Units that block within the warning days make the line bold.
void SummaryBar::showSummary() {
    const journal::BlockCounts counts = watch_.counts();
    QString text = journal::blockSummaryText(counts);
    if (filter() != journal::RowFilter::All)
        text += QStringLiteral(" Показано строк: ") + QString::number(shownRows_) + u'.';
    summary_->setText(text);
    QFont font = summary_->font();
    font.setBold(counts.soon > 0);
    summary_->setFont(font);
}
