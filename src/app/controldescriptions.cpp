#include "app/controldescriptions.h"

#include "app/gridview.h"

#include <QLineEdit>
#include <QPushButton>

namespace app {

void describeControls(QWidget& window, GridView& grid, QLineEdit& inputLine, QLineEdit& editor) {
    grid.setAccessibleName(QStringLiteral("Журнал ЭКЛЗ"));
    grid.setAccessibleDescription(
        QStringLiteral("Строки журнала: владелец, модель и номер ККМ, заводской и регистрационный "
                       "номера ЭКЛЗ, даты активации и блокировки, механик"));
    inputLine.setAccessibleName(QStringLiteral("Ввод в текущую ячейку"));
    inputLine.setPlaceholderText(QStringLiteral("Ввод в текущую ячейку"));
    editor.setAccessibleName(QStringLiteral("Правка ячейки"));
    for (QPushButton* button :
         window.findChildren<QPushButton*>(QString(), Qt::FindDirectChildrenOnly))
        button->setAccessibleName(button->text().trimmed());
}

void orderTabs(QWidget& window, QWidget& inputLine, QWidget& grid, QWidget& editor) {
    const auto button = [&](const char* name) {
        return window.findChild<QPushButton*>(QString::fromLatin1(name),
                                              Qt::FindDirectChildrenOnly);
    };
    const QList<QWidget*> order = {&inputLine,
                                   button("CmdProd"),
                                   &grid,
                                   button("CmdDelC"),
                                   button("CmdDelS"),
                                   button("CmdAddC"),
                                   button("CmdAddS"),
                                   button("CmdZArch"),
                                   button("CmdZagruz"),
                                   button("CmdSortC"),
                                   button("CmdSave"),
                                   button("CmdEdit"),
                                   button("CmdSearh"),
                                   &editor,
                                   button("CmdSaveAs"),
                                   button("CmdPrint"),
                                   window.findChild<QWidget*>(QStringLiteral("CmbFilter")),
                                   window.findChild<QWidget*>(QStringLiteral("CmdExchange"))};
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

} // namespace app
