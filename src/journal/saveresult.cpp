#include "journal/saveresult.h"

#include "core/journalformat.h"
#include "core/journalreplace.h"
#include "core/messagenumbers.h"

#include <QFileInfo>

namespace journal {

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

} // namespace

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

QString unmergeableQuestion(const QString& path, const QString& reason) {
    return QStringLiteral("Файл %1 изменён другим пользователем после открытия. Перезаписать его?"
                          "\n\nОбъединить его с журналом на экране нельзя: %2.")
        .arg(QFileInfo(path).fileName(), reason);
}

Changed changeFound(const QString& path, bool baseKept, core::Replacement found,
                    qsizetype memoryBudget) {
    const auto asked = [&](const QString& reason) {
        return Changed{std::nullopt, unmergeableQuestion(path, reason)};
    };
    if (!baseKept)
        return asked(QStringLiteral("журнал на экране прочитан из файла не целиком"));
    if (!found.bytesHeld)
        return asked(QStringLiteral("файл слишком велик, чтобы прочитать его целиком"));
    core::ReadResult read = core::readJournal(found.bytes, memoryBudget);
    if (const std::optional<QString> reason = unreadable(read))
        return asked(QStringLiteral("файл на диске прочитан не целиком: ") + *reason);
    return {
        FoundVersion{path, std::move(read.rows), std::move(found.bytes), std::move(found.found)},
        {}};
}

std::optional<QList<QStringList>> baseRows(const QByteArray& base, qsizetype memoryBudget) {
    core::ReadResult read = core::readJournal(base, memoryBudget);
    if (unreadable(read))
        return std::nullopt;
    return std::move(read.rows);
}

} // namespace journal
