#include "app/busycursor.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>

namespace app {

BusyCursor::BusyCursor(bool wanted) {
    // Without a GUI application (a console tool or test) there is no pointer to change.
    if (wanted && qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        active_ = true;
    }
}

BusyCursor::~BusyCursor() {
    if (active_)
        QGuiApplication::restoreOverrideCursor();
}

} // namespace app
