// Starts the main window as the program does, performs one operation through the window's own
// controls and prints its figures as one JSON line. Each run is a fresh process, so every figure
// is what a user meets on the first try after starting the program.
//
// usage: eklz-window-probe [PROGRAM_FOLDER ROWS [open|save|sort|click|print]]
//
// Always:
//   startup_ms     from the launch (EKLZ_LAUNCH_NS, wall-clock nanoseconds, set by whoever starts
//                  the probe; otherwise the entry into main) to the end of the window's first
//                  paint; rss_start_mb the resident memory then.
// Given a program folder holding thisyear.csv and its row count, "Открыть журнал" first:
//   open_ms        the press until the grid has been painted with the register (the end of the
//                  window's repaint, flush included; what the window leaves for after the paint,
//                  such as the repeated numbers' pass, is not counted); open_click_ms
//                  the part spent in the button's handler; rows_opened the data rows the grid
//                  then holds; rss_open_mb and peak_rss_open_mb the resident memory then and its
//                  highest mark (VmHWM) so far.
// Then the operation asked for, if not "open":
//   save           "Сохранить изменения", until the handler has returned and the events it
//                  posted are handled;
//   sort           a click on the header of the owners' column, until the grid is repainted;
//   click          a click on the first row's "Дата актив." cell until the grid is repainted
//                  (click_ms; the editor opens and the block dates are brought up to date),
//                  then a date typed there, key_ms the first key until the editor is repainted,
//                  and Enter until the grid is repainted (edit_ms: the text stored, the block
//                  date filled, the register's state worked out again);
//   print          "Печать" into a PDF file (PROGRAM_FOLDER/journal.pdf), the window's progress
//                  dialog shown page by page, until the handler has returned;
//   as <op>_ms, with peak_rss_mb the highest resident memory of the whole run.
// Every measured span also gives <span>_cpu_ms, the processor time of the whole process in it,
// and <span>_waited_ms, the time the main thread was ready to run but waited for a processor
// (/proc schedstat): on a busy machine wall-clock time less that wait is close to what an idle
// machine would show. At the end, after "Выход" and with the window destroyed, end_ms is the time
// from the launch and run_waited_ms the main thread's whole wait for a processor.
//
// Any message or question from the window is a failure (printed to stderr; exit status 1);
// questions are answered "Да", so that a save goes on and its time is still reported.
#include "app/celleditor.h"
#include "app/gridview.h"
#include "app/journalwindow.h"
#include "app/russian.h"
#include "core/journalcolumns.h"
#include "core/prompter.h"
#include "editing/journalsortkey.h"
#include "model/gridmodel.h"
#include "printing/printservices.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <functional>

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

double processCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// How long the main thread has waited for a processor while ready to run, in milliseconds (the
// second figure of /proc/thread-self/schedstat); 0 where the kernel does not keep it.
double mainThreadWaitedMs() {
    QFile schedstat(QStringLiteral("/proc/thread-self/schedstat"));
    if (!schedstat.open(QIODevice::ReadOnly))
        return 0;
    return schedstat.readAll().split(' ').value(1).toDouble() / 1e6;
}

// The JSON line, built up as the run goes.
class Figures {
public:
    void add(const char* key, double value) {
        text_ += QStringLiteral(", \"%1\": %2").arg(QLatin1String(key)).arg(value, 0, 'f', 3);
    }
    void add(const char* key, int value) {
        text_ += QStringLiteral(", \"%1\": %2").arg(QLatin1String(key)).arg(value);
    }
    void add(const char* key, const QString& value) {
        text_ += QStringLiteral(", \"%1\": \"%2\"").arg(QLatin1String(key), value);
    }
    void print() const { std::printf("{%s}\n", qPrintable(text_.mid(2))); }

private:
    QString text_;
};

// Wall-clock time, processor time and the wait for a processor over one span.
class Span {
public:
    Span() : cpu_(processCpuMs()), waited_(mainThreadWaitedMs()) { clock_.start(); }
    double elapsedMs() const { return double(clock_.nsecsElapsed()) / 1e6; }
    void report(Figures& figures, const QString& name) const {
        figures.add(qPrintable(name + QStringLiteral("_ms")), elapsedMs());
        figures.add(qPrintable(name + QStringLiteral("_cpu_ms")), processCpuMs() - cpu_);
        figures.add(qPrintable(name + QStringLiteral("_waited_ms")),
                    mainThreadWaitedMs() - waited_);
    }

private:
    QElapsedTimer clock_;
    double cpu_;
    double waited_;
};

// Records whatever the window shows or asks; questions are answered "Да", unsaved changes dropped.
class RecordingPrompter : public core::Prompter {
public:
    QString inputBox(const QString& prompt, const QString&) override {
        shown << prompt;
        return {};
    }
    void message(const QString& text) override { shown << text; }
    bool question(const QString& text) override {
        shown << text;
        return true;
    }
    KeepChanges askToKeepChanges(const QString& text) override {
        shown << text;
        return KeepChanges::Discard;
    }
    QStringList shown;
};

