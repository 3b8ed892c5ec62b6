#pragma once

#include "journal/journalbackups.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>

class GridModel;
class Prompter;

// The main window's journal operations: opening the current year's register or an archive into
// the grid, and saving the grid to thisyear.csv or to an archive. Messages and questions go
// through the Prompter; opening and saving never touch the window's modified flag.
class JournalFiles {
public:
    using Clock = JournalBackups::Clock;
    // Reads a whole file; none when it cannot be opened or read.
    using FileReader = std::function<std::optional<QByteArray>(const QString& path)>;

    // programFolder: the folder of the program's executable, without a trailing separator.
    // clock: the time that names backups (the system's local time when missing).
    // reader: how journal files are read (journal::readWholeFile when missing).
    JournalFiles(GridModel& grid, Prompter& prompter, QString programFolder, Clock clock = {},
                 FileReader reader = {});

    // "Открыть журнал": shows thisyear.csv (nothing when it is missing) and its block dates.
    void loadgrid(QString& headerFormat);
    // "Загрузить архив": asks for a year or name and shows that archive as stored.
    void loadgridarch(QString& headerFormat);
    // "Сохранить изменения": writes the grid to thisyear.csv, whatever was opened last. False,
    // after a message, when the file could not be saved.
    bool SaveGridn();
    // "Сохранить как": asks for a name and writes the grid into the Archive folder.
    void SaveAsGridn();

private:
    enum class ReadOutcome { Read, ReadWithoutNulBytes, Failed };

    std::optional<QString> askArchiveName(const QString& prompt);
    ReadOutcome readIntoGrid(const QString& path);
    void tellOutcome(ReadOutcome outcome, const QString& path, const QString& failureMessage);
    bool saveGridTo(const QString& path, bool createFolder);
    std::optional<QString> refusalToSave(const QString& path) const;
    bool replaceFile(const QString& path, const QByteArray& bytes);
    void moveAcrossWrittenCells();
    QString columnLabel(int col) const;

    GridModel& grid_;
    Prompter& prompter_;
    QString programFolder_;
    JournalBackups backups_;
    FileReader readFile_;
};
