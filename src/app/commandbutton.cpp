#include "app/commandbutton.h"

#include "printing/fonts.h"

#include <QStyleOptionButton>
#include <QStylePainter>

namespace app {

CommandButton::CommandButton(const QString& caption, QWidget* parent)
    : QPushButton(caption, parent) {
    setFont(printing::msSansSerif(8.25, true));
    setStyleSheet(QStringLiteral(
        "QPushButton { background-color: rgb(224, 224, 224); border: 1px solid gray; }"
        "QPushButton:pressed { background-color: rgb(200, 200, 200); }"
        "QPushButton:focus { border: 2px solid black; }"));
}

void CommandButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);
    const QRect area = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    painter.setPen(option.palette.color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                                        QPalette::ButtonText));
    painter.drawText(area, Qt::AlignCenter | Qt::TextWordWrap, caption);
}

} // namespace app
