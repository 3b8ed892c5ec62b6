#include "app/importcommand.h"

#include "app/commandline.h"
#include "core/fingerprint.h"
#include "core/foldertree.h"
#include "core/journalbackups.h"
#include "core/journalformat.h"
#include "core/journalpaths.h"
#include "core/journalreplace.h"
#include "exchange/spreadsheetimport.h"
#include "journal/journalfiles.h"
#include "journal/journalgrid.h"
#include "model/gridmodel.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

namespace app {

namespace {

// Where the journal goes: this year's register, an archive of the journal folder, or a file.
struct Target {
    enum Kind { Current, Archive, File };
    Kind kind = File;
    QString name; // the archive's, for an archive; the file's absolute path, for a file
};

std::optional<Target> targetOf(const QString& path, QString* refusal) {
    if (path == QStringLiteral("thisyear.csv"))
        return Target{Target::Current, {}};
    const QString archives = QStringLiteral("Archive/");
    if (path.startsWith(archives)) {
        const QString given = path.mid(archives.size());
        if (!given.endsWith(QStringLiteral(".csv")) || given.size() == 4) {
            *refusal = QStringLiteral("Архив задаётся как Archive/ИМЯ.csv.");
            return std::nullopt;
        }
        const QString name = core::archiveName(given.chopped(4));
        if (const std::optional<QString> why = core::archiveNameRefusal(name)) {
            *refusal = *why;
            return std::nullopt;
        }
        return Target{Target::Archive, name};
    }
    return Target{Target::File, QFileInfo(path).absoluteFilePath()};
}

// What the window's save refuses, checked the same way for a file given by its path.
std::optional<QString> refusalToWrite(const model::GridModel& grid) {
    if (const std::optional<core::CellPosition> cell = core::findUnwritableCell(grid.dataRows()))
        return QStringLiteral("В строке %1, колонке %2 есть знак, который нельзя записать в файл "
                              "журнала (\";\", перевод строки или знак вне кодировки "
                              "Windows-1251). Файл не записан.")
            .arg(QString::number(cell->row + 1), model::columnLabel(grid, cell->col));
    if (const std::optional<int> row = core::findOverlongRow(grid.dataRows()))
        return QStringLiteral("Строка %1 длиннее %2 знаков. Файл не записан.")
            .arg(QString::number(*row + 1), QString::number(core::MaxLineLength));
    return std::nullopt;
}

journal::SaveResult writeFile(const model::GridModel& grid, const QString& path) {
    if (const std::optional<QString> refusal = refusalToWrite(grid))
        return journal::Refused{
            QStringLiteral("Не удалось сохранить файл %1: ").arg(QDir::toNativeSeparators(path)) +
            *refusal};
    const QString folder = QFileInfo(path).absolutePath();
    const core::FolderTree tree(folder);
    core::JournalBackups backups(core::backupFolderPath(folder));
    // The file the user named is replaced as it is now; one changed meanwhile is not.
    core::Expectation expected;
    if (const core::Opened there = tree.openForReading(path); there.ok())
        expected.agreed = core::fingerprintOfFile(there.handle.fd()).value_or(QByteArray());
    const core::Replacement done =
        core::replaceJournalFile(tree, backups, path, grid.dataRows(), expected, path, false);
    QString cause = done.cause;
    if (done.kind == core::Replacement::ChangedOnDisk)
        cause = QStringLiteral("Файл изменился, пока шёл импорт; повторите его.");
    else if (done.kind == core::Replacement::WriteProtected)
        cause = QStringLiteral("Файл защищён от записи: снимите защиту и повторите импорт.");
    if (done.kind != core::Replacement::Replaced)
        return journal::Refused{QStringLiteral("Не удалось сохранить файл %1.\n%2")
                                    .arg(QDir::toNativeSeparators(path), cause)};
    if (!done.unkeptBackup.isEmpty())
        return journal::Saved{
            QStringLiteral("Журнал сохранён, но прежнюю версию не удалось сохранить: %1")
                .arg(done.unkeptBackup)};
    return journal::Saved{};
}

// The columns past the eighth that hold something: the file keeps the first eight only.
QString unwrittenColumnsNote(const model::GridModel& grid) {
    QStringList columns;
    for (int c = core::FileColumns; c < grid.columnCount(); ++c)
        for (int r = 0; r < grid.rowCount(); ++r)
            if (!grid.cell(r, c).isEmpty()) {
                columns << model::columnLabel(grid, c);
                break;
            }
    if (columns.isEmpty())
        return {};
    return QStringLiteral("В файл журнала записываются только первые восемь колонок; не записаны "
                          "колонки %1.")
        .arg(columns.join(QStringLiteral(", ")));
}

} // namespace

int importCommand(const QStringList& arguments, const QString& journalFolder, QTextStream& errors) {
    QCommandLineParser parser;
    const QCommandLineOption from(QStringLiteral("import"), QString(), QStringLiteral("file"));
    const QCommandLineOption to(QStringLiteral("to"), QString(), QStringLiteral("path"));
    parser.addOptions({from, to});
    if (!parser.parse(arguments) || parser.values(from).size() != 1 ||
        parser.values(to).size() != 1 || !parser.positionalArguments().isEmpty()) {
        errors << QStringLiteral("Использование: eklz-journal --import ФАЙЛ --to ПУТЬ\n"
                                 "ФАЙЛ — таблица .xlsx, .ods или .csv; ПУТЬ — thisyear.csv или "
                                 "Archive/ИМЯ.csv в папке журналов либо путь к файлу журнала.")
               << Qt::endl;
        return Usage;
    }
    QString refusal;
    const std::optional<Target> target = targetOf(parser.value(to), &refusal);
    if (!target) {
        errors << refusal << Qt::endl;
        return Failed;
    }
    const exchange::ImportOutcome imported = exchange::importFile(parser.value(from));
    if (!imported.ok()) {
        errors << QStringLiteral("Импорт не выполнен: ") << *imported.refusal << Qt::endl;
        return Failed;
    }
    const exchange::ImportedJournal& journal = imported.journal;
    model::GridModel grid;
    journal::JournalFiles files(grid, journalFolder);
    files.showImported(journal.rows, journal.extraCaptions);
    journal::SaveResult result;
    if (target->kind == Target::File) {
        result = writeFile(grid, target->name);
    } else {
        // The file named by --to is replaced, whatever it holds: naming it is the agreement. A
        // file that cannot be read, is linked elsewhere or is write-protected is still refused.
        const QString archive = target->kind == Target::Archive ? target->name : QString();
        const auto saveOnce = [&] {
            return archive.isEmpty() ? files.saveCurrent() : files.saveArchive(archive);
        };
        result = saveOnce();
        if (std::holds_alternative<journal::Changed>(result)) {
            files.agreeToReplace(archive);
            result = saveOnce();
        }
        // A write-protected file is a colleague's decision, which no script overrides.
        if (std::holds_alternative<journal::WriteProtected>(result))
            result = journal::Refused{
                QStringLiteral("Файл %1 защищён от записи: снимите защиту и повторите импорт.")
                    .arg(QDir::toNativeSeparators(parser.value(to)))};
        else if (std::holds_alternative<journal::Changed>(result))
            result = journal::Refused{
                QStringLiteral("Файл всё время меняет другой пользователь; журнал не сохранён.")};
    }
    if (journal.problemCount > 0)
        errors << exchange::problemsMessage(journal.problems, journal.problemCount,
                                            int(journal.problems.size()))
               << Qt::endl;
    const journal::Saved* saved = std::get_if<journal::Saved>(&result);
    if (saved)
        if (const QString note = unwrittenColumnsNote(grid); !note.isEmpty())
            errors << note << Qt::endl;
    if (const QString message = saved ? saved->note : std::get<journal::Refused>(result).why;
        !message.isEmpty())
        errors << message << Qt::endl;
    return saved ? Done : Failed;
}

} // namespace app
