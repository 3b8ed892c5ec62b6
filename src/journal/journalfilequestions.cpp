// The questions and prompts of opening and saving: first those that need no file, then those
// JournalFiles puts before a save writes over a file, and the one a save found reason to ask,
// which name the files and their rows as they stand on disk; last the reading of a version a save
// found, and of the base, for a merge.
#include "core/accountname.h"
#include "core/fingerprint.h"
#include "core/journalcolumns.h"
#include "core/journalformat.h"
#include "core/journalpaths.h"
#include "core/journalreplace.h"
#include "core/messagenumbers.h"
#include "core/prompter.h"
#include "journal/journalfiles.h"
#include "journal/journalgrid.h"
#include "model/gridmodel.h"

#include <QFileInfo>
#include <QStringList>

namespace journal {

std::optional<QString> askArchiveName(core::Prompter& prompter, const QString& prompt,
                                      const QStringList& offered, const QString& proposed) {
    const QString answer = prompter.chooseName(prompt, prompt, offered, proposed);
    if (answer.isEmpty())
        return std::nullopt;
    QString name = core::archiveName(answer);
    if (const std::optional<QString> refusal = core::archiveNameRefusal(name)) {
        prompter.message(*refusal);
        return std::nullopt;
    }
    return name;
}

std::optional<QString> unwrittenColumnsQuestion(const model::GridModel& grid) {
    QStringList columns;
    for (int c = core::FileColumns; c < grid.columnCount(); ++c) {
        int filled = 0;
        for (int r = 0; r < grid.rowCount(); ++r)
            filled += grid.cell(r, c).isEmpty() ? 0 : 1;
        if (filled == 0)
            continue;
        columns << QStringLiteral("колонка %1, заполнено ячеек: %2")
                       .arg(model::columnLabel(grid, c), QString::number(filled));
    }
    if (columns.isEmpty())
        return std::nullopt;
    return QStringLiteral("В файл журнала записываются только первые восемь колонок. Не будут "
                          "записаны: %1. Сохранить без них?")
        .arg(columns.join(QStringLiteral("; ")));
}

QStringList saveTargetChoices(const QString& archiveName) {
    return {QStringLiteral("В архив ") + archiveName, QStringLiteral("В thisyear.csv")};
}

QString openArchivePrompt() {
    return QStringLiteral("Введите год (или другое имя файла)");
}

QString saveAsPrompt() {
    return QStringLiteral("Введите имя файла");
}

namespace {

// Why a journal's bytes cannot take part in a merge; none when they read whole as one.
std::optional<QString> unreadable(const core::ReadResult& read) {
    if (read.fault)
        return read.fault->kind == core::ReadFault::LineTooLong
                   ? QStringLiteral("в нём есть строка длиннее %1 знаков").arg(core::MaxLineLength)
                   : QStringLiteral("не хватает памяти, чтобы прочитать его");
    if (read.droppedNulBytes > 0)
        return QStringLiteral("в нём есть нулевые байты, это не журнал");
    return std::nullopt;
}

// The question before a save replaces a file whose write bits are off for this user, naming its
// rows (as the questions write them), its bits and its owner, against the rows on screen.
QString writeProtectedQuestion(const QString& path, const QString& rows, mode_t mode,
                               const QString& owner, int rowsOnScreen) {
    QString bits;
    for (int bit = 8; bit >= 0; --bit)
        bits += QLatin1Char((mode >> bit) & 1 ? "xwr"[bit % 3] : '-');
    return QStringLiteral("Файл %1 защищён от записи: права %2 (%3), владелец %4. Так его мог "
                          "закрыть от изменений коллега. Всё равно заменить его журналом с экрана? "
                          "Строк в файле: %5, на экране: %6.")
        .arg(QFileInfo(path).fileName(),
             QStringLiteral("%1").arg(mode & 0777, 4, 8, QLatin1Char('0')), bits, owner, rows,
             core::grouped(rowsOnScreen));
}

// The question when a save finds a file the journal on screen was not read from: there already
// (`askedBefore`: a question about that file just found it missing or otherwise), with its rows.
QString unseenVersionQuestion(const QString& path, const QString& rows, bool askedBefore,
                              int rowsOnScreen) {
    const QString name = QFileInfo(path).fileName();
    if (askedBefore)
        return QStringLiteral("Файл %1 тем временем записал другой пользователь (строк в нём: %2). "
                              "Заменить его журналом с экрана (строк: %3)?")
            .arg(name, rows, core::grouped(rowsOnScreen));
    return QStringLiteral("Файл %1 уже есть (строк: %2), а журнал на экране прочитан не из него. "
                          "Заменить его журналом с экрана (строк: %3)?")
        .arg(name, rows, core::grouped(rowsOnScreen));
}

// A save found the file changed: the version found, to be merged with the grid (`baseKept`:
// whether this copy has the bytes it last read or wrote, which it has not when it never read
// that file whole), or, when no merge is possible, the question to ask instead.
Changed changeFound(const QString& path, bool baseKept, core::Replacement found,
                    qsizetype memoryBudget) {
    const auto asked = [&](const QString& reason) {
        return Changed{std::nullopt, unmergeableQuestion(path, reason)};
    };
    if (!baseKept)
        return asked(QStringLiteral("журнал на экране прочитан из файла не целиком"));
    if (!found.bytes)
        return asked(QStringLiteral("файл слишком велик, чтобы прочитать его целиком"));
    core::ReadResult read = core::readJournal(*found.bytes, memoryBudget);
    if (const std::optional<QString> reason = unreadable(read))
        return asked(QStringLiteral("файл на диске прочитан не целиком: ") + *reason);
    return {
        FoundVersion{path, std::move(read.rows), std::move(*found.bytes), std::move(found.found)},
        {}};
}

} // namespace

// None when no file stands under that name to be replaced: nothing there, no folder (a save
// makes the Archive folder), or something the save refuses and names (a link, a FIFO, a folder).
std::optional<QString> JournalFiles::describeExisting(const QString& path) {
    const core::Opened file = tree_.openForReading(path);
    if (!file.ok() && file.error != EACCES && file.error != EPERM) {
        consents_[path] = {};
        return std::nullopt;
    }
    return describe(path);
}

QString JournalFiles::describe(const QString& path) {
    const core::Opened file = tree_.openForReading(path);
    const std::optional<qsizetype> rows =
        file.ok() ? core::countJournalRows(file.handle.fd()) : std::nullopt;
    Consent& consent = consents_[path];
    consent.described =
        file.ok() ? core::fingerprintOfFile(file.handle.fd()).value_or(QByteArray()) : QByteArray();
    consent.describedProtected = false;
    return rows ? core::grouped(*rows) : QStringLiteral("?");
}

std::optional<QString> JournalFiles::existingArchiveQuestion(const QString& archiveName) {
    const std::optional<QString> rows =
        describeExisting(core::archivePath(tree_.root(), archiveName));
    if (!rows)
        return std::nullopt;
    return QStringLiteral("Архив %1 уже есть (%2 строк). Заменить его?").arg(archiveName, *rows);
}

QString JournalFiles::saveTargetQuestion(const QString& archiveName) {
    // What the file holds now: its rows, which the journal on screen would replace.
    const auto holds = [this](const QString& path) {
        const std::optional<QString> rows = describeExisting(path);
        return rows ? QStringLiteral("сейчас в файле строк: %1; их заменит журнал с экрана")
                          .arg(*rows)
                    : QStringLiteral("файла ещё нет");
    };
    return QStringLiteral("На экране архив %1 (строк: %2). Куда его сохранить?\n\n"
                          "В архив %1 — %3.\n"
                          "В журнал текущего года thisyear.csv — %4.")
        .arg(archiveName, core::grouped(grid_.rowCount()),
             holds(core::archivePath(tree_.root(), archiveName)),
             holds(core::currentJournalPath(tree_.root())));
}

std::optional<QString> JournalFiles::unreadCurrentQuestion() {
    const QString path = core::currentJournalPath(tree_.root());
    const QString rows = describe(path);
    if (consents_[path].described.isEmpty())
        return std::nullopt; // missing, or unreadable: the save then says why
    if (rows == QStringLiteral("0")) {
        agreeToReplace();
        return std::nullopt;
    }
    return QStringLiteral("В файле thisyear.csv строк: %1. Записать поверх него журнал с экрана "
                          "(строк: %2)?")
        .arg(rows, core::grouped(grid_.rowCount()));
}

std::optional<QString> JournalFiles::partialReadQuestion(const QString& archiveName) const {
    const QString path = pathFor(archiveName);
    if (!partial_ || partial_->path != path)
        return std::nullopt;
    const QString read =
        partial_->totalLines >= 0
            ? QStringLiteral("%1 строк из %2")
                  .arg(core::grouped(partial_->rowsRead), core::grouped(partial_->totalLines))
            : QStringLiteral("прочитано строк: %1").arg(core::grouped(partial_->rowsRead));
    return QStringLiteral("Журнал %1 был прочитан не полностью (%2). Записать поверх него только "
                          "прочитанные строки?")
        .arg(QFileInfo(path).fileName(), read);
}

// A version of the file this copy does not know: merged with the grid when the grid was read
// from an earlier version of it; otherwise, and when it is write-protected, a question.
SaveResult JournalFiles::changedOnDisk(const QString& path, core::Replacement done) {
    const bool asked = consents_.contains(path);
    if (done.kind == core::Replacement::WriteProtected) {
        WriteProtected found{writeProtectedQuestion(path, describe(path), done.foundMode,
                                                    core::userName(done.foundOwner),
                                                    grid_.rowCount())};
        consents_[path].describedProtected = true;
        return found;
    }
    if (path != openedPath_ || !knownVersion(path))
        return Changed{std::nullopt,
                       unseenVersionQuestion(path, describe(path), asked, grid_.rowCount())};
    consents_[path].described = done.found;
    return changeFound(path, knownVersion(path)->bytes.has_value(), std::move(done),
                       availableMemory_());
}

QString unmergeableQuestion(const QString& path, const QString& reason) {
    return QStringLiteral("Файл %1 изменён другим пользователем после открытия. Перезаписать его?"
                          "\n\nОбъединить его с журналом на экране нельзя: %2.")
        .arg(QFileInfo(path).fileName(), reason);
}

std::optional<JournalMerge> JournalFiles::planMerge(const FoundVersion& found) {
    const KnownVersion* known = knownVersion(found.path);
    if (!known || !known->bytes)
        return std::nullopt;
    core::ReadResult base = core::readJournal(*known->bytes, availableMemory_());
    if (unreadable(base))
        return std::nullopt;
    return JournalMerge(journal::asOpened(std::move(base.rows)), journal::asOpened(found.rows),
                        grid_);
}

} // namespace journal
