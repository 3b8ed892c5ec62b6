#include "journal/journalfiles.h"

#include "core/fingerprint.h"
#include "core/journalcolumns.h"
#include "core/journalformat.h"
#include "core/journalio.h"
#include "core/journalpaths.h"
#include "core/journalreplace.h"
#include "core/journalseparator.h"
#include "core/memory.h"
#include "core/messagenumbers.h"
#include "journal/journalgrid.h"
#include "model/gridmodel.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QStringList>
#include <algorithm>
#include <exception>

namespace journal {

namespace {

// Whole megabytes, rounded up: a file of a few bytes over a megabyte is not "1 МБ".
qint64 megabytes(qint64 bytes) {
    return (bytes + (1 << 20) - 1) >> 20;
}

// The rows read before the faulty line (fewer than its number when quoted line ends joined lines).
QString faultCause(const core::ReadResult& result) {
    const core::ReadFault& fault = *result.fault;
    if (fault.kind == core::ReadFault::LineTooLong)
        return QStringLiteral("Строка %1 длиннее %2 знаков; прочитано строк: %3.")
            .arg(core::grouped(fault.line), core::grouped(core::MaxLineLength),
                 core::grouped(result.rows.size()));
    return QStringLiteral("Строка %1: не хватает памяти, чтобы читать журнал дальше; прочитано "
                          "строк: %2.")
        .arg(core::grouped(fault.line), core::grouped(result.rows.size()));
}

// Shown after the grid is filled: the lines of the quotes that never close, five at most.
QString unclosedQuotesMessage(const QString& path, const std::vector<int>& lines) {
    QStringList named;
    for (std::size_t i = 0; i < std::min<std::size_t>(lines.size(), 5); ++i)
        named << core::grouped(lines[i]);
    QString where = named.join(QStringLiteral(", "));
    if (lines.size() > 5)
        where += QStringLiteral(" и ещё %1").arg(lines.size() - 5);
    if (lines.size() == 1)
        return QStringLiteral("Строка %1 файла %2: кавычка в начале ячейки не закрыта. Остаток "
                              "строки показан в этой ячейке как текст; проверьте её.")
            .arg(where, QFileInfo(path).fileName());
    return QStringLiteral("Строки %1 файла %2: кавычки в начале ячеек не закрыты. Остаток каждой "
                          "такой строки показан в её ячейке как текст; проверьте их.")
        .arg(where, QFileInfo(path).fileName());
}

// Shown after the grid is filled, so that the user sees what was read.
QString nulBytesMessage(const QString& path) {
    return QStringLiteral("В файле %1 есть нулевые байты: возможно, файл повреждён. Журнал "
                          "показан без них. Сам файл не изменён; если его сохранить, прежняя "
                          "версия останется в папке Backup.")
        .arg(QDir::toNativeSeparators(path));
}

// A CSV saved with another separator than the journal's.
QString separatorMessage(const QString& path, char separator) {
    return QStringLiteral("Файл %1 записан с разделителем %2, а не «;»: так его и прочитали. При "
                          "сохранении он будет записан в формате журнала, через «;».")
        .arg(QFileInfo(path).fileName(), core::separatorName(separator));
}

// A journal with another name elsewhere (a hard link) is shown, but no save writes it.
QString hardLinksMessage(const QString& path, nlink_t links) {
    return QStringLiteral("У файла %1 есть и другие имена (жёстких ссылок: %2): тот же файл виден "
                          "и под другим именем, возможно в чужой папке. Журнал показан, но "
                          "записать его в этот файл программа не даст; сохраните его через "
                          "«Сохранить как» или попросите убрать лишние ссылки.")
        .arg(QFileInfo(path).fileName())
        .arg(links);
}

// Cells the file cannot hold would be split or lost when the file is read back, and a line the
// reader refuses would make the whole file unreadable: such a grid is not saved.
std::optional<QString> refusalToSave(const model::GridModel& grid, const QString& path) {
    if (const std::optional<core::CellPosition> cell = core::findUnwritableCell(grid.dataRows())) {
        return QStringLiteral("Не удалось сохранить файл %1: в строке %2, колонке %3 есть знак, "
                              "который нельзя записать в файл журнала (\";\", перевод строки или "
                              "знак вне кодировки Windows-1251). Файл не изменён.")
            .arg(QDir::toNativeSeparators(path), QString::number(cell->row + 1),
                 model::columnLabel(grid, cell->col));
    }
    if (const std::optional<int> row = core::findOverlongRow(grid.dataRows())) {
        return QStringLiteral("Не удалось сохранить файл %1: строка %2 длиннее %3 знаков. "
                              "Файл не изменён.")
            .arg(QDir::toNativeSeparators(path), QString::number(*row + 1),
                 QString::number(core::MaxLineLength));
    }
    return std::nullopt;
}

QString saveFailedMessage(const QString& path) {
    return QStringLiteral("Не удалось сохранить файл %1.").arg(QDir::toNativeSeparators(path));
}

} // namespace

JournalFiles::JournalFiles(model::GridModel& grid, QString programFolder, Clock clock,
                           FileReader reader)
    : grid_(grid), tree_(std::move(programFolder)), clock_(std::move(clock)),
      backups_(core::backupFolderPath(tree_.root()), clock_), readFile_(std::move(reader)) {}

void JournalFiles::setFolder(QString programFolder) {
    lock_.release();
    tree_ = core::FolderTree(std::move(programFolder));
    backups_ = core::JournalBackups(core::backupFolderPath(tree_.root()), clock_);
    known_.clear();
    partial_.reset();
    openedPath_.clear();
}

OpenResult JournalFiles::openCurrent() {
    const QString path = core::currentJournalPath(tree_.root());
    return open(path, QStringLiteral("Не могу найти thisyear.csv."), [&] {
        OpenResult reading;
        // A missing current-year file is no error: the user starts a new register.
        const core::Opened file = tree_.openForReading(path);
        if (file.ok())
            reading = readIntoGrid(path, file);
        else if (file.error == ENOENT)
            remember(path, false, {}, QByteArray()); // a new register: merged from empty
        else
            forget(path); // never read: a save expects nothing of it
        // A folder of that name is no register either; a link or a FIFO in its place is told.
        if (!file.ok() && file.error != ENOENT && file.error != EISDIR)
            reading = {false, core::readFailureCause(file.error)};
        if (reading.ok)
            fillBlockDates();
        return reading;
    });
}

OpenResult JournalFiles::openArchive(const QString& name) {
    const QString path = core::archivePath(tree_.root(), name);
    return open(path, QStringLiteral("Не могу найти  указанный год."), [&] {
        OpenResult reading;
        // An empty or missing Archive folder is silent; a missing file in a filled one is not
        // (hidden files, folders and special files do not fill it).
        const QString archives = core::archiveFolderPath(tree_.root());
        const core::Opened folder = tree_.openFolder(archives);
        const core::Opened file = tree_.openForReading(path);
        if (!folder.ok() && folder.error != ENOENT)
            reading = {false, core::readFailureCause(folder.error)};
        else if (folder.ok() && QDirIterator(archives, QDir::Files).hasNext())
            reading = file.ok() ? readIntoGrid(path, file)
                                : OpenResult{false, file.error == ENOENT
                                                        ? QString()
                                                        : core::readFailureCause(file.error)};
        if (!file.ok() && file.error == ENOENT)
            remember(path, false, {}, QByteArray());
        else if (!file.ok())
            forget(path);
        return reading;
    });
}

void JournalFiles::showImported(QList<QStringList> rows, const QStringList& extraCaptions) {
    partial_.reset();
    // The grid is read from no file now.
    openedPath_.clear();
    lock_.release();
    journal::resetJournalGrid(grid_);
    // Every column past the eighth has its caption, even when no row is imported.
    if (rows.isEmpty())
        rows.append(QStringList(core::FileColumns + extraCaptions.size(), QString()));
    journal::showJournalTable(grid_, std::move(rows), false);
    for (int i = 0; i < extraCaptions.size() && core::FileColumns + i < grid_.columnCount(); ++i)
        grid_.setCaption(core::FileColumns + i, extraCaptions[i]);
}

// The journal on screen is held here, and the user hears when another copy holds it already. A
// journal of which nothing could be read is not on screen, and is not held.
OpenResult JournalFiles::open(const QString& path, const QString& failureMessage,
                              const std::function<OpenResult()>& read) {
    partial_.reset();
    OpenResult result;
    try {
        journal::resetJournalGrid(grid_);
        result = read();
    } catch (const std::exception&) {
        // Memory ran out while the file was read: the grid holds what it holds, a part at most,
        // and the rows shown are those without the empty row below them.
        const QList<QStringList>& shown = grid_.dataRows();
        const bool lastEmpty =
            !shown.isEmpty() &&
            std::all_of(shown.last().begin(), shown.last().end(), std::mem_fn(&QString::isEmpty));
        partial_ = PartialRead{path, int(shown.size()) - (lastEmpty ? 1 : 0), -1};
        result = {false, QStringLiteral("Недостаточно памяти, чтобы прочитать файл.")};
    }
    // The journal's own message first; the cause, where one is known, on a line of its own.
    if (!result.ok)
        result.message =
            result.message.isEmpty() ? failureMessage : failureMessage + u'\n' + result.message;
    result.nothingRead = !result.ok && !partial_;
    if (result.nothingRead) {
        openedPath_.clear();
        lock_.release();
        return result;
    }
    openedPath_ = path;
    const std::optional<core::JournalLock::Holder> holder = lock_.hold(tree_, path);
    if (!holder)
        return result;
    const QString held = core::JournalLock::heldMessage(QFileInfo(path).fileName(), *holder);
    result.message =
        result.message.isEmpty() ? held : result.message + QStringLiteral("\n\n") + held;
    return result;
}

void JournalFiles::remember(const QString& path, bool existed, const QByteArray& fingerprint,
                            std::optional<QByteArray> bytes) {
    consents_.remove(path);
    known_.insert(path, KnownVersion{existed, fingerprint, std::move(bytes)});
}

void JournalFiles::forget(const QString& path) {
    consents_.remove(path);
    known_.remove(path);
}

JournalFiles::KnownVersion* JournalFiles::knownVersion(const QString& path) {
    const auto known = known_.find(path);
    return known == known_.end() ? nullptr : &*known;
}

QString JournalFiles::pathFor(const QString& archiveName) const {
    return archiveName.isEmpty() ? core::currentJournalPath(tree_.root())
                                 : core::archivePath(tree_.root(), archiveName);
}

qint64 JournalFiles::sizeOnDisk(const QString& archiveName) const {
    return QFileInfo(pathFor(archiveName)).size();
}

void JournalFiles::agreeToReplace(const QString& archiveName) {
    if (const auto consent = consents_.find(pathFor(archiveName)); consent != consents_.end())
        (consent->describedProtected ? consent->agreedProtected : consent->agreed) =
            consent->described;
}

void JournalFiles::applyMerge(const JournalMerge& merge, const std::vector<bool>& takeTheirs,
                              FoundVersion found) {
    merge.apply(grid_, takeTheirs);
    // The version found is what the grid now builds on: the next save expects it.
    remember(found.path, true, found.fingerprint, std::move(found.bytes));
}

// Shows the file's rows under the header of the reset grid. On a failure the grid keeps the rows
// read before the faulty line with an empty row below them, and remembers that it holds only
// part of that file.
OpenResult JournalFiles::readIntoGrid(const QString& path, const core::Opened& file) {
    const qint64 size = file.info.st_size;
    const qsizetype available = availableMemory_();
    if (core::memoryToOpen(size) > available) {
        remember(path, true);
        partial_ = PartialRead{path, 0, -1};
        return {false,
                QStringLiteral("Файл слишком велик: %1 МБ. Чтобы открыть его, нужно около %2 МБ "
                               "памяти, а свободно %3 МБ.")
                    .arg(core::grouped(megabytes(size)),
                         core::grouped(megabytes(core::memoryToOpen(size))),
                         core::grouped(available >> 20))};
    }
    // The file may be gone or replaced since it was looked for: that is a failed read.
    std::optional<core::FileRead> read;
    if (readFile_) {
        if (const std::optional<QByteArray> bytes = readFile_(path))
            read = core::FileRead{core::readJournal(*bytes, available), core::fingerprintOf(*bytes),
                                  *bytes};
    } else {
        read = core::readJournalFile(file.handle.fd(), available, true);
    }
    if (!read) {
        remember(path, true);
        partial_ = PartialRead{path, 0, -1};
        // Gone or replaced by something else meanwhile, or a read that failed.
        const core::Opened again = tree_.openForReading(path);
        return {false, again.ok() ? QStringLiteral("Файл не удалось прочитать.")
                                  : core::readFailureCause(again.error)};
    }
    core::ReadResult& result = read->result;
    const bool ok = result.ok();
    // Only a journal read whole can be the base of a merge.
    const bool whole = ok && result.droppedNulBytes == 0;
    remember(path, true, read->fingerprint,
             whole ? std::optional(std::move(read->bytes)) : std::nullopt);
    const int rowsRead = int(result.rows.size());
    const int lastCol = std::max(0, result.lastLineFields - 1);
    if (!ok)
        partial_ = PartialRead{path, rowsRead, result.totalLines};
    const QString cause = ok ? QString() : faultCause(result);
    journal::showJournalTable(grid_, std::move(result.rows), !ok);
    if (!ok)
        return {false, cause};
    // The current cell ends where the reader stopped: the last cell of the last line.
    if (rowsRead > 0)
        moveCurrentCell(rowsRead - 1, lastCol);
    QStringList notices;
    if (result.droppedNulBytes > 0)
        notices << nulBytesMessage(path);
    if (!result.unclosedQuoteLines.empty())
        notices << unclosedQuotesMessage(path, result.unclosedQuoteLines);
    if (result.separator != ';')
        notices << separatorMessage(path, result.separator);
    if (file.info.st_nlink > 1)
        notices << hardLinksMessage(path, file.info.st_nlink);
    return {true, notices.join(QStringLiteral("\n\n"))};
}

SaveResult JournalFiles::saveCurrent() {
    return saveGridTo(core::currentJournalPath(tree_.root()), false, true);
}

SaveResult JournalFiles::saveArchive(const QString& name) {
    return saveGridTo(core::archivePath(tree_.root(), name), true, false);
}

SaveResult JournalFiles::saveGridTo(const QString& path, bool createFolder, bool hold) {
    try {
        // A save leaves the current cell on the last cell written, as the journal always has. (An
        // edit still open in the window's cell editor was stored before the command ran.)
        if (grid_.rowCount() > 0)
            moveCurrentCell(grid_.rowCount() - 1,
                            std::min(grid_.columnCount(), core::FileColumns) - 1);
        if (const std::optional<QString> refusal = refusalToSave(grid_, path))
            return Refused{*refusal};
        SaveResult result = replaceFile(path, createFolder);
        if (std::holds_alternative<Saved>(result) && hold) {
            openedPath_ = path;
            lock_.hold(tree_, path);
        }
        return result;
    } catch (const std::exception&) {
        // Memory ran out while the file was laid out: nothing was written.
        return Refused{saveFailedMessage(path) + u'\n' + QStringLiteral("Недостаточно памяти.")};
    }
}

void JournalFiles::moveCurrentCell(int row, int col) {
    if (selection_)
        selection_->setCurrentIndex(grid_.index(row, col), QItemSelectionModel::ClearAndSelect);
}

// The previous version goes to the Backup folder first (unless the new one is the same). A
// backup that cannot be kept never stops the save: the file is replaced all the same, and the
// note says why its previous version is not in Backup. Only the Archive folder itself is made:
// a program folder that has gone (a drive taken away) must not be made again in its place, where
// the file would be lost from sight.
SaveResult JournalFiles::replaceFile(const QString& path, bool createFolder) {
    // Only the file the grid was read from is expected as this copy knows it; any other is
    // expected missing, or as the user agreed to replace it.
    const KnownVersion* known = path == openedPath_ ? knownVersion(path) : nullptr;
    const Consent consent = consents_.value(path);
    core::Expectation expected;
    expected.known = known != nullptr;
    expected.existed = known && known->existed;
    expected.fingerprint = known ? known->fingerprint : QByteArray();
    expected.agreed = consent.agreed;
    expected.agreedProtected = consent.agreedProtected;
    core::Replacement done =
        core::replaceJournalFile(tree_, backups_, path, grid_.dataRows(), expected,
                                 core::currentJournalPath(tree_.root()), createFolder, lockWait_);
    if (done.kind == core::Replacement::ChangedOnDisk ||
        done.kind == core::Replacement::WriteProtected)
        return changedOnDisk(path, std::move(done));
    if (done.kind == core::Replacement::Failed)
        return Refused{saveFailedMessage(path) + u'\n' + done.cause};
    // The file now holds what the grid holds.
    consents_.remove(path);
    if (partial_ && partial_->path == path)
        partial_.reset();
    // Its bytes become the base of the next merge.
    remember(path, true, done.fingerprint, std::move(done.bytes));
    if (!done.unkeptBackup.isEmpty())
        return Saved{QStringLiteral("Журнал %1 сохранён, но прежнюю версию не удалось сохранить "
                                    "в папке %2:\n%3")
                         .arg(QFileInfo(path).fileName(),
                              QDir::toNativeSeparators(backups_.folder()), done.unkeptBackup)};
    return Saved{};
}

} // namespace journal
