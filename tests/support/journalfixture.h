#pragma once

#include "core/journalcharset.h"
#include "core/journalcolumns.h"
#include "journal/journalfiles.h"
#include "model/gridmodel.h"
#include "support/scriptedprompter.h"
#include "support/tempfolder.h"

#include <QDateTime>
#include <QItemSelectionModel>
#include <QPoint>

// A program folder with its grid, scripted prompts and journal operations, for the tests of
// opening and saving journal files.
namespace journaltest {

using Rows = QList<QStringList>;

// A journal file as the program writes it, built here cell by cell.
inline QByteArray journalFile(const Rows& rows) {
    QByteArray bytes;
    for (const QStringList& cells : rows) {
        for (int c = 0; c < core::FileColumns; ++c)
            bytes += core::encodeWindows1251(cells.value(c)) + ';';
        bytes += "\r\n";
    }
    return bytes;
}

// The data rows, each without the empty cells at its end.
inline Rows dataRows(const model::GridModel& grid) {
    Rows rows;
    for (QStringList cells : grid.dataRows()) {
        while (!cells.isEmpty() && cells.last().isEmpty())
            cells.removeLast();
        rows << cells;
    }
    return rows;
}

inline bool saved(const journal::SaveResult& result) {
    return std::holds_alternative<journal::Saved>(result);
}
// The version a save found and read to be merged; none when it found none to merge.
inline const journal::FoundVersion* foundToMerge(const journal::SaveResult& result) {
    const auto* changed = std::get_if<journal::Changed>(&result);
    return changed && changed->found ? &*changed->found : nullptr;
}
// The question a save found reason to ask (a change it cannot merge, a write-protected file);
// none otherwise.
inline std::optional<QString> questionOf(const journal::SaveResult& result) {
    if (const auto* shut = std::get_if<journal::WriteProtected>(&result))
        return shut->question;
    if (const auto* changed = std::get_if<journal::Changed>(&result); changed && !changed->found)
        return changed->question;
    return std::nullopt;
}

// What the window would tell of a save: its note, the reason it wrote nothing, or the question
// it found reason to ask.
inline QString messageOf(const journal::SaveResult& result) {
    if (const auto* written = std::get_if<journal::Saved>(&result))
        return written->note;
    if (const auto* refused = std::get_if<journal::Refused>(&result))
        return refused->why;
    return questionOf(result).value_or(QString());
}

// Backups are stamped from 01.03.2024 14:05:09.120 on, one second later at every backup.
struct Program {
    explicit Program(const QString& programFolder = {},
                     journal::JournalFiles::FileReader reader = {})
        : files(
              grid, programFolder.isEmpty() ? folder.path() : programFolder,
              [this] { return firstStamp.addSecs(backups++); }, std::move(reader)) {
        grid.setHeaderFormat(core::headerFormat());
        files.setSelection(&selection);
    }
    // The current cell, where an opening or a save leaves it.
    QPoint current() const {
        return {selection.currentIndex().row(), selection.currentIndex().column()};
    }
    // The rows under the header, nothing else.
    void fill(const Rows& rows) {
        grid.setRowCount(0);
        grid.setRowCount(int(rows.size()));
        for (int r = 0; r < rows.size(); ++r) {
            grid.setColumnCount(std::max(grid.columnCount(), int(rows[r].size())));
            for (int c = 0; c < rows[r].size(); ++c)
                grid.setText(r, c, rows[r][c]);
        }
    }
    // The window's commands: the result's message goes to the prompter, as the window tells it.
    void open() { tell(files.openCurrent()); }
    void openArchive(const QString& answer) {
        prompter.answers << answer;
        if (const auto name = journal::askArchiveName(prompter, journal::openArchivePrompt()))
            tell(files.openArchive(*name));
    }
    bool save() { return tell(files.saveCurrent()); }
    // "Сохранить изменения" answered "Да" to the question a save asks before it writes over a
    // file the grid was not read from (or one write-protected): the question is recorded.
    bool saveOver(const QString& archiveName = {}) {
        const auto saveOnce = [&] {
            return archiveName.isEmpty() ? files.saveCurrent() : files.saveArchive(archiveName);
        };
        journal::SaveResult result = saveOnce();
        if (const std::optional<QString> question = questionOf(result)) {
            prompter.questions << *question;
            files.agreeToReplace(archiveName);
            result = saveOnce();
        }
        return tell(result);
    }
    // Takes the name from the prompter's next answer; an archive already there is replaced only
    // when the next question answer says so, as in the window.
    void saveAs() {
        const auto name = journal::askArchiveName(prompter, journal::saveAsPrompt());
        if (!name)
            return;
        if (const std::optional<QString> question = files.existingArchiveQuestion(*name)) {
            if (!prompter.question(*question))
                return;
            files.agreeToReplace(*name);
        }
        tell(files.saveArchive(*name));
    }
    bool tell(const journal::OpenResult& result) {
        if (!result.message.isEmpty())
            prompter.message(result.message);
        return result.ok;
    }
    // A save's message as the window would show it: a question asked is told here.
    bool tell(const journal::SaveResult& result) {
        if (const QString message = messageOf(result); !message.isEmpty())
            prompter.message(message);
        return saved(result);
    }
    QByteArray thisYear() const { return folder.read(QStringLiteral("thisyear.csv")); }

    TempFolder folder;
    model::GridModel grid;
    QItemSelectionModel selection{&grid};
    ScriptedPrompter prompter;
    QDateTime firstStamp{QDate(2024, 3, 1), QTime(14, 5, 9, 120)};
    int backups = 0;
    journal::JournalFiles files;
};

} // namespace journaltest
