#include "app/commandline.h"

#include "app/foldercontroller.h"
#include "app/importcommand.h"
#include "core/journalpaths.h"
#include "exchange/exportfile.h"
#include "exchange/exportsheet.h"
#include "journal/journalgrid.h"
#include "model/gridmodel.h"
#include "model/registerstate.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <QTextStream>
#include <cstring>

namespace app {

namespace {

// `arguments` are those after the option: OUT.xlsx|OUT.ods, then the journal file when given,
// read as it is opened (block dates filled). Every row goes into OUT.
int runExport(const QStringList& arguments, const QString& journalFolder, QTextStream& errors) {
    if (arguments.isEmpty() || arguments.size() > 2)
        return Usage;
    const QString& outPath = arguments[0];
    const QString journalPath =
        arguments.size() == 2 ? arguments[1] : core::currentJournalPath(journalFolder);
    const auto failed = [&errors](const QString& message) {
        errors << message << Qt::endl;
        return Failed;
    };
    if (const std::optional<QString> refusal = exchange::unknownFormatMessage(outPath))
        return failed(*refusal);
    model::GridModel grid;
    if (const std::optional<QString> failure = journal::readJournalIntoGrid(grid, journalPath))
        return failed(QStringLiteral("Не удалось прочитать журнал %1.\n%2")
                          .arg(QDir::toNativeSeparators(journalPath), *failure));
    const model::BlockJudgement watch(grid, QDate::currentDate());
    const exchange::ExportOutcome outcome =
        exchange::exportSheet(exchange::sheetFromGrid(grid, watch), outPath);
    return outcome.ok ? Done : failed(outcome.message);
}

// The first command's option among the arguments, "--export" or "--import"; none for the window.
const char* commandIn(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i)
        for (const char* option : {"--export", "--import"})
            if (std::strcmp(argv[i], option) == 0)
                return option;
    return nullptr;
}

} // namespace

std::optional<int> runCommandLine(int argc, char* argv[]) {
    const char* option = commandIn(argc, argv);
    if (!option)
        return std::nullopt;
    // No window, no display: the application object serves the paths and the arguments only.
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("eklz-journal"));
    QTextStream errors(stderr);
    QString named;
    const QStringList arguments =
        withoutFolderArgument(QCoreApplication::arguments().mid(1), &named);
    QString refusal;
    const std::unique_ptr<QSettings> settings = journalSettings();
    const QString folder = startingJournalFolder(QCoreApplication::arguments(), settings.get(),
                                                 programJournalFolder(), &refusal);
    if (!named.isEmpty() && !refusal.isEmpty()) {
        errors << refusal << Qt::endl;
        return Failed;
    }
    const bool exporting = std::strcmp(option, "--export") == 0;
    // The command's option comes first, its arguments after it, nothing else. The import parses
    // its own options, the program's name first, and tells its own usage.
    int code = Usage;
    if (arguments.indexOf(QString::fromLatin1(option)) == 0)
        code = exporting ? runExport(arguments.mid(1), folder, errors)
                         : importCommand(QStringList{QStringLiteral("eklz-journal")} + arguments,
                                         folder, errors);
    if (code == Usage && exporting)
        errors << QStringLiteral("Неверная командная строка. Использование: eklz-journal "
                                 "--export OUT.xlsx|OUT.ods [ЖУРНАЛ]")
               << Qt::endl;
    return code;
}

std::unique_ptr<QSettings> journalSettings() {
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                       QStringLiteral("eklz-journal"),
                                       QStringLiteral("eklz-journal"));
}

QString programJournalFolder() {
    const QString programFolder = QCoreApplication::applicationDirPath();
    const QString dataFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    // The folder's own write permission, not whether this user may write there anyway (root
    // may): a read-only copy, or one installed with the system under /usr, is no portable copy.
    const QFileInfo folder(programFolder);
    const bool portable = folder.isWritable() && folder.permission(QFileDevice::WriteOwner) &&
                          !programFolder.startsWith(QStringLiteral("/usr/"));
    const QString journalFolder = core::chooseJournalFolder(programFolder, portable, dataFolder);
    // The user's data folder is made before any save needs it.
    if (journalFolder == dataFolder)
        QDir().mkpath(dataFolder);
    return journalFolder;
}

} // namespace app
