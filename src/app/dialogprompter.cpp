#include "app/dialogprompter.h"

#include "app/conflictdialog.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <algorithm>

namespace app {

namespace {

// Message boxes carry the program's name; input boxes their prompt, as they always have.
const QString ProgramName = QStringLiteral("Журнал учета ЭКЛЗ");

// Window managers write titles in bold, beside an icon and three or four buttons: this many
// lines' heights leave room for them and the frame's margins.
constexpr int TitleBarExtras = 8;

// Wide enough for its whole title and its prompt on one line, never wider than the screen.
// The input box's layout sets its least size itself: the box is made this wide instead.
void fitTitle(QInputDialog& dialog) {
    QFont bold = dialog.font();
    bold.setBold(true);
    const QFontMetrics title(bold);
    const int margins = dialog.style()->pixelMetric(QStyle::PM_LayoutLeftMargin) +
                        dialog.style()->pixelMetric(QStyle::PM_LayoutRightMargin);
    int width =
        std::max(title.horizontalAdvance(dialog.windowTitle()) + TitleBarExtras * title.height(),
                 dialog.fontMetrics().horizontalAdvance(dialog.labelText()) + margins + 8);
    if (const QScreen* screen = dialog.screen())
        width = std::min(width, screen->availableGeometry().width() - 32);
    const QSize least = dialog.sizeHint();
    dialog.resize(std::max(width, least.width()), least.height());
}

} // namespace

QString DialogPrompter::inputBox(const QString& prompt, const QString& title) {
    QInputDialog dialog(parent_.data());
    dialog.setWindowTitle(title);
    dialog.setLabelText(prompt);
    dialog.setTextValue(QString());
    fitTitle(dialog);
    return dialog.exec() == QDialog::Accepted ? dialog.textValue() : QString();
}

QString DialogPrompter::chooseName(const QString& prompt, const QString& title,
                                   const QStringList& offered, const QString& proposed) {
    QInputDialog dialog(parent_.data());
    dialog.setObjectName(QStringLiteral("DlgChooseName"));
    dialog.setWindowTitle(title);
    dialog.setLabelText(prompt);
    if (!offered.isEmpty()) {
        dialog.setComboBoxItems(offered);
        dialog.setComboBoxEditable(true);
    }
    // Without a proposal the list shows its first name.
    if (!proposed.isEmpty() || offered.isEmpty())
        dialog.setTextValue(proposed);
    fitTitle(dialog);
    return dialog.exec() == QDialog::Accepted ? dialog.textValue() : QString();
}

// "Да" and the other answer, the other the default and the answer to Escape.
bool DialogPrompter::yesOr(const QString& text, const QString& other,
                           QMessageBox::ButtonRole otherRole) {
    QMessageBox box(QMessageBox::Question, ProgramName, text, QMessageBox::NoButton,
                    parent_.data());
    QPushButton* yes = box.addButton(QStringLiteral("Да"), QMessageBox::YesRole);
    QPushButton* otherButton = box.addButton(other, otherRole);
    box.setDefaultButton(otherButton);
    box.setEscapeButton(otherButton);
    box.exec();
    return box.clickedButton() == yes;
}

bool DialogPrompter::question(const QString& text) {
    return yesOr(text, QStringLiteral("Нет"), QMessageBox::NoRole);
}

bool DialogPrompter::yesOrCancel(const QString& text) {
    return yesOr(text, QStringLiteral("Отмена"), QMessageBox::RejectRole);
}

core::Prompter::KeepChanges DialogPrompter::askToKeepChanges(const QString& text) {
    QMessageBox box(QMessageBox::Question, ProgramName, text, QMessageBox::NoButton,
                    parent_.data());
    QPushButton* yes = box.addButton(QStringLiteral("Да"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("Нет"), QMessageBox::NoRole);
    QPushButton* cancel = box.addButton(QStringLiteral("Отмена"), QMessageBox::RejectRole);
    box.setDefaultButton(cancel);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == yes)
        return KeepChanges::Save;
    return box.clickedButton() == no ? KeepChanges::Discard : KeepChanges::Cancel;
}

std::optional<int> DialogPrompter::choose(const QString& text, const QStringList& choices,
                                          int preferred) {
    QMessageBox box(QMessageBox::Question, ProgramName, text, QMessageBox::NoButton,
                    parent_.data());
    box.setObjectName(QStringLiteral("DlgChoose"));
    QList<QPushButton*> buttons;
    for (const QString& choice : choices)
        buttons << box.addButton(choice, QMessageBox::AcceptRole);
    QPushButton* cancel = box.addButton(QStringLiteral("Отмена"), QMessageBox::RejectRole);
    box.setDefaultButton(buttons.value(preferred, cancel));
    box.setEscapeButton(cancel);
    box.exec();
    const qsizetype chosen = buttons.indexOf(box.clickedButton());
    return chosen >= 0 ? std::optional<int>(int(chosen)) : std::nullopt;
}

std::optional<std::vector<bool>>
DialogPrompter::settleConflicts(const QString& fileName,
                                const std::vector<core::MergeConflict>& conflicts) {
    ConflictDialog dialog(fileName, conflicts, parent_.data());
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.takeTheirs();
}

void DialogPrompter::message(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, ProgramName, text, QMessageBox::Ok, parent_.data());
    box.exec();
}

} // namespace app
