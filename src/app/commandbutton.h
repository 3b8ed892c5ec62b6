#pragma once

#include <QPushButton>

class QToolButton;

namespace app {

// A command button of the window: bold, grey with a black border while it has the focus, its
// caption wrapping onto a second line when it is wider than the button, as the narrow buttons
// need.
class CommandButton : public QPushButton {
    Q_OBJECT
public:
    CommandButton(const QString& caption, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// The window's command buttons in the order of the journal's control table, each at its place.
void createCommandButtons(QWidget& window);

// "Обмен" (CmdExchange), right of "Выход": a small button whose menu holds the commands that
// exchange the register with spreadsheets. Their actions are added to its menu.
QToolButton* createExchangeButton(QWidget& window);

} // namespace app
