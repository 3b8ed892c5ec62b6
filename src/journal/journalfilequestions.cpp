// The questions JournalFiles puts before a save writes over a file: they name the files and
// their rows as they stand on disk.
#include "core/journalformat.h"
#include "core/journalpaths.h"
#include "journal/journalfiles.h"
#include "journal/messagenumbers.h"
#include "model/gridmodel.h"

#include <QFile>
#include <QFileInfo>

namespace journal {

namespace {

// How many rows the open file holds, as the questions write it ("?" when it cannot be read).
QString rowsIn(const core::Opened& file) {
    QFile opened;
    if (!file.ok() ||
        !opened.open(file.handle.fd(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
        return QStringLiteral("?");
    const std::optional<qsizetype> rows = core::countJournalRows(opened);
    return rows ? grouped(*rows) : QStringLiteral("?");
}

} // namespace

std::optional<QString> JournalFiles::existingArchiveQuestion(const QString& archiveName) const {
    const core::Opened file = tree_.openForReading(core::archivePath(programFolder_, archiveName));
    if (!file.ok() && file.error == ENOENT)
        return std::nullopt;
    return QStringLiteral("Архив %1 уже есть (%2 строк). Заменить его?")
        .arg(archiveName, rowsIn(file));
}

QString JournalFiles::saveTargetQuestion(const QString& archiveName) const {
    // What the file holds now: its rows, which the journal on screen would replace.
    const auto holds = [this](const QString& path) {
        const core::Opened file = tree_.openForReading(path);
        if (!file.ok() && file.error == ENOENT)
            return QStringLiteral("файла ещё нет");
        return QStringLiteral("сейчас в файле строк: %1; их заменит журнал с экрана")
            .arg(rowsIn(file));
    };
    return QStringLiteral("На экране архив %1 (строк: %2). Куда его сохранить?\n\n"
                          "В архив %1 — %3.\n"
                          "В журнал текущего года thisyear.csv — %4.")
        .arg(archiveName, grouped(grid_.rows() - 1),
             holds(core::archivePath(programFolder_, archiveName)),
             holds(core::currentJournalPath(programFolder_)));
}

std::optional<QString> JournalFiles::unreadCurrentQuestion() const {
    const core::Opened file = tree_.openForReading(core::currentJournalPath(programFolder_));
    if (!file.ok())
        return std::nullopt;
    const QString rows = rowsIn(file);
    if (rows == QStringLiteral("0"))
        return std::nullopt;
    return QStringLiteral("В файле thisyear.csv строк: %1. Записать поверх него журнал с экрана "
                          "(строк: %2)?")
        .arg(rows, grouped(grid_.rows() - 1));
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

} // namespace journal
