#include "app/exchangeloader.h"

#include "exchange/exchangemodule.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <cstring>

namespace app {

namespace {

QString failed(const QString& file, const QString& why) {
    return QStringLiteral("Не удалось загрузить модуль обмена «%1»: %2")
        .arg(QDir::toNativeSeparators(file), why);
}

QStringList nativeList(const QStringList& folders) {
    QStringList shown;
    for (const QString& folder : folders)
        shown << QDir::toNativeSeparators(folder);
    return shown;
}

} // namespace

ExchangeLoader::ExchangeLoader(QStringList folders) : folders_(std::move(folders)) {}

// The library is never unloaded: the exchange's results (their strings, tables and what they
// point to) may outlive it.
ExchangeLoader::~ExchangeLoader() = default;

QString ExchangeLoader::fileName() {
    return QStringLiteral(EKLZ_EXCHANGE_MODULE_FILE);
}

QStringList ExchangeLoader::programFolders() {
    const QString programFolder = QCoreApplication::applicationDirPath();
    return {programFolder,
            QDir::cleanPath(programFolder + u'/' + QStringLiteral(EKLZ_EXCHANGE_INSTALLED_FOLDER))};
}

const exchange::ModuleOperations* ExchangeLoader::operations(QString* failure) {
    if (operations_)
        return operations_;
    QString path;
    for (const QString& folder : folders_) {
        const QString candidate = QDir(folder).filePath(fileName());
        if (QFileInfo(candidate).isFile()) {
            path = candidate;
            break;
        }
    }
    if (path.isEmpty()) {
        *failure = failed(fileName(), QStringLiteral("файла нет ни в одной из папок, где он "
                                                     "должен быть: %1.")
                                          .arg(nativeList(folders_).join(QStringLiteral(", "))));
        return nullptr;
    }
    auto library = std::make_unique<QLibrary>(path);
    // Every symbol bound at once: a module that lacks one is refused here, not in the middle of
    // an export.
    library->setLoadHints(QLibrary::ResolveAllSymbolsHint);
    if (!library->load()) {
        *failure = failed(path, library->errorString());
        return nullptr;
    }
    const auto entry =
        reinterpret_cast<exchange::ModuleEntry>(library->resolve(exchange::ModuleEntryName));
    if (!entry) {
        *failure = failed(path, QStringLiteral("в нём нет функции %1.")
                                    .arg(QString::fromLatin1(exchange::ModuleEntryName)));
        library->unload();
        return nullptr;
    }
    const exchange::ModuleOperations* operations = entry();
    if (!operations || operations->interface != exchange::ModuleInterface ||
        std::strcmp(operations->buildStamp, EKLZ_BUILD_STAMP) != 0) {
        *failure = failed(path, QStringLiteral("модуль собран не с этой версией программы (%1), "
                                               "а с другой; установите их вместе.")
                                    .arg(QStringLiteral(EKLZ_BUILD_STAMP)));
        library->unload();
        return nullptr;
    }
    library_ = std::move(library);
    operations_ = operations;
    return operations_;
}

} // namespace app
