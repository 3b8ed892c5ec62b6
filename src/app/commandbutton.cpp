#include "app/commandbutton.h"

#include "app/twips.h"
#include "printing/fonts.h"

#include <QMenu>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QToolButton>

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

void createCommandButtons(QWidget& window) {
    struct Place {
        const char* name;
        const char* caption;
        int left, top, width, height;
    };
    static const Place places[] = {
        {"CmdDelC", "Удалить колонку", 480, 120, 1095, 615},
        {"CmdAddC", "Добавить колонку", 480, 720, 1095, 615},
        {"CmdDelS", " Удалить строку", 1560, 120, 1095, 615},
        {"CmdAddS", "Добавить строку", 1560, 720, 1095, 615},
        {"CmdSortC", "Переместить колонки", 2640, 120, 1335, 615},
        {"CmdSearh", "Поиск", 2640, 720, 1335, 615},
        {"CmdZArch", "Загрузить архив", 3960, 120, 1335, 615},
        {"CmdZagruz", "Открыть журнал", 3960, 720, 1335, 615},
        {"CmdSaveAs", "Сохранить как", 5280, 120, 1335, 615},
        {"CmdSave", "Сохранить изменения", 5280, 720, 1335, 615},
        {"CmdEdit", "Ввод", 6840, 120, 855, 615},
        {"CmdPrint", "Печать", 7920, 120, 855, 615},
        {"CmdProd", "Выход", 9120, 120, 855, 615},
    };
    for (const Place& place : places) {
        auto* button = new CommandButton(QString::fromUtf8(place.caption), &window);
        button->setObjectName(QString::fromLatin1(place.name));
        button->setGeometry(
            twips::toPixels(&window, place.left, place.top, place.width, place.height));
    }
}

// In the strip right of "Выход" that the grid's margin leaves free above it: no control of the
// journal's table moves.
QToolButton* createExchangeButton(QWidget& window) {
    auto* button = new QToolButton(&window);
    button->setObjectName(QStringLiteral("CmdExchange"));
    button->setArrowType(Qt::DownArrow);
    button->setPopupMode(QToolButton::InstantPopup);
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    button->setFocusPolicy(Qt::NoFocus);
    button->setToolTip(QStringLiteral("Обмен с электронными таблицами"));
    button->setAccessibleName(QStringLiteral("Обмен"));
    button->setMenu(new QMenu(button));
    button->setGeometry(twips::toPixels(&window, 10035, 120, 420, 615));
    return button;
}

} // namespace app
