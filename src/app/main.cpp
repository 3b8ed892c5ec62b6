#include "app/frmeklz.h"
#include "app/prompter.h"
#include "printing/printprogressdialog.h"
#include "printing/printservices.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    auto prompter = std::make_shared<DialogPrompter>();
    auto progress = std::make_shared<PrintProgressDialog>();
    FrmEKLZ window(WindowServices{
        QCoreApplication::applicationDirPath(), prompter, [] { QCoreApplication::quit(); },
        std::make_shared<DefaultPrinterProvider>(), std::make_shared<SystemClock>(), progress});
    prompter->setParent(&window);
    window.show();
    return application.exec();
}
