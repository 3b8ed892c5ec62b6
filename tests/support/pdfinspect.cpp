#include "support/pdfinspect.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>
#include <pwd.h>
#include <unistd.h>

namespace {

struct Run {
    bool ok = false;
    QString out;
};

Run run(const QString& program, const QStringList& arguments, int timeoutMs = 60000) {
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start();
    if (!process.waitForStarted() || !process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return {process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0,
            QString::fromUtf8(process.readAllStandardOutput())};
}

QString userHome() {
    const passwd* user = getpwuid(getuid());
    return user && user->pw_dir ? QString::fromLocal8Bit(user->pw_dir) : QDir::homePath();
}

QString userName() {
    const passwd* user = getpwuid(getuid());
    return user && user->pw_name ? QString::fromLocal8Bit(user->pw_name) : QString();
}

// The queue's own cups-pdf settings when it has them, else the common ones.
QString cupsPdfSettings(const QString& queue) {
    const QString own = QStringLiteral("/etc/cups/cups-pdf-%1.conf").arg(queue);
    if (QFileInfo::exists(own))
        return own;
    return QStringLiteral("/etc/cups/cups-pdf.conf");
}

QString defaultQueue() {
    const Run answer = run(QStringLiteral("lpstat"), {QStringLiteral("-d")});
    static const QRegularExpression destination(QStringLiteral(":\\s*(\\S+)\\s*$"));
    const QRegularExpressionMatch match = destination.match(answer.out.trimmed());
    return answer.ok && answer.out.contains(QLatin1Char(':')) && match.hasMatch()
               ? match.captured(1)
               : QString();
}

} // namespace

bool PdfPage::isA4() const {
    const double shorter = std::min(points.width(), points.height());
    const double longer = std::max(points.width(), points.height());
    return std::abs(shorter - 595.28) < 1.0 && std::abs(longer - 841.89) < 1.0;
}

bool popplerToolsAvailable() {
    return !QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty() &&
           !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty();
}

QList<PdfPage> pdfPages(const QString& file) {
    const Run info =
        run(QStringLiteral("pdfinfo"), {QStringLiteral("-f"), QStringLiteral("1"),
                                        QStringLiteral("-l"), QStringLiteral("1000000"), file});
    if (!info.ok)
        return {};
    static const QRegularExpression sizeLine(
        QStringLiteral("^Page\\s+(\\d+) size:\\s+([0-9.]+) x ([0-9.]+) pts"),
        QRegularExpression::MultilineOption);
    static const QRegularExpression rotationLine(QStringLiteral("^Page\\s+(\\d+) rot:\\s+(\\d+)"),
                                                 QRegularExpression::MultilineOption);
    QList<PdfPage> pages;
    for (auto it = sizeLine.globalMatch(info.out); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        pages.append({QSizeF(match.captured(2).toDouble(), match.captured(3).toDouble())});
    }
    for (auto it = rotationLine.globalMatch(info.out); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        const qsizetype page = match.captured(1).toInt() - 1;
        if (page >= 0 && page < pages.size() && match.captured(2).toInt() % 180 == 90)
            pages[page].points.transpose();
    }
    return pages;
}

QString collapseSpaces(const QString& text) {
    return text.simplified();
}

QStringList pdfPageTexts(const QString& file) {
    const Run text =
        run(QStringLiteral("pdftotext"),
            {QStringLiteral("-enc"), QStringLiteral("UTF-8"), file, QStringLiteral("-")});
    if (!text.ok)
        return {};
    QStringList pages = text.out.split(QLatin1Char('\f'));
    // pdftotext ends every page, the last one included, with a form feed.
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    for (QString& page : pages)
        page = collapseSpaces(page);
    return pages;
}

QStringList pdfFontNames(const QString& file) {
    const Run fonts = run(QStringLiteral("pdffonts"), {file});
    QStringList names;
    if (!fonts.ok)
        return names;
    static const QRegularExpression subsetTag(QStringLiteral("^[A-Z]{6}\\+"));
    const QStringList lines = fonts.out.split(QLatin1Char('\n'));
    // Two heading lines, then one font a line, its name first.
    for (qsizetype i = 2; i < lines.size(); ++i) {
        const QString name = lines[i].section(QLatin1Char(' '), 0, 0).remove(subsetTag);
        if (!name.isEmpty())
            names << name;
    }
    return names;
}

namespace cupspdf {

QString unavailableReason() {
    if (QStandardPaths::findExecutable(QStringLiteral("lpstat")).isEmpty())
        return QStringLiteral("the CUPS client (lpstat) is not installed");
    const Run scheduler = run(QStringLiteral("lpstat"), {QStringLiteral("-r")});
    if (!scheduler.out.contains(QStringLiteral("is running")))
        return QStringLiteral(
            "the CUPS scheduler (cupsd) is not running; scripts/start-test-printer "
            "starts it where it can");
    const QString queue = defaultQueue();
    if (queue.isEmpty())
        return QStringLiteral("CUPS has no default printer");
    const Run device = run(QStringLiteral("lpstat"), {QStringLiteral("-v"), queue});
    if (!device.out.contains(QStringLiteral("cups-pdf:")))
        return QStringLiteral("the default printer \"%1\" is not a cups-pdf queue; a test does "
                              "not print on paper")
            .arg(queue);
    return {};
}

QStringList outputFolders() {
    QStringList folders;
    QFile settings(cupsPdfSettings(defaultQueue()));
    QString out = QStringLiteral("/var/spool/cups-pdf/${USER}");
    QString anonymous = QStringLiteral("/var/spool/cups-pdf/ANONYMOUS");
    if (settings.open(QIODevice::ReadOnly | QIODevice::Text)) {
        while (!settings.atEnd()) {
            const QString line = QString::fromLocal8Bit(settings.readLine()).trimmed();
            if (line.startsWith(QStringLiteral("Out ")))
                out = line.mid(4).trimmed();
            else if (line.startsWith(QStringLiteral("AnonDirName ")))
                anonymous = line.mid(12).trimmed();
        }
    }
    out.replace(QStringLiteral("${HOME}"), userHome());
    out.replace(QStringLiteral("${USER}"), userName());
    folders << out << anonymous;
    return folders;
}

QString waitForOutput(const QString& titleToken, int timeoutMs) {
    const QStringList folders = outputFolders();
    const QDeadlineTimer deadline(timeoutMs);
    QString candidate;
    qint64 candidateSize = -1;
    while (!deadline.hasExpired()) {
        for (const QString& folder : folders) {
            const QFileInfoList files =
                QDir(folder).entryInfoList({QStringLiteral("*.pdf")}, QDir::Files);
            for (const QFileInfo& file : files) {
                if (!file.fileName().contains(titleToken, Qt::CaseInsensitive))
                    continue;
                // Finished once its size holds still and poppler can read it.
                if (file.filePath() == candidate && file.size() == candidateSize &&
                    !pdfPages(file.filePath()).isEmpty())
                    return file.filePath();
                candidate = file.filePath();
                candidateSize = file.size();
            }
        }
        QThread::msleep(200);
    }
    return {};
}

QString spooledDocument(const QString& output) {
    static const QRegularExpression jobNumber(QStringLiteral("job_(\\d+)"));
    const QRegularExpressionMatch job = jobNumber.match(QFileInfo(output).fileName());
    if (!job.hasMatch())
        return {};
    return QStringLiteral("/var/spool/cups/d%1-001")
        .arg(job.captured(1).toInt(), 5, 10, QLatin1Char('0'));
}

} // namespace cupspdf
