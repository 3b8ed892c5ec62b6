#pragma once

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QtGlobal>

// Made-up but lifelike journals for measuring the program on registers of any length: Cyrillic
// owners, cash register models and numbers, EKLZ serial and registration numbers, activation
// dates with their block dates, and mechanics. The same seed always gives the same journal.
namespace bench {

// The eight cells of a journal row, in file order.
constexpr int JournalFields = 8;

class JournalGenerator {
public:
    explicit JournalGenerator(quint64 seed);

    // The next row's eight cell texts. Every row has an activation date, so a block-date pass
    // reaches every row; rows are not in date order, as in a register kept over years.
    QList<QString> nextRow();

    // `rows` rows, their cells one after another (rows × 8 texts).
    QList<QString> rows(int rows);

private:
    quint64 next();
    int below(int bound);
    const QString& pick(const QList<QString>& choices);
    QString digits(int count);
    QString owner();
    QString person();

    quint64 state_;
};

// A journal file as the program writes it: every cell followed by ";", every line ended by
// CR LF, in Windows-1251.
QByteArray journalFileBytes(const QList<QString>& cells);

// Generates `rows` rows from `seed` and writes them to `path`. False when the file cannot be
// written.
bool writeGeneratedJournal(const QString& path, int rows, quint64 seed);

} // namespace bench
