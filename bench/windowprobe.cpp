// Starts the main window exactly as the program does and prints, as one JSON line:
//   startup_ms   from the launch (EKLZ_LAUNCH_NS, wall-clock nanoseconds, set by whoever starts
//                this probe; otherwise the entry into main) to the end of the window's first paint;
//   rss_start_mb resident memory then;
// and, given a program folder holding thisyear.csv and the register's row count,
//   open_ms      pressing "Открыть журнал" until the grid has been painted with the register;
//   open_click_ms the part of it spent in the button's handler, before the repaint;
//   rows_opened  the data rows the grid then holds (must equal the row count);
//   rss_open_mb  resident memory with the register open in the window; peak_rss_mb the highest.
// usage: eklz-window-probe [PROGRAM_FOLDER ROWS]
#include "app/gridview.h"
#include "app/journalwindow.h"
#include "core/prompter.h"
#include "model/gridmodel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QPushButton>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <optional>

namespace {

qint64 wallClockNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// A figure from /proc/self/status ("VmRSS", "VmHWM") in megabytes.
double statusMegabytes(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return -1;
}

// Nothing must be asked or shown while the probe runs: a question or message is a failure.
class RecordingPrompter : public Prompter {
public:
    QString inputBox(const QString& prompt, const QString&) override {
        shown << prompt;
        return {};
    }
    void message(const QString& text) override { shown << text; }
    bool question(const QString& text) override {
        shown << text;
        return false;
    }
    QStringList shown;
};

// Waits until `widget` has been painted and the paint has been handed on (the queued call runs
// after the whole repaint of the window, flush included). Returns false after `timeoutMs`.
class PaintWaiter : public QObject {
public:
    explicit PaintWaiter(QWidget* widget) { widget->installEventFilter(this); }
    bool wait(int timeoutMs) {
        QTimer::singleShot(timeoutMs, &loop_, [this] { loop_.exit(1); });
        return painted_ || loop_.exec() == 0;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !painted_) {
            painted_ = true;
            QMetaObject::invokeMethod(
                &loop_, [this] { loop_.exit(0); }, Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QEventLoop loop_;
    bool painted_ = false;
};

} // namespace

int main(int argc, char* argv[]) {
    const qint64 entered = wallClockNs();
    const QByteArray launchText = qgetenv("EKLZ_LAUNCH_NS");
    const qint64 launch = launchText.isEmpty() ? entered : launchText.toLongLong();

    QApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const QString programFolder = arguments.value(1);
    const int rows = arguments.value(2).toInt();

    auto prompter = std::make_shared<RecordingPrompter>();
    WindowServices services;
    services.programFolder = programFolder;
    services.prompter = prompter;
    services.endProgram = [] {};
    JournalWindow window(std::move(services));
    PaintWaiter firstPaint(&window);
    window.show();
    if (!firstPaint.wait(10000)) {
        std::fprintf(stderr, "eklz-window-probe: the window was never painted\n");
        return 1;
    }
    const double startupMs = double(wallClockNs() - launch) / 1e6;
    const double rssStart = statusMegabytes("VmRSS");
    std::printf("{\"startup_ms\": %.3f, \"rss_start_mb\": %.2f, \"platform\": \"%s\"", startupMs,
                rssStart, qPrintable(QGuiApplication::platformName()));

    int status = 0;
    if (!programFolder.isEmpty()) {
        auto* gridView = window.findChild<GridView*>(QStringLiteral("MSFGAZ"));
        PaintWaiter gridPaint(gridView->viewport());
        QElapsedTimer clock;
        clock.start();
        window.findChild<QPushButton*>(QStringLiteral("CmdZagruz"))->click();
        const double clickMs = double(clock.nsecsElapsed()) / 1e6;
        const bool painted = gridPaint.wait(5000);
        const double openMs = double(clock.nsecsElapsed()) / 1e6;
        const int opened = qobject_cast<GridModel*>(gridView->model())->rows() - 1;
        std::printf(", \"open_ms\": %.3f, \"open_click_ms\": %.3f, \"rows_opened\": %d, "
                    "\"rss_open_mb\": %.2f, \"peak_rss_mb\": %.2f",
                    openMs, clickMs, opened, statusMegabytes("VmRSS"), statusMegabytes("VmHWM"));
        if (!painted || opened != rows || !prompter->shown.isEmpty())
            status = 1;
        for (const QString& text : prompter->shown)
            std::fprintf(stderr, "eklz-window-probe: shown: %s\n", qPrintable(text));
    }
    std::printf("}\n");
    std::fflush(stdout);
    return status;
}
