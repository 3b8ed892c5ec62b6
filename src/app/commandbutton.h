#pragma once

#include <QPushButton>

class QToolButton;

namespace app {

// The window's command buttons in the order of the journal's control table, each at its place,
// then "Обмен".
void createCommandButtons(QWidget& window);
QPushButton* commandButton(const QWidget& window, const char* name);

// "Обмен" (CmdExchange), whose menu the commands add their actions to.
QToolButton* exchangeButton(const QWidget& window);
// The window width that has room for "Обмен" right of "Выход".
int exchangeButtonRoom(const QWidget& window);
// Puts "Обмен" right of "Выход" where the window has room for it there, else at the right end of
// the strip under the grid that ends at `right` (at `top`, `height` high). Returns the width it
// takes from that strip: none when it sits above.
int placeExchangeButton(QWidget& window, int right, int top, int height);

} // namespace app
