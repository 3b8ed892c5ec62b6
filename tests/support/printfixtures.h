#pragma once

#include "printing/printservices.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

class GridModel;

// A clock that always tells the same date and time until a test sets another. The texts on a
// printout and the moment now() tells are set apart; by default both say 07.12.2026 9:05.
class FixedClock : public Clock {
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

// The text of a data cell in a journal made by fillJournal(): a short word for the column and
// the row number ("Влад-17"), short enough for any column of the standard journal.
QString journalCell(int row, int col);

// Makes the grid a journal with the standard header and `dataRows` rows of journalCell()
// texts; columns beyond the eighth get empty headers.
void fillJournal(GridModel& grid, int dataRows, int cols = 8);

// What one page of a printed fillJournal() journal must show, checked on the page's text as
// pdftotext finds it: the title (first page), the header captions, exactly the page's own data
// rows and the page label. Returns what is wrong; empty when the page is right.
QStringList journalPageProblems(const QString& pageText, int page, int dataRows,
                                const Clock& clock);
