#include "app/commandline.h"
#include "app/dialogprompter.h"
#include "app/foldercontroller.h"
#include "app/journalwindow.h"
#include "app/printprogressdialog.h"
#include "app/russian.h"

#include <QApplication>
#include <QSettings>
#include <QTimer>

int main(int argc, char* argv[]) {
    if (const std::optional<int> exitCode = app::runCommandLine(argc, argv))
        return *exitCode;
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("eklz-journal"));
    // No display name: Qt would append it to every title, the exit prompt's and the input
    // boxes' too. The window and the message boxes name the program themselves.
    QApplication::setDesktopFileName(QStringLiteral("eklz-journal"));
    app::installRussianTranslations(application);
    auto prompter = std::make_shared<app::DialogPrompter>();
    auto progress = std::make_shared<app::PrintProgressDialog>();
    std::shared_ptr<QSettings> settings = app::journalSettings();
    QString refusal;
    const QString journalFolder = app::startingJournalFolder(
        QApplication::arguments(), settings.get(), app::programJournalFolder(), &refusal);
    app::JournalWindow window(app::WindowServices{
        journalFolder, prompter, {}, nullptr, nullptr, progress, settings, nullptr});
    prompter->setParent(&window);
    window.show();
    if (!refusal.isEmpty())
        QTimer::singleShot(0, &window, [&] { prompter->message(refusal); });
    return application.exec();
}
