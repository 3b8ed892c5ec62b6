#pragma once

#include <QPushButton>

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

} // namespace app
