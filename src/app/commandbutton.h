#pragma once

#include <QPushButton>

// A push button whose caption wraps onto a second line when it is wider than the button,
// as the window's narrow command buttons need.
class CommandButton : public QPushButton {
    Q_OBJECT
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent* event) override;
};
