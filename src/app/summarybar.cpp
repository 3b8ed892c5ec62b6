#include "app/summarybar.h"

#include "app/gridview.h"
#include "model/gridmodel.h"
#include "printing/fonts.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTimer>
#include <QWidget>
#include <algorithm>

namespace app {

// A label of one line that shows as much of its text as its width holds, ended by "…" when
// that is not all; the whole text stays its text() and is its tooltip while cut.
class ElidedLabel : public QLabel {
public:
    explicit ElidedLabel(QWidget* parent) : QLabel(parent) { setTextFormat(Qt::PlainText); }

    void setWholeText(const QString& text) {
        setText(text);
        updateToolTip();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        style()->drawItemText(&painter, contentsRect(), int(alignment()), palette(), isEnabled(),
                              shownText(), foregroundRole());
    }
    void resizeEvent(QResizeEvent* event) override {
        QLabel::resizeEvent(event);
        updateToolTip();
    }
    void changeEvent(QEvent* event) override {
        QLabel::changeEvent(event);
        if (event->type() == QEvent::FontChange)
            updateToolTip();
    }

private:
    QString shownText() const {
        return fontMetrics().elidedText(text(), Qt::ElideRight, contentsRect().width());
    }
    void updateToolTip() { setToolTip(shownText() != text() ? text() : QString()); }
};

namespace {

// As wide as the filter's choice: its list opens as wide as its longest.
int filterWidth(QComboBox* filter) {
    QStyleOptionComboBox option;
    option.initFrom(filter);
    option.currentText = filter->currentText();
    const QFontMetrics metrics = filter->fontMetrics();
    const QSize text(metrics.boundingRect(option.currentText).width(), metrics.height() + 2);
    filter->view()->setMinimumWidth(filter->sizeHint().width());
    return filter->style()->sizeFromContents(QStyle::CT_ComboBox, &option, text, filter).width();
}

} // namespace

SummaryBar::SummaryBar(QWidget& window, model::GridModel& grid, GridView& view,
                       const model::RegisterState& watch)
    : QObject(&window), grid_(grid), view_(view), watch_(watch), summary_(new ElidedLabel(&window)),
      filter_(new QComboBox(&window)), noticeTime_(new QTimer(this)) {
    noticeTime_->setObjectName(QStringLiteral("TimerNotice"));
    noticeTime_->setSingleShot(true);
    noticeTime_->setInterval(5000);
    connect(noticeTime_, &QTimer::timeout, this, &SummaryBar::endNotice);
    summary_->setObjectName(QStringLiteral("LblBlocked"));
    summary_->setFont(printing::msSansSerif(8.25));
    summary_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    summary_->setAccessibleName(QStringLiteral("Сводка блокировок"));
    filter_->setObjectName(QStringLiteral("CmbFilter"));
    filter_->setFont(printing::msSansSerif(8.25));
    filter_->setAccessibleName(QStringLiteral("Какие строки показывать"));
    // Each item carries its filter, so that the order of the list is free.
    for (const model::RowFilter filter :
         {model::RowFilter::All, model::RowFilter::Blocked, model::RowFilter::Soon,
          model::RowFilter::Undated, model::RowFilter::BlockedOrSoon})
        filter_->addItem(model::rowFilterName(filter), int(filter));
    connect(filter_, &QComboBox::currentIndexChanged, this, &SummaryBar::applyFilter);
    connect(filter_, &QComboBox::currentIndexChanged, this, &SummaryBar::layOut);
    connect(filter_, &QComboBox::currentIndexChanged, &view_, &GridView::keepCurrentShown);
    // The filter follows every change of the rows' states, then the summary counts them.
    connect(&watch_, &model::RegisterState::changed, this, &SummaryBar::applyFilter);
    applyFilter();
}

model::RowFilter SummaryBar::filter() const {
    return model::RowFilter(filter_->currentData().toInt());
}

void SummaryBar::place(int left, int right, int top, int bottom) {
    area_ = QRect(QPoint(left, top), QPoint(right, bottom));
    layOut();
}

void SummaryBar::layOut() {
    const int width = std::min(filterWidth(filter_), std::max(0, area_.width()));
    // Down to the window's edge, and no further while the text has room.
    const int height = std::max(summary_->fontMetrics().height() + 2, area_.bottom() - area_.top());
    filter_->setGeometry(area_.right() + 1 - width, area_.top(), width,
                         std::min(filter_->sizeHint().height(), height));
    summary_->setGeometry(area_.left(), area_.top(), std::max(0, area_.width() - width - 8),
                          height);
    summary_->setWholeText(summary_->text());
}

void SummaryBar::applyFilter() {
    const model::RowFilter shown = filter();
    // With every row shown, nothing is to be done on each change of the grid.
    shownRows_ = grid_.rowCount();
    if (shown != model::RowFilter::All || rowsHidden_) {
        for (int r = 0; r < grid_.rowCount(); ++r) {
            const bool isShown = watch_.blocks().shows(r, shown);
            view_.setRowHidden(r, !isShown);
            shownRows_ -= isShown ? 0 : 1;
        }
        rowsHidden_ = shown != model::RowFilter::All;
    }
    showSummary();
}

void SummaryBar::showNotice(const QString& text) {
    notice_ = text;
    noticeTime_->start();
    showSummary();
}

void SummaryBar::endNotice() {
    if (notice_.isEmpty())
        return;
    notice_.clear();
    noticeTime_->stop();
    showSummary();
}

// Units that block within the warning days make the line bold; a notice is plain.
void SummaryBar::showSummary() {
    QString text = notice_;
    bool bold = false;
    if (notice_.isEmpty()) {
        const model::BlockCounts counts = watch_.blocks().counts();
        text = model::blockSummaryText(counts);
        if (const int repeats = watch_.repeats().markedCells(); repeats > 0)
            text += QStringLiteral(" Повторы номеров: %1.").arg(repeats);
        if (filter() != model::RowFilter::All)
            text += QStringLiteral(" Показано строк: ") + QString::number(shownRows_) + u'.';
        bold = counts.soon > 0;
    }
    QFont font = summary_->font();
    font.setBold(bold);
    summary_->setFont(font);
    summary_->setWholeText(text);
}

} // namespace app
