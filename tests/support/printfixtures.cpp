#include "support/printfixtures.h"

#include "core/journalcolumns.h"
#include "model/gridmodel.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>
#include <algorithm>
#include <cmath>
#include <pwd.h>
#include <unistd.h>

namespace {

// The program's output when it ran to a good end; empty otherwise.
QString run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

QString journalCell(int row, int col) {
    return QStringLiteral("Я%1-%2").arg(col).arg(row);
}

void fillJournal(model::GridModel& grid, int dataRows, int cols) {
    grid.setHeaderFormat(core::headerFormat());
    QStringList captions;
    for (int col = 0; col < cols; ++col)
        captions.append(col < grid.columnCount() ? grid.caption(col) : QString());
    QList<QStringList> rows;
    for (int row = 1; row <= dataRows; ++row) {
        QStringList& cells = rows.emplace_back();
        for (int col = 0; col < cols; ++col)
            cells.append(journalCell(row, col));
    }
    grid.replaceCells(captions, std::move(rows));
}

bool popplerToolsAvailable() {
    return !QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty() &&
           !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty();
}

QList<QSizeF> pdfPageSizes(const QString& file) {
    static const QRegularExpression size(QStringLiteral("^Page +\\d+ size: +([0-9.]+) x ([0-9.]+)"),
                                         QRegularExpression::MultilineOption);
    const QString info =
        run(QStringLiteral("pdfinfo"), {QStringLiteral("-l"), QStringLiteral("99999"), file});
    QList<QSizeF> pages;
    for (auto it = size.globalMatch(info); it.hasNext();) {
        const QRegularExpressionMatch page = it.next();
        pages.append(QSizeF(page.captured(1).toDouble(), page.captured(2).toDouble()));
    }
    return pages;
}

QStringList pdfPageTexts(const QString& file) {
    const QStringList arguments{QStringLiteral("-enc"), QStringLiteral("UTF-8"), file,
                                QStringLiteral("-")};
    QStringList pages = run(QStringLiteral("pdftotext"), arguments).split(QLatin1Char('\f'));
    pages.removeLast(); // after the form feed that ends every page
    for (QString& page : pages)
        page = page.simplified();
    return pages;
}

bool isA4(QSizeF points) {
    const QSizeF portrait = points.width() > points.height() ? points.transposed() : points;
    return std::abs(portrait.width() - 595.28) < 1 && std::abs(portrait.height() - 841.89) < 1;
}

namespace cupspdf {

QString unavailableReason() {
    // "system default destination: NAME"; nothing where no scheduler answers.
    const QString queue = run(QStringLiteral("lpstat"), {QStringLiteral("-d")})
                              .section(QLatin1Char(':'), 1)
                              .trimmed();
    if (queue.isEmpty() || !run(QStringLiteral("lpstat"), {QStringLiteral("-v"), queue})
                                .contains(QStringLiteral("cups-pdf:")))
        return QStringLiteral("the default printer (%1) is not a cups-pdf queue of a running CUPS "
                              "scheduler; scripts/start-test-printer sets one up where it can")
            .arg(queue.isEmpty() ? QStringLiteral("none") : queue);
    return {};
}

QString waitForOutput(const QString& titleToken, int timeoutMs) {
    // Debian's cups-pdf leaves them in the PDF folder of the user's home.
    const passwd* user = getpwuid(getuid());
    const QDir folder((user ? QString::fromLocal8Bit(user->pw_dir) : QDir::homePath()) +
                      QStringLiteral("/PDF"));
    const QStringList pattern{QLatin1Char('*') + titleToken + QStringLiteral("*.pdf")};
    QString seen;
    qint64 seenSize = -1;
    for (const QDeadlineTimer deadline(timeoutMs); !deadline.hasExpired(); QThread::msleep(200)) {
        for (const QFileInfo& file : folder.entryInfoList(pattern, QDir::Files)) {
            // Finished once its size holds still and poppler can read it.
            if (file.filePath() == seen && file.size() == seenSize && !pdfPageSizes(seen).isEmpty())
                return seen;
            seen = file.filePath();
            seenSize = file.size();
        }
    }
    return {};
}

} // namespace cupspdf