// Waits until `widget` has been painted and the window's repaint that painted it is done, flush
// included, and calls `done` then. A repaint the window is asked for is handled inside this
// filter, so that `done` comes with its end, not after what the window does next (work it leaves
// for after the paint). The first paint of a window comes with its exposure instead, and ends
// where an event posted during it, at high priority, is handled. Returns false after `timeoutMs`.
class PaintWaiter : public QObject {
public:
    PaintWaiter(QWidget* widget, std::function<void()> done)
        : widget_(widget), window_(widget->window()), done_(std::move(done)) {
        widget->installEventFilter(this);
        if (window_ != widget)
            window_->installEventFilter(this);
    }
    bool wait(int timeoutMs) {
        QTimer::singleShot(timeoutMs, &loop_, [this] { loop_.exit(1); });
        return finished_ || loop_.exec() == 0;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (finished_)
            return QObject::eventFilter(watched, event);
        if (watched == widget_ && event->type() == QEvent::Paint && !painted_) {
            painted_ = true;
            QCoreApplication::postEvent(this, new QEvent(QEvent::User), Qt::HighEventPriority);
        }
        if (watched != window_ || event->type() != QEvent::UpdateRequest || inside_)
            return QObject::eventFilter(watched, event);
        inside_ = true;
        QCoreApplication::sendEvent(window_, event);
        inside_ = false;
        if (painted_)
            finish();
        return true;
    }
    bool event(QEvent* event) override {
        if (event->type() != QEvent::User)
            return QObject::event(event);
        if (!finished_)
            finish();
        return true;
    }

private:
    void finish() {
        finished_ = true;
        done_();
        loop_.exit(0);
    }

    QWidget* widget_;
    QWidget* window_;
    std::function<void()> done_;
    QEventLoop loop_;
    bool painted_ = false;
    bool inside_ = false;
    bool finished_ = false;
};

// Whether the column's rows are in the order of the journal's sort key: keys compare by
// rank, then number, then collation key (or text), as the grid compares them.
bool sortedByJournalKey(const model::GridModel& grid, int column) {
    for (int r = 1; r < grid.rowCount(); ++r) {
        const QString above = grid.text(r - 1, column);
        const QString here = grid.text(r, column);
        if (above != here && model::compareSortKeys(editing::journalSortKey(above),
                                                    editing::journalSortKey(here)) > 0)
            return false;
    }
    return true;
}

// Runs `action` and reports its span, ended by the repaint of `widget` that follows it; false when
// no repaint came.
bool timedUntilPainted(QWidget* widget, Figures& figures, const QString& name,
                       const std::function<void()>& action) {
    const Span span;
    PaintWaiter repaint(widget, [&] { span.report(figures, name); });
    action();
    return repaint.wait(60000);
}

// A click on the first row's activation date, a new date typed there and Enter: the date stored
// and the row's block date filled from it.
bool clickAndEdit(app::JournalWindow& window, app::GridView& view, Figures& figures) {
    auto& grid = *qobject_cast<model::GridModel*>(view.model());
    const int activation = grid.findColumn(core::ActivationDateHeader).value_or(-1);
    const int blockDate = grid.findColumn(core::BlockDateHeader).value_or(-1);
    if (activation < 0 || blockDate < 0)
        return false;
    const QModelIndex cell = grid.index(0, activation);
    view.scrollTo(cell);
    QCoreApplication::processEvents();
    const bool clicked = timedUntilPainted(view.viewport(), figures, QStringLiteral("click"), [&] {
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, view.visualRect(cell).center());
    });
    auto* editor = window.findChild<app::CellEditor*>(QStringLiteral("txtDataEntry"));
    if (!clicked || !editor || !editor->isOpen())
        return false;
    const QString date = grid.text(0, activation) == QStringLiteral("15.03.2009")
                             ? QStringLiteral("16.03.2009")
                             : QStringLiteral("15.03.2009");
    const QString blockDateBefore = grid.text(0, blockDate);
    const bool keyed = timedUntilPainted(editor, figures, QStringLiteral("key"),
                                         [&] { QTest::keyClick(editor, date.at(0).toLatin1()); });
    QTest::keyClicks(editor, date.mid(1));
    const bool stored = timedUntilPainted(view.viewport(), figures, QStringLiteral("edit"),
                                          [&] { QTest::keyClick(editor, Qt::Key_Return); });
    return keyed && stored && grid.text(0, activation) == date &&
           grid.text(0, blockDate) != blockDateBefore;
}

