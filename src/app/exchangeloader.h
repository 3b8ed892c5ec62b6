#pragma once

#include <QString>
#include <QStringList>
#include <memory>

class QLibrary;

namespace exchange {
struct ModuleOperations;
} // namespace exchange

namespace app {

// Loads the exchange with spreadsheets (the module eklz-exchange.so) the first time it is asked
// for, from the first of its folders that holds the file, and keeps it loaded. A module that is
// missing, cannot be loaded or comes from another build of the program is refused with a message
// naming the file and why, and is looked for again at the next request.
class ExchangeLoader {
public:
    // Looks in `folders`, in order; by default in programFolders().
    explicit ExchangeLoader(QStringList folders = programFolders());
    ~ExchangeLoader();
    ExchangeLoader(const ExchangeLoader&) = delete;
    ExchangeLoader& operator=(const ExchangeLoader&) = delete;

    // The module's operations, loaded on the first call; none when they cannot be had, with the
    // message for the user in *failure ("Не удалось загрузить модуль обмена «…»: …").
    const exchange::ModuleOperations* operations(QString* failure);

    // The module's file name.
    static QString fileName();
    // Where the program looks: beside the executable (a build tree, a portable copy), then in
    // the folder the install puts the module in, found from the executable's folder. Needs the
    // application object.
    static QStringList programFolders();

private:
    QStringList folders_;
    std::unique_ptr<QLibrary> library_;
    const exchange::ModuleOperations* operations_ = nullptr;
};

} // namespace app
