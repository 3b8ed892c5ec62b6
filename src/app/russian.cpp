#include "app/russian.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <utility>

namespace app {

namespace {

// Qt 6 moved the file dialog's words for a folder, a drive and a link to a context of a new name,
// which the Russian translations of Qt 6.4 do not have yet: the dialog called a folder "Folder".
class QtsMissingRussian : public QTranslator {
public:
    using QTranslator::QTranslator;
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* sourceText, const char*,
                      int) const override {
        static const std::pair<const char*, const char*> Words[] = {
            {"Drive", "Диск"},     {"Folder", "Папка"}, {"File Folder", "Папка"},
            {"Shortcut", "Ярлык"}, {"Alias", "Ярлык"},  {"Unknown", "Неизвестно"},
        };
        if (qstrcmp(context, "QAbstractFileIconProvider") != 0)
            return {};
        for (const auto& [english, russian] : Words)
            if (qstrcmp(sourceText, english) == 0)
                return QString::fromUtf8(russian);
        return {};
    }
};

} // namespace

bool installRussianTranslations(QCoreApplication& application) {
    QCoreApplication::installTranslator(new QtsMissingRussian(&application));
    auto* translator = new QTranslator(&application);
    if (!translator->load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"),
                          QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

} // namespace app
