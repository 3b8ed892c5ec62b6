#include "support/randomruns.h"

#include <QWidget>
#include <algorithm>
#include <csignal>
#include <cstring>
#include <unistd.h>

namespace {

char crashNote[8192];
std::size_t crashNoteLength = 0;
struct sigaction previousHandlers[32];
constexpr int FatalSignals[] = {SIGSEGV, SIGABRT, SIGBUS, SIGFPE, SIGILL};

void tellCrash(int signal) {
    [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, crashNote, crashNoteLength);
    sigaction(signal, &previousHandlers[signal], nullptr);
    raise(signal); // delivered to Qt Test's handler once this one returns
}

} // namespace

int environmentNumber(const char* name, int fallback) {
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(name, &ok);
    return ok ? value : fallback;
}

void watchForCrashes() {
    struct sigaction action = {};
    action.sa_handler = tellCrash;
    sigemptyset(&action.sa_mask);
    for (int signal : FatalSignals)
        sigaction(signal, &action, &previousHandlers[signal]);
}

void noteForCrash(const QByteArray& text) {
    crashNoteLength = std::min(sizeof(crashNote), std::size_t(text.size()));
    std::memcpy(crashNote, text.constData(), crashNoteLength);
}

QString widgetName(const QWidget* widget) {
    if (!widget)
        return QStringLiteral("nothing");
    const QString name = widget->objectName();
    if (!name.isEmpty() && !name.startsWith(QLatin1String("qt_")))
        return name;
    const QString kind = QLatin1String(widget->metaObject()->className());
    return widget->parentWidget()
               ? kind + QStringLiteral(" of ") + widgetName(widget->parentWidget())
               : kind;
}
