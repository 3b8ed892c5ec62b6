#include "app/savelockwait.h"

#include "app/busycursor.h"

#include <QCoreApplication>
#include <QProgressDialog>

namespace app {

namespace {

// A wait shorter than this is a flicker; the busy pointer says enough.
constexpr qint64 QuietWaitMs = 400;

} // namespace

SaveLockWait::SaveLockWait(QWidget& window) : window_(window) {}

SaveLockWait::~SaveLockWait() {
    delete line_.data();
}

QString SaveLockWait::text() {
    return QStringLiteral("Журнал сейчас сохраняет другой пользователь. Сохранение продолжится, "
                          "как только он закончит.");
}

bool SaveLockWait::stillWaiting() {
    if (!busy_) {
        busy_ = std::make_unique<BusyCursor>();
        waited_.start();
    }
    if (!line_ && waited_.elapsed() >= QuietWaitMs) {
        line_ = new QProgressDialog(text(), QStringLiteral("Отмена"), 0, 0, &window_);
        line_->setObjectName(QStringLiteral("SaveLockWait"));
        line_->setWindowTitle(QStringLiteral("Журнал учета ЭКЛЗ"));
        line_->setWindowModality(Qt::WindowModal);
        line_->setMinimumDuration(0);
        line_->show();
    }
    // The modal line keeps the user's input from the window; before it shows, input waits.
    QCoreApplication::processEvents(line_ ? QEventLoop::AllEvents
                                          : QEventLoop::ExcludeUserInputEvents);
    return !line_ || !line_->wasCanceled();
}

} // namespace app
