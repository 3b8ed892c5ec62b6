#pragma once

#include "core/memory.h"

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// Importing a register from a spreadsheet: the first sheet of an .xlsx or .ods file, or a .csv a
// spreadsheet wrote (read as a journal file), made into a journal's rows.

namespace exchange {

struct ImportedJournal {
    // The data rows, all as wide: the journal's eight columns first, then the sheet's other
    // columns.
    QList<QStringList> rows;
    // The captions the header row gave the columns after the eighth (none without a header row).
    QStringList extraCaptions;
    bool headerRow = false; // whether the first row held the captions
    // What could not come over as it was: the first ones word for word, and how many in all.
    QStringList problems;
    qsizetype problemCount = 0;
};

struct ImportOutcome {
    std::optional<QString> refusal; // why nothing was imported
    ImportedJournal journal;
    bool ok() const { return !refusal; }
};

// The file at path, by its content: a zip holding a workbook (.xlsx) or a spreadsheet (.ods);
// otherwise, when its name ends in ".csv" or ".txt", a journal file. Anything else, a file that
// cannot be read, a damaged, cut short or password-protected file, and a sheet without a filled
// cell are refused. Never throws. The import may fill the memory the machine has free.
ImportOutcome importFile(const QString& path);
// The same for a spreadsheet's bytes (.xlsx or .ods).
ImportOutcome importSpreadsheet(QByteArrayView bytes,
                                qsizetype memoryBudget = core::availableMemory());

// The one message after an import that found problems: the first `shown` of them, then how many
// more there are.
QString problemsMessage(const QStringList& problems, qsizetype count, int shown = 10);

} // namespace exchange
