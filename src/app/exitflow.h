#pragma once

#include <QObject>
#include <functional>

class QDialog;
class QWidget;

namespace app {

// Leaving the program. "Выход" and the title bar's close end at once while the grid was neither
// clicked nor changed since start, and otherwise ask first, so that no change is lost by the way
// the user leaves. The exit prompt (Dialog), a small window asking "СОХРАНИТЬ ИЗМЕНЕНИЯ?", is not
// modal: the main window stays usable while it is open. ДА saves and ends, unless the save failed
// (its message already shown), НЕТ ends without saving, НАЗАД closes the prompt.
class ExitFlow : public QObject {
    Q_OBJECT
public:
    // The prompt is a child of `window`. `save` returns false when nothing was written;
    // `endProgram` ends the program.
    ExitFlow(QWidget& window, std::function<bool()> save, std::function<void()> endProgram);

    // Whether the grid was clicked or changed since start: leaving then asks first.
    bool isModified() const { return modified_; }
    void markModified() { modified_ = true; }

    void requestExit();
    // The title bar's close: true when the window may close (the program is ending or ends now),
    // false when the prompt asks first.
    bool closeRequested();

Q_SIGNALS:
    // Before leaving is judged: the window stores an open edit, which counts as a change.
    void aboutToLeave();
    // The program ends: the window keeps its settings.
    void aboutToEnd();

private:
    void end();

    QDialog* prompt_;
    std::function<bool()> save_;
    std::function<void()> endProgram_;
    bool modified_ = false;
    bool ending_ = false;
};

} // namespace app
