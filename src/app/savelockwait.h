#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <memory>

class QProgressDialog;
class QWidget;

namespace app {

class BusyCursor;

// The sign of a save waiting for another copy's save to end (which holds the journal folder's
// save lock for a moment, or for as long as its disk is slow): the busy pointer at once, the
// window kept painting, and after a moment a line saying what is awaited, with "Отмена". It lives
// for one save; all of it goes when the object does.
class SaveLockWait {
public:
    explicit SaveLockWait(QWidget& window);
    ~SaveLockWait();

    // Called between attempts at the lock; false once the user pressed "Отмена".
    bool stillWaiting();

    static QString text();

private:
    QWidget& window_;
    QElapsedTimer waited_;
    std::unique_ptr<BusyCursor> busy_;
    QPointer<QProgressDialog> line_;
};

} // namespace app
