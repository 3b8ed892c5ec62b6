#include "app/dialogprompter.h"
#include "app/journalwindow.h"
#include "app/printprogressdialog.h"
#include "app/russian.h"
#include "core/clock.h"
#include "core/journalpaths.h"
#include "printing/printservices.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("eklz-journal"));
    // No display name: Qt would append it to every title, the exit prompt's and the input
    // boxes' too. The window and the message boxes name the program themselves.
    QApplication::setDesktopFileName(QStringLiteral("eklz-journal"));
    app::installRussianTranslations(application);
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
    auto prompter = std::make_shared<app::DialogPrompter>();
    auto progress = std::make_shared<app::PrintProgressDialog>();
    // An INI file in the user's configuration folder, never beside the journals.
    auto settings =
        std::make_shared<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                    QStringLiteral("eklz-journal"), QStringLiteral("eklz-journal"));
    app::JournalWindow window(
        app::WindowServices{journalFolder, prompter, [] { QCoreApplication::quit(); },
                            std::make_shared<printing::DefaultPrinterProvider>(),
                            std::make_shared<core::SystemClock>(), progress, settings});
    prompter->setParent(&window);
    window.show();
    return application.exec();
}
