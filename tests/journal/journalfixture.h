#pragma once

#include "app/gridmodel.h"
#include "journal/journalcharset.h"
#include "journal/journalcolumns.h"
#include "journal/journalfiles.h"
#include "support/scriptedprompter.h"
#include "support/tempfolder.h"

#include <QDateTime>
#include <QStringList>

// A program folder with its grid, scripted prompts and journal operations, for the tests of
// opening and saving journal files.
namespace journaltest {

using Rows = QList<QStringList>;

// A journal file as the program writes it, built here cell by cell.
inline QByteArray journalFile(const Rows& rows) {
    QByteArray bytes;
    for (const QStringList& cells : rows) {
        for (int c = 0; c < journal::FileColumns; ++c)
            bytes += journal::encodeWindows1251(cells.value(c)) + ';';
        bytes += "\r\n";
    }
    return bytes;
}

inline Rows padded(Rows rows, int cols = journal::FileColumns) {
    for (QStringList& cells : rows)
        while (cells.size() < cols)
            cells << QString();
    return rows;
}

// The data rows, every column.
inline Rows dataRows(const GridModel& grid) {
    Rows rows;
    for (int r = 1; r < grid.rows(); ++r) {
        rows << QStringList();
        for (int c = 0; c < grid.cols(); ++c)
            rows.last() << grid.textMatrix(r, c);
    }
    return rows;
}

// The data rows, columns 0 .. 7: what a save keeps.
inline Rows writtenColumns(const GridModel& grid) {
    Rows rows;
    for (int r = 1; r < grid.rows(); ++r) {
        rows << QStringList();
        for (int c = 0; c < journal::FileColumns; ++c)
            rows.last() << (c < grid.cols() ? grid.textMatrix(r, c) : QString());
    }
    return rows;
}

// Backups are stamped from 01.03.2024 14:05:09.120 on, one second later at every backup.
struct Program {
    explicit Program(const QString& programFolder = {}, JournalFiles::FileReader reader = {})
        : files(
              grid, prompter, programFolder.isEmpty() ? folder.path() : programFolder,
              [this] { return firstStamp.addSecs(backups++); }, std::move(reader)) {
        headerFormat = journal::headerFormat();
        grid.setFormatString(headerFormat);
    }
    void fill(const Rows& rows) {
        grid.setRows(int(rows.size()) + 1);
        for (const QStringList& cells : rows)
            grid.setCols(std::max(grid.cols(), int(cells.size())));
        for (int r = 0; r < rows.size(); ++r)
            for (int c = 0; c < rows[r].size(); ++c)
                grid.setTextMatrix(r + 1, c, rows[r][c]);
    }
    void open() { files.loadgrid(headerFormat); }
    void openArchive(const QString& answer) {
        prompter.answers << answer;
        files.loadgridarch(headerFormat);
    }
    QByteArray thisYear() const { return folder.read(QStringLiteral("thisyear.csv")); }

    TempFolder folder;
    GridModel grid;
    ScriptedPrompter prompter;
    QString headerFormat;
    QDateTime firstStamp{QDate(2024, 3, 1), QTime(14, 5, 9, 120)};
    int backups = 0;
    JournalFiles files;
};

} // namespace journaltest
