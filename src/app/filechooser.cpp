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

// Our own words for the dialog's labels and buttons, whatever Qt's translations hold.
void speakRussian(QFileDialog& dialog, const QString& accept) {
    dialog.setLabelText(QFileDialog::LookIn, QStringLiteral("Папка:"));
    dialog.setLabelText(QFileDialog::FileName, dialog.fileMode() == QFileDialog::Directory
                                                   ? QStringLiteral("Папка:")
                                                   : QStringLiteral("Имя файла:"));
    dialog.setLabelText(QFileDialog::FileType, QStringLiteral("Тип файлов:"));
    dialog.setLabelText(QFileDialog::Accept, accept);
    dialog.setLabelText(QFileDialog::Reject, QStringLiteral("Отмена"));
}

// The path chosen, or an empty text after Cancel.
QString pathChosen(QFileDialog& dialog) {
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

} // namespace

QString DialogFileChooser::saveFileName(QWidget* parent, const QString& title,
                                        const QString& suggested, const QString& filters) {
    QFileDialog dialog(parent, title, suggested, filters);
    dialog.setObjectName(QStringLiteral("DlgSaveFile"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    const QString suggestedSuffix = QFileInfo(suggested).suffix();
    for (const QString& filter : filters.split(QStringLiteral(";;")))
        if (suffixOf(filter) == suggestedSuffix)
            dialog.selectNameFilter(filter);
    dialog.setDefaultSuffix(suffixOf(dialog.selectedNameFilter()));
    speakRussian(dialog, QStringLiteral("Сохранить"));
    QObject::connect(
        &dialog, &QFileDialog::filterSelected, &dialog,
        [&dialog](const QString& filter) { dialog.setDefaultSuffix(suffixOf(filter)); });
    return pathChosen(dialog);
}

QString DialogFileChooser::openFileName(QWidget* parent, const QString& title,
                                        const QString& folder, const QString& filters) {
    QFileDialog dialog(parent, title, folder, filters);
    dialog.setObjectName(QStringLiteral("DlgOpenFile"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    speakRussian(dialog, QStringLiteral("Открыть"));
    return pathChosen(dialog);
}

QString DialogFileChooser::folderName(QWidget* parent, const QString& title,
                                      const QString& folder) {
    QFileDialog dialog(parent, title, folder);
    dialog.setObjectName(QStringLiteral("DlgFolder"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    speakRussian(dialog, QStringLiteral("Выбрать"));
    return pathChosen(dialog);
}

} // namespace app
