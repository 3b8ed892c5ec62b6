#include "journal/journalfiles.h"

#include "core/journalcolumns.h"
#include "core/journalformat.h"
#include "core/journalio.h"
#include "core/journalpaths.h"
#include "core/prompter.h"
#include "journal/blockdates.h"
#include "journal/journalgrid.h"
#include "model/gridmodel.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <exception>

namespace {

bool isOrdinaryFile(const QString& path) {
    return QFileInfo(path).isFile();
}

// Whether the folder lists an ordinary file: hidden files, folders and special files do not count.
bool holdsOrdinaryFile(const QString& folder) {
    return QDirIterator(folder, QDir::Files).hasNext();
}

// Whether the file already holds these bytes, so that saving it again keeps nothing new: periodic
// saves of an unchanged register must not push the real earlier versions out of the backups.
bool holdsExactly(const QString& path, const QByteArray& bytes) {
    if (QFileInfo(path).size() != bytes.size())
        return false;
    const std::optional<QByteArray> contents = journal::readWholeFile(path);
    return contents && *contents == bytes;
}

QString shownPath(const QString& path) {
    return QDir::toNativeSeparators(path);
}

// Shown after the grid is filled, so that the user sees what was read.
QString nulBytesMessage(const QString& path) {
    return QStringLiteral("В файле %1 есть нулевые байты: возможно, файл повреждён. Журнал "
                          "показан без них. Сам файл не изменён; если его сохранить, прежняя "
                          "версия останется в папке Backup.")
        .arg(shownPath(path));
}

QString saveFailedMessage(const QString& path) {
    return QStringLiteral("Не удалось сохранить файл %1.").arg(shownPath(path));
}

} // namespace

namespace journal {

std::optional<QString> askArchiveName(Prompter& prompter, const QString& prompt) {
    const QString answer = prompter.inputBox(prompt, prompt);
    if (answer.isEmpty())
        return std::nullopt;
    QString name = archiveName(answer);
    if (const std::optional<QString> refusal = archiveNameRefusal(name)) {
        prompter.message(*refusal);
        return std::nullopt;
    }
    return name;
}

std::optional<QString> unwrittenColumnsQuestion(const GridModel& grid) {
    QStringList columns;
    for (int c = FileColumns; c < grid.cols(); ++c) {
        int filled = 0;
        for (int r = 1; r < grid.rows(); ++r)
            filled += grid.cell(r, c).isEmpty() ? 0 : 1;
        if (filled == 0)
            continue;
        const QString caption = grid.cell(0, c).trimmed();
        columns << QStringLiteral("колонка %1%2, заполнено ячеек: %3")
                       .arg(QString::number(c + 1),
                            caption.isEmpty()
                                ? QString()
                                : QStringLiteral(" («") + caption + QStringLiteral("»)"),
                            QString::number(filled));
    }
    if (columns.isEmpty())
        return std::nullopt;
    return QStringLiteral("В файл журнала записываются только первые восемь колонок. Не будут "
                          "записаны: %1. Сохранить без них?")
        .arg(columns.join(QStringLiteral("; ")));
}

QString archiveOverCurrentQuestion(const QString& archiveName) {
    return QStringLiteral("Записать архив %1 в журнал текущего года thisyear.csv?")
        .arg(archiveName);
}

QString openArchivePrompt() {
    return QStringLiteral("Введите год (или другое имя файла)");
}

QString saveAsPrompt() {
    return QStringLiteral("Введите имя файла");
}

} // namespace journal

JournalFiles::JournalFiles(GridModel& grid, QString programFolder, Clock clock, FileReader reader)
    : grid_(grid), programFolder_(std::move(programFolder)),
      backups_(journal::backupFolderPath(programFolder_), std::move(clock)),
      readFile_(std::move(reader)) {
    if (!readFile_)
        readFile_ = journal::readWholeFile;
}

journal::Outcome JournalFiles::openCurrent() {
    const QString path = journal::currentJournalPath(programFolder_);
    ReadOutcome outcome = ReadOutcome::Read;
    try {
        journal::resetJournalGrid(grid_);
        // A missing current-year file is no error: the user starts a new register.
        if (isOrdinaryFile(path))
            outcome = readIntoGrid(path);
        if (outcome != ReadOutcome::Failed)
            journal::fillBlockDates(grid_);
    } catch (const std::exception&) {
        outcome = ReadOutcome::Failed;
    }
    return outcomeOf(outcome, path, QStringLiteral("Не могу найти thisyear.csv."));
}

journal::Outcome JournalFiles::openArchive(const QString& name) {
    const QString path = journal::archivePath(programFolder_, name);
    ReadOutcome outcome = ReadOutcome::Read;
    try {
        journal::resetJournalGrid(grid_);
        // An empty or missing Archive folder is silent; a missing file in a filled one is not.
        if (holdsOrdinaryFile(journal::archiveFolderPath(programFolder_)))
            outcome = isOrdinaryFile(path) ? readIntoGrid(path) : ReadOutcome::Failed;
    } catch (const std::exception&) {
        outcome = ReadOutcome::Failed;
    }
    return outcomeOf(outcome, path, QStringLiteral("Не могу найти  указанный год."));
}

