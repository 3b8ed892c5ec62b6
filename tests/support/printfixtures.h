#pragma once

#include "core/clock.h"
#include "printing/journalprintout.h"
#include "printing/printservices.h"

#include <QDateTime>
#include <QList>
#include <QSizeF>
#include <QString>
#include <QStringList>

namespace model {
class GridModel;
}

// A clock that always tells the same date and time until a test sets another. The texts on a
// printout and the moment now() tells are set apart; by default both say 07.12.2026 9:05.
class FixedClock : public core::Clock {
public:
    FixedClock(QString date = QStringLiteral("07.12.2026"), QString time = QStringLiteral("9:05"))
        : date_(std::move(date)), time_(std::move(time)) {}
    QString date() const override { return date_; }
    QString time() const override { return time_; }
    QDateTime now() const override { return now_; }
    void setNow(QDateTime now) { now_ = std::move(now); }
    // Today at the time of day now() already tells.
    void setToday(QDate today) { now_ = QDateTime(today, now_.time()); }

private:
    QString date_;
    QString time_;
    QDateTime now_{QDate(2026, 12, 7), QTime(9, 5)};
};

// A data cell of a fillJournal() journal: its column and row ("Я3-17").
QString journalCell(int row, int col);
// Makes the grid a journal with the standard header (empty past the eighth column) and
// `dataRows` rows of journalCell() texts.
void fillJournal(model::GridModel& grid, int dataRows, int cols = 8);

// Writes a printout's progress down and stops it after a given page.
class ScriptedProgress : public printing::PrintProgress {
public:
    int stopAfterPage = 0;
    int started = -1;
    QList<int> pagesDone;
    int finished = 0;
    void start(int pageCount) override { started = pageCount; }
    bool pageDone(int done) override {
        pagesDone.append(done);
        return done != stopAfterPage;
    }
    void finish() override { ++finished; }
};

// What poppler's tools (pdfinfo, pdftotext) find in a PDF file: the page sizes in points, none
// when the file cannot be read, and the text of each page, runs of white space as one space.
bool popplerToolsAvailable();
QList<QSizeF> pdfPageSizes(const QString& file);
QStringList pdfPageTexts(const QString& file);
bool isA4(QSizeF points); // either way round, to a point

// The local CUPS scheduler with a cups-pdf queue as its default printer, which turns every job
// into a PDF file instead of paper.
namespace cupspdf {

// Why a real print cannot be made here; empty when it can. A default printer that is not a
// cups-pdf queue counts as unavailable, so that a test never prints on paper.
QString unavailableReason();
// The finished file of the job whose title has `titleToken`; empty when none came in time.
QString waitForOutput(const QString& titleToken, int timeoutMs);

} // namespace cupspdf
