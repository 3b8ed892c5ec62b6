#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace app {

// The small window that asks "СОХРАНИТЬ ИЗМЕНЕНИЯ?" when the user leaves after changes.
// It is not modal: the main window stays usable while it is open.
class ExitPrompt : public QDialog {
    Q_OBJECT
public:
    explicit ExitPrompt(QWidget* parent = nullptr);

    // Shows the prompt, or brings it to the front when it is already open.
    void present();

Q_SIGNALS:
    void saveRequested();    // "ДА"
    void discardRequested(); // "НЕТ"

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QPushButton* addButton(const char* name, const QString& caption, int top);
};

} // namespace app