// Shows the file's rows under the header of the reset grid. On a failure the grid keeps the rows
// read before the faulty line with an empty row below them.
JournalFiles::ReadOutcome JournalFiles::readIntoGrid(const QString& path) {
    // The file may be gone or replaced since it was looked for: that is a failed read.
    const std::optional<QByteArray> bytes = readFile_(path);
    if (!bytes)
        return ReadOutcome::Failed;
    journal::ReadResult result = journal::readJournal(*bytes);
    const bool ok = result.ok();
    const int lastRow = result.table.rows;
    const int lastCol = std::max(0, result.lastLineFields - 1);
    journal::showJournalTable(grid_, std::move(result.table), !ok);
    if (!ok)
        return ReadOutcome::Failed;
    // The current cell ends where the reader stopped: the last cell of the last line.
    if (lastRow > 0)
        grid_.setCurrentCell(lastRow, lastCol);
    return result.droppedNulBytes > 0 ? ReadOutcome::ReadWithoutNulBytes : ReadOutcome::Read;
}

journal::Outcome JournalFiles::outcomeOf(ReadOutcome outcome, const QString& path,
                                         const QString& failureMessage) {
    if (outcome == ReadOutcome::Failed)
        return journal::Outcome::failed(failureMessage);
    if (outcome == ReadOutcome::ReadWithoutNulBytes)
        return {true, nulBytesMessage(path)};
    return journal::Outcome::done();
}

journal::Outcome JournalFiles::saveCurrent() {
    return saveGridTo(journal::currentJournalPath(programFolder_), false);
}

journal::Outcome JournalFiles::saveArchive(const QString& name) {
    return saveGridTo(journal::archivePath(programFolder_, name), true);
}

journal::Outcome JournalFiles::saveGridTo(const QString& path, bool createFolder) {
    try {
        moveAcrossWrittenCells();
        if (const std::optional<QString> refusal = refusalToSave(path))
            return journal::Outcome::failed(*refusal);
        // Only the Archive folder itself is made: a program folder that has gone (a drive taken
        // away) must not be made again in its place, where the file would be lost from sight.
        // A failure shows as the failed write below.
        if (createFolder)
            QDir(programFolder_).mkdir(QFileInfo(path).dir().dirName());
        return replaceFile(path, journal::writeJournal(grid_.allCells()));
    } catch (const std::exception&) {
        // Memory ran out while the file was laid out: nothing was written.
        return journal::Outcome::failed(saveFailedMessage(path));
    }
}

// Saving walks the current cell from the first written cell to the last one, as the journal
// always has: leaving the current cell stores an edit still open in the cell editor. Both moves
// come before anything is written, so that edit reaches the file.
void JournalFiles::moveAcrossWrittenCells() {
    if (grid_.rows() < 2)
        return;
    grid_.setCurrentCell(1, 0);
    grid_.setCurrentCell(grid_.rows() - 1, std::min(grid_.cols(), journal::FileColumns) - 1);
}

// Cells the file cannot hold would be split or lost when the file is read back, and a line the
// reader refuses would make the whole file unreadable: such a grid is not saved.
std::optional<QString> JournalFiles::refusalToSave(const QString& path) const {
    if (const std::optional<journal::CellPosition> cell =
            journal::findUnwritableCell(grid_.allCells())) {
        return QStringLiteral("Не удалось сохранить файл %1: в строке %2, колонке %3 есть знак, "
                              "который нельзя записать в файл журнала (\";\", перевод строки или "
                              "знак вне кодировки Windows-1251). Файл не изменён.")
            .arg(shownPath(path), QString::number(cell->row), columnLabel(cell->col));
    }
    if (const std::optional<int> row = journal::findOverlongRow(grid_.allCells())) {
        return QStringLiteral("Не удалось сохранить файл %1: строка %2 длиннее %3 знаков. "
                              "Файл не изменён.")
            .arg(shownPath(path), QString::number(*row), QString::number(journal::MaxLineLength));
    }
    return std::nullopt;
}

// The previous version goes to the Backup folder first (unless the new one is the same);
// without that backup the file is not replaced.
journal::Outcome JournalFiles::replaceFile(const QString& path, const QByteArray& bytes) {
    std::optional<QString> backup;
    if (isOrdinaryFile(path) && !holdsExactly(path, bytes)) {
        backup = backups_.keep(path);
        if (!backup)
            return journal::Outcome::failed(
                QStringLiteral("Не удалось сохранить файл %1: не удалось сохранить его прежнюю "
                               "версию в папку %2. Файл не изменён.")
                    .arg(shownPath(path), shownPath(backups_.folder())));
    }
    if (!journal::writeWholeFile(path, bytes)) {
        // The file was not replaced, so the backup just made would only repeat it.
        if (backup)
            QFile::remove(*backup);
        return journal::Outcome::failed(saveFailedMessage(path));
    }
    if (backup)
        backups_.dropOldest(path);
    return journal::Outcome::done();
}

// "8 («Механик»)": the column's number as the user counts and its header text.
QString JournalFiles::columnLabel(int col) const {
    const QString number = QString::number(col + 1);
    const QString header = grid_.cell(0, col).trimmed();
    return header.isEmpty() ? number
                            : number + QStringLiteral(" («") + header + QStringLiteral("»)");
}
