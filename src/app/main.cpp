#include "app/frmeklz.h"
#include "app/prompter.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    FrmEKLZ window(WindowServices{QCoreApplication::applicationDirPath(), nullptr, nullptr});
    window.show();
    return application.exec();
}