// The operation asked for, after the register was opened; false when it did not do its work.
bool perform(const QString& operation, app::JournalWindow& window, app::GridView& grid,
             const QString& programFolder, Figures& figures) {
    if (operation == QStringLiteral("save")) {
        const QString path = programFolder + QStringLiteral("/thisyear.csv");
        const qint64 size = QFileInfo(path).size();
        const Span span;
        window.findChild<QPushButton*>(QStringLiteral("CmdSave"))->click();
        QCoreApplication::processEvents();
        span.report(figures, operation);
        return QFileInfo(path).size() == size;
    }
    if (operation == QStringLiteral("sort")) {
        QHeaderView* header = grid.horizontalHeader();
        const QPoint centre(header->sectionViewportPosition(core::Owner) +
                                header->sectionSize(core::Owner) / 2,
                            header->height() / 2);
        const bool painted = timedUntilPainted(grid.viewport(), figures, operation, [&] {
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, centre);
        });
        return painted && window.isModified() &&
               sortedByJournalKey(*qobject_cast<model::GridModel*>(grid.model()), core::Owner);
    }
    if (operation == QStringLiteral("click"))
        return clickAndEdit(window, grid, figures);
    if (operation == QStringLiteral("print")) {
        const QString path = programFolder + QStringLiteral("/journal.pdf");
        QFile::remove(path);
        const Span span;
        window.findChild<QPushButton*>(QStringLiteral("CmdPrint"))->click();
        QCoreApplication::processEvents();
        span.report(figures, operation);
        return QFileInfo(path).size() > 0;
    }
    return operation == QStringLiteral("open");
}

} // namespace

int main(int argc, char* argv[]) {
    const qint64 entered = wallClockNs();
    const QByteArray launchText = qgetenv("EKLZ_LAUNCH_NS");
    const qint64 launch = launchText.isEmpty() ? entered : launchText.toLongLong();

    QApplication application(argc, argv);
    app::installRussianTranslations(application);
    const QStringList arguments = QCoreApplication::arguments();
    const QString programFolder = arguments.value(1);
    const int rows = arguments.value(2).toInt();
    const QString operation = arguments.value(3, QStringLiteral("open"));

    Figures figures;
    int status = 0;
    auto prompter = std::make_shared<RecordingPrompter>();
    {
        app::WindowServices services;
        services.journalFolder = programFolder;
        services.prompter = prompter;
        services.endProgram = [] {};
        if (operation == QStringLiteral("print"))
            services.printer = std::make_shared<printing::PdfFilePrinterProvider>(
                programFolder + QStringLiteral("/journal.pdf"));
        app::JournalWindow window(std::move(services));
        PaintWaiter firstPaint(&window, [&] {
            figures.add("startup_ms", double(wallClockNs() - launch) / 1e6);
            figures.add("rss_start_mb", statusMegabytes("VmRSS"));
        });
        window.show();
        if (!firstPaint.wait(10000)) {
            std::fprintf(stderr, "eklz-window-probe: the window was never painted\n");
            return 1;
        }
        figures.add("platform", QGuiApplication::platformName());
        figures.add("operation", operation);

        if (!programFolder.isEmpty()) {
            auto* gridView = window.findChild<app::GridView*>(QStringLiteral("MSFGAZ"));
            const Span span;
            PaintWaiter gridPaint(gridView->viewport(),
                                  [&] { span.report(figures, QStringLiteral("open")); });
            window.findChild<QPushButton*>(QStringLiteral("CmdZagruz"))->click();
            figures.add("open_click_ms", span.elapsedMs());
            const bool painted = gridPaint.wait(60000);
            const int opened = qobject_cast<model::GridModel*>(gridView->model())->rowCount();
            figures.add("rows_opened", opened);
            figures.add("rss_open_mb", statusMegabytes("VmRSS"));
            figures.add("peak_rss_open_mb", statusMegabytes("VmHWM"));
            if (!painted || opened != rows) {
                std::fprintf(stderr, "eklz-window-probe: %d of %d rows opened%s\n", opened, rows,
                             painted ? "" : ", the grid never painted");
                status = 1;
            }
            if (!perform(operation, window, *gridView, programFolder, figures)) {
                std::fprintf(stderr, "eklz-window-probe: %s did not do its work\n",
                             qPrintable(operation));
                status = 1;
            }
            figures.add("peak_rss_mb", statusMegabytes("VmHWM"));
        }
        // "Выход", as a user ends the program (after a change it only shows the exit prompt).
        window.findChild<QPushButton*>(QStringLiteral("CmdProd"))->click();
    }
    for (const QString& text : prompter->shown) {
        std::fprintf(stderr, "eklz-window-probe: shown: %s\n", qPrintable(text));
        status = 1;
    }
    figures.add("end_ms", double(wallClockNs() - launch) / 1e6);
    figures.add("run_waited_ms", mainThreadWaitedMs());
    figures.print();
    std::fflush(stdout);
    return status;
}
