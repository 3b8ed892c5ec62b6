#include "app/filechooser.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpression>

namespace app {

namespace {

// "xlsx" for "Книга Excel (*.xlsx)".
QString suffixOf(const QString& filter) {
    static const QRegularExpression pattern(QStringLiteral("\\(\\*\\.(\\w+)"));
    return pattern.match(filter).captured(1);
}

// Shows the dialog, of that object name, in our own words for its labels and buttons,
// whatever Qt's translations hold; the path chosen, or an empty text after Cancel.
QString askInRussian(QFileDialog& dialog, const QString& objectName, const QString& accept) {
    dialog.setObjectName(objectName);
    dialog.setLabelText(QFileDialog::LookIn, QStringLiteral("Папка:"));
    dialog.setLabelText(QFileDialog::FileName, dialog.fileMode() == QFileDialog::Directory
                                                   ? QStringLiteral("Папка:")
                                                   : QStringLiteral("Имя файла:"));
    dialog.setLabelText(QFileDialog::FileType, QStringLiteral("Тип файлов:"));
    dialog.setLabelText(QFileDialog::Accept, accept);
    dialog.setLabelText(QFileDialog::Reject, QStringLiteral("Отмена"));
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

} // namespace

QString DialogFileChooser::saveFileName(QWidget* parent, const QString& title,
                                        const QString& suggested, const QString& filters) {
    QFileDialog dialog(parent, title, suggested, filters);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    const QString suggestedSuffix = QFileInfo(suggested).suffix();
    for (const QString& filter : filters.split(QStringLiteral(";;")))
        if (suffixOf(filter) == suggestedSuffix)
            dialog.selectNameFilter(filter);
    dialog.setDefaultSuffix(suffixOf(dialog.selectedNameFilter()));
    QObject::connect(
        &dialog, &QFileDialog::filterSelected, &dialog,
        [&dialog](const QString& filter) { dialog.setDefaultSuffix(suffixOf(filter)); });
    return askInRussian(dialog, QStringLiteral("DlgSaveFile"), QStringLiteral("Сохранить"));
}

QString DialogFileChooser::openFileName(QWidget* parent, const QString& title,
                                        const QString& folder, const QString& filters) {
    QFileDialog dialog(parent, title, folder, filters);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    return askInRussian(dialog, QStringLiteral("DlgOpenFile"), QStringLiteral("Открыть"));
}

QString DialogFileChooser::folderName(QWidget* parent, const QString& title,
                                      const QString& folder) {
    QFileDialog dialog(parent, title, folder);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    return askInRussian(dialog, QStringLiteral("DlgFolder"), QStringLiteral("Выбрать"));
}

} // namespace app
