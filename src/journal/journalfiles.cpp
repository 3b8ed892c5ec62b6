#include "journal/journalfiles.h"

#include "core/fingerprint.h"
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
#include <algorithm>
#include <exception>

namespace {

bool isOrdinaryFile(const QString& path) {
    return QFileInfo(path).isFile();
}

// Whether the folder lists an ordinary file: hidden files, folders and special files do not count.
bool holdsOrdinaryFile(const QString& folder) {
    return QDirIterator(folder, QDir::Files).hasNext();
}

// "32 767": digits in groups of three, as the messages write numbers.
QString grouped(qint64 number) {
    QString digits = QString::number(number);
    for (qsizetype at = digits.size() - 3; at > 0 && digits[at - 1].isDigit(); at -= 3)
        digits.insert(at, u' ');
    return digits;
}

// Whole megabytes, rounded up: a file of a few bytes over a megabyte is not "1 МБ".
qint64 megabytes(qint64 bytes) {
    return (bytes + (1 << 20) - 1) >> 20;
}

QString faultCause(const journal::ReadResult& result) {
    const journal::ReadFault& fault = *result.fault;
    if (fault.kind == journal::ReadFault::LineTooLong)
        return QStringLiteral("Строка %1 длиннее %2 знаков; прочитано строк: %3.")
            .arg(grouped(fault.line), grouped(journal::MaxLineLength), grouped(fault.line - 1));
    return QStringLiteral("Строка %1: не хватает памяти, чтобы читать журнал дальше; прочитано "
                          "строк: %2.")
        .arg(grouped(fault.line), grouped(fault.line - 1));
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
        columns << QStringLiteral("колонка %1, заполнено ячеек: %2")
                       .arg(columnLabel(grid, c), QString::number(filled));
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
      readFile_(std::move(reader)) {}

journal::Outcome JournalFiles::openCurrent() {
    const QString path = journal::currentJournalPath(programFolder_);
    partial_.reset();
    Reading reading;
    try {
        journal::resetJournalGrid(grid_);
        // A missing current-year file is no error: the user starts a new register.
        if (isOrdinaryFile(path))
            reading = readIntoGrid(path);
        else
            remember(path, std::nullopt);
        if (reading.kind != Reading::Failed)
            blockDates_.run(grid_);
    } catch (const std::exception&) {
        reading = failedReading(path);
    }
    return opened(path, outcomeOf(reading, path, QStringLiteral("Не могу найти thisyear.csv.")));
}

journal::Outcome JournalFiles::openArchive(const QString& name) {
    const QString path = journal::archivePath(programFolder_, name);
    partial_.reset();
    Reading reading;
    try {
        journal::resetJournalGrid(grid_);
        // An empty or missing Archive folder is silent; a missing file in a filled one is not.
        if (holdsOrdinaryFile(journal::archiveFolderPath(programFolder_)))
            reading = isOrdinaryFile(path) ? readIntoGrid(path) : Reading{Reading::Failed, {}};
        if (!isOrdinaryFile(path))
            remember(path, std::nullopt);
    } catch (const std::exception&) {
        reading = failedReading(path);
    }
    return opened(path, outcomeOf(reading, path, QStringLiteral("Не могу найти  указанный год.")));
}

// The journal on screen is held here, and the user hears when another copy holds it already.
journal::Outcome JournalFiles::opened(const QString& path, journal::Outcome outcome) {
    const std::optional<JournalLock::Holder> holder = lock_.hold(path);
    if (!holder)
        return outcome;
    const QString held =
        QStringLiteral("Журнал %1 сейчас открыт и у другого пользователя: %2, компьютер %3, с %4. "
                       "Он открыт и здесь; если его изменят на диске, перед сохранением будет "
                       "задан вопрос.")
            .arg(QFileInfo(path).fileName(), holder->user, holder->host,
                 holder->since.toString(QStringLiteral("dd.MM.yyyy HH:mm")));
    outcome.message =
        outcome.message.isEmpty() ? held : outcome.message + QStringLiteral("\n\n") + held;
    return outcome;
}

void JournalFiles::remember(const QString& path, const std::optional<QByteArray>& fingerprint) {
    const QFileInfo file(path);
    Fingerprint known{path, fingerprint.has_value() || file.isFile(), file.size(),
                      file.lastModified(), fingerprint.value_or(QByteArray())};
    const auto same = std::find_if(known_.begin(), known_.end(),
                                   [&](const Fingerprint& other) { return other.path == path; });
    if (same != known_.end())
        *same = std::move(known);
    else
        known_.push_back(std::move(known));
}

QString JournalFiles::pathFor(const QString& archiveName) const {
    return archiveName.isEmpty() ? journal::currentJournalPath(programFolder_)
                                 : journal::archivePath(programFolder_, archiveName);
}

std::optional<QString> JournalFiles::changedOnDiskQuestion(const QString& archiveName) const {
    const QString path = pathFor(archiveName);
    const auto known = std::find_if(known_.begin(), known_.end(),
                                    [&](const Fingerprint& other) { return other.path == path; });
    if (known == known_.end())
        return std::nullopt;
    const QFileInfo file(path);
    bool changed = false;
    if (!known->existed)
        changed = file.exists();
    else if (file.isFile() &&
             (file.size() != known->size || file.lastModified() != known->modified)) {
        const std::optional<QByteArray> now = journal::fingerprintOfFile(path);
        changed = !now || known->hash.isEmpty() || *now != known->hash;
    }
    if (!changed)
        return std::nullopt;
    return QStringLiteral("Файл %1 изменён другим пользователем после открытия. Перезаписать его?")
        .arg(file.fileName());
}

std::optional<QString> JournalFiles::unreadCurrentQuestion() const {
    const QString path = journal::currentJournalPath(programFolder_);
    if (!isOrdinaryFile(path))
        return std::nullopt;
    const std::optional<qsizetype> rows = journal::countJournalRows(path);
    if (rows && *rows == 0)
        return std::nullopt;
    return QStringLiteral("В файле thisyear.csv строк: %1. Записать поверх него журнал с экрана "
                          "(строк: %2)?")
        .arg(rows ? grouped(*rows) : QStringLiteral("?"), grouped(grid_.rows() - 1));
}

// Memory ran out while the file was read: the grid holds what it holds, a part at most.
JournalFiles::Reading JournalFiles::failedReading(const QString& path) {
    partial_ = PartialRead{path, 0, -1};
    return {Reading::Failed, QStringLiteral("Недостаточно памяти, чтобы прочитать файл.")};
}

// Shows the file's rows under the header of the reset grid. On a failure the grid keeps the rows
// read before the faulty line with an empty row below them, and remembers that it holds only
// part of that file.
JournalFiles::Reading JournalFiles::readIntoGrid(const QString& path) {
    const qint64 size = QFileInfo(path).size();
    const qsizetype available = availableMemory_();
    if (journal::memoryToOpen(size) > available) {
        remember(path, std::nullopt);
        partial_ = PartialRead{path, 0, -1};
        return {Reading::Failed,
                QStringLiteral("Файл слишком велик: %1 МБ. Чтобы открыть его, нужно около %2 МБ "
                               "памяти, а свободно %3 МБ.")
                    .arg(grouped(megabytes(size)), grouped(megabytes(journal::memoryToOpen(size))),
                         grouped(available >> 20))};
    }
    // The file may be gone or replaced since it was looked for: that is a failed read.
    std::optional<journal::FileRead> read;
    if (readFile_) {
        if (const std::optional<QByteArray> bytes = readFile_(path))
            read = journal::FileRead{journal::readJournal(*bytes, available),
                                     journal::fingerprintOf(*bytes)};
    } else {
        read = journal::readJournalFile(path, available);
    }
    if (!read) {
        remember(path, std::nullopt);
        partial_ = PartialRead{path, 0, -1};
        return {Reading::Failed, journal::readFailureCause(path)};
    }
    remember(path, read->fingerprint);
    journal::ReadResult& result = read->result;
    const bool ok = result.ok();
    const int lastRow = result.table.rows();
    const int lastCol = std::max(0, result.lastLineFields - 1);
    if (!ok)
        partial_ = PartialRead{path, lastRow, result.totalLines};
    const QString cause = ok ? QString() : faultCause(result);
    journal::showJournalTable(grid_, std::move(result.table), !ok);
    if (!ok)
        return {Reading::Failed, cause};
    // The current cell ends where the reader stopped: the last cell of the last line.
    if (lastRow > 0)
        grid_.setCurrentCell(lastRow, lastCol);
    return {result.droppedNulBytes > 0 ? Reading::WithoutNulBytes : Reading::Whole, {}};
}

// The journal's own message first; the cause, where one is known, on a line of its own.
journal::Outcome JournalFiles::outcomeOf(const Reading& reading, const QString& path,
                                         const QString& failureMessage) {
    if (reading.kind == Reading::Failed)
        return journal::Outcome::failed(
            reading.cause.isEmpty() ? failureMessage : failureMessage + u'\n' + reading.cause);
    if (reading.kind == Reading::WithoutNulBytes)
        return {true, nulBytesMessage(path)};
    return journal::Outcome::done();
}

std::optional<QString> JournalFiles::partialReadQuestion(const QString& archiveName) const {
    const QString path = pathFor(archiveName);
    if (!partial_ || partial_->path != path)
        return std::nullopt;
    const QString read =
        partial_->totalLines >= 0
            ? QStringLiteral("%1 строк из %2")
                  .arg(grouped(partial_->rowsRead), grouped(partial_->totalLines))
            : QStringLiteral("прочитано строк: %1").arg(grouped(partial_->rowsRead));
    return QStringLiteral("Журнал %1 был прочитан не полностью (%2). Записать поверх него только "
                          "прочитанные строки?")
        .arg(QFileInfo(path).fileName(), read);
}

journal::Outcome JournalFiles::saveCurrent() {
    return saveGridTo(journal::currentJournalPath(programFolder_), false, true);
}

journal::Outcome JournalFiles::saveArchive(const QString& name) {
    return saveGridTo(journal::archivePath(programFolder_, name), true, false);
}

journal::Outcome JournalFiles::saveGridTo(const QString& path, bool createFolder, bool hold) {
    try {
        moveAcrossWrittenCells();
        if (const std::optional<QString> refusal = refusalToSave(path))
            return journal::Outcome::failed(*refusal);
        // Only the Archive folder itself is made: a program folder that has gone (a drive taken
        // away) must not be made again in its place, where the file would be lost from sight.
        // A failure shows as the failed write below.
        if (createFolder)
            journal::makeFolderLikeParent(journal::archiveFolderPath(programFolder_));
        const QByteArray bytes = journal::writeJournal(grid_.allCells());
        journal::Outcome outcome = replaceFile(path, bytes);
        if (outcome.ok) {
            // The file now holds what the grid holds, and is the one held here.
            if (partial_ && partial_->path == path)
                partial_.reset();
            remember(path, journal::fingerprintOf(bytes));
            if (hold)
                lock_.hold(path);
        }
        return outcome;
    } catch (const std::exception&) {
        // Memory ran out while the file was laid out: nothing was written.
        return journal::Outcome::failed(saveFailedMessage(path) + u'\n' +
                                        QStringLiteral("Недостаточно памяти."));
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
            .arg(shownPath(path), QString::number(cell->row), columnLabel(grid_, cell->col));
    }
    if (const std::optional<int> row = journal::findOverlongRow(grid_.allCells())) {
        return QStringLiteral("Не удалось сохранить файл %1: строка %2 длиннее %3 знаков. "
                              "Файл не изменён.")
            .arg(shownPath(path), QString::number(*row), QString::number(journal::MaxLineLength));
    }
    return std::nullopt;
}

// The previous version goes to the Backup folder first (unless the new one is the same). A
// backup that cannot be kept never stops the save: the file is replaced all the same, and the
// outcome says why its previous version is not in Backup.
journal::Outcome JournalFiles::replaceFile(const QString& path, const QByteArray& bytes) {
    journal::removeStaleTemporaries(path);
    std::optional<QString> backup;
    QString unkept; // why the previous version could not be kept
    if (isOrdinaryFile(path)) {
        const std::optional<QByteArray> previous = journal::readWholeFile(path);
        // Saving the same bytes again keeps nothing new: periodic saves of an unchanged register
        // must not push the real earlier versions out of the backups.
        if (!previous) {
            unkept = journal::readFailureCause(path);
        } else if (*previous != bytes) {
            JournalBackups::Kept kept = backups_.keep(path, *previous);
            backup = std::move(kept.path);
            unkept = std::move(kept.cause);
        }
    }
    if (const QString cause = journal::writeWholeFile(path, bytes); !cause.isEmpty()) {
        // The file was not replaced, so the backup just made would only repeat it.
        if (backup)
            QFile::remove(*backup);
        return journal::Outcome::failed(saveFailedMessage(path) + u'\n' + cause);
    }
    if (backup)
        backups_.dropOldest(path);
    if (!unkept.isEmpty())
        return {true, QStringLiteral("Журнал %1 сохранён, но прежнюю версию не удалось сохранить "
                                     "в папке %2:\n%3")
                          .arg(QFileInfo(path).fileName(), shownPath(backups_.folder()), unkept)};
    return journal::Outcome::done();
}

// "8 («Механик»)": the column's number as the user counts and its header text.
