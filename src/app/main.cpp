#include "app/dialogprompter.h"
#include "app/journalwindow.h"
#include "app/printprogressdialog.h"
#include "core/clock.h"
#include "printing/printservices.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    auto prompter = std::make_shared<DialogPrompter>();
    auto progress = std::make_shared<PrintProgressDialog>();
    JournalWindow window(WindowServices{
        QCoreApplication::applicationDirPath(), prompter, [] { QCoreApplication::quit(); },
        std::make_shared<DefaultPrinterProvider>(), std::make_shared<SystemClock>(), progress});
    prompter->setParent(&window);
    window.show();
    return application.exec();
}
