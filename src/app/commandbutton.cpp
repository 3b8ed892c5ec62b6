#include "app/commandbutton.h"

#include "app/twips.h"
#include "printing/fonts.h"

#include <QAction>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QToolButton>
#include <algorithm>

namespace app {

namespace {

// A command button of the window: bold, grey with a black border while it has the focus, its
// caption wrapping onto a second line when it is wider than the button, as the narrow buttons
// need.
class CommandButton : public QPushButton {
public:
    CommandButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {
        setFont(printing::msSansSerif(8.25, true));
        setStyleSheet(QStringLiteral(
            "QPushButton { background-color: rgb(224, 224, 224); border: 1px solid gray; }"
            "QPushButton:pressed { background-color: rgb(200, 200, 200); }"
            "QPushButton:focus { border: 2px solid black; }"));
    }

protected:
    void paintEvent(QPaintEvent*) override {
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
};

// "Обмен" keeps this distance to "Выход" and to the window's right edge.
constexpr int ExchangeGap = 60;
constexpr int ExchangeEdge = 120;
constexpr int ExchangeLeastWidth = 420;

// Alt+J, the key of "О" on a Latin layout: Qt matches the mnemonic Alt+О only where the layout
// gives "О". Not a shortcut of its own: where a Russian and a Latin layout are both loaded, Qt
// would match both to Alt+О, find them ambiguous and open nothing.
class LatinMnemonic : public QObject {
public:
    explicit LatinMnemonic(QToolButton& button) : QObject(&button), button_(button) {
        QCoreApplication::instance()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        const auto* widget = qobject_cast<QWidget*>(watched);
        if (key->key() != Qt::Key_J || key->modifiers() != Qt::AltModifier || !widget ||
            widget->window() != button_.window() || !button_.isVisible() || !button_.isEnabled())
            return false;
        QMetaObject::invokeMethod(&button_, &QToolButton::showMenu, Qt::QueuedConnection);
        return true;
    }

private:
    QToolButton& button_;
};

QRect exchangePlaceRightOfExit(const QWidget& window, const QToolButton& button) {
    const QRect exit = commandButton(window, "CmdProd")->geometry();
    const int width =
        std::max(button.sizeHint().width(), twips::toPixels(&window, ExchangeLeastWidth));
    return {exit.right() + 1 + twips::toPixels(&window, ExchangeGap), exit.top(), width,
            exit.height()};
}

// "Обмен" (CmdExchange): a button whose menu holds the exchange with spreadsheets and the
// journal folder; the commands add their actions to its menu. Tab reaches it, Space, F10 and
// Alt+О (the underlined letter) open the menu, and so does Alt+J, the same key on a Latin layout.
// Right of "Выход", above the grid's right margin: no control of the journal's table moves.
void createExchangeButton(QWidget& window) {
    auto* button = new QToolButton(&window);
    button->setObjectName(QStringLiteral("CmdExchange"));
    button->setText(QStringLiteral("&Обмен"));
    button->setPopupMode(QToolButton::InstantPopup);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setFocusPolicy(Qt::StrongFocus);
    button->setFont(printing::msSansSerif(8.25, true));
    button->setStyleSheet(
        QStringLiteral("QToolButton { background-color: rgb(224, 224, 224); border: 1px solid gray;"
                       " padding: 0px 14px 0px 4px; }"
                       "QToolButton:pressed { background-color: rgb(200, 200, 200); }"
                       "QToolButton:focus { border: 2px solid black; }"
                       "QToolButton::menu-indicator { subcontrol-origin: padding;"
                       " subcontrol-position: center right; right: 3px; }"));
    button->setToolTip(QStringLiteral("Обмен с электронными таблицами, папка журналов (F10)"));
    button->setAccessibleName(QStringLiteral("Обмен"));
    button->setMenu(new QMenu(button));
    // The menu is opened after the key's event, so that the shortcut returns first.
    auto* open = new QAction(&window);
    open->setObjectName(QStringLiteral("ActExchangeMenu"));
    open->setShortcut(QKeySequence(Qt::Key_F10));
    open->setShortcutContext(Qt::WindowShortcut);
    QObject::connect(open, &QAction::triggered, button, &QToolButton::showMenu,
                     Qt::QueuedConnection);
    window.addAction(open);
    new LatinMnemonic(*button);
    button->setGeometry(exchangePlaceRightOfExit(window, *button));
}

} // namespace

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
    createExchangeButton(window);
}

QPushButton* commandButton(const QWidget& window, const char* name) {
    return window.findChild<QPushButton*>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly);
}

QToolButton* exchangeButton(const QWidget& window) {
    return window.findChild<QToolButton*>(QStringLiteral("CmdExchange"),
                                          Qt::FindDirectChildrenOnly);
}

int exchangeButtonRoom(const QWidget& window) {
    return exchangePlaceRightOfExit(window, *exchangeButton(window)).right() + 1 +
           twips::toPixels(&window, ExchangeEdge);
}

int placeExchangeButton(QWidget& window, int right, int top, int height) {
    QToolButton& button = *exchangeButton(window);
    if (window.width() >= exchangeButtonRoom(window)) {
        button.setGeometry(exchangePlaceRightOfExit(window, button));
        return 0;
    }
    const int width = button.sizeHint().width();
    button.setGeometry(
        right + 1 - width, top, width,
        std::max(button.fontMetrics().height(), std::min(button.sizeHint().height(), height)));
    return width + twips::toPixels(&window, ExchangeGap);
}

} // namespace app
