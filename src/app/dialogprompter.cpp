#include "app/dialogprompter.h"

#include "app/conflictdialog.h"

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

// An input box; with names offered, its line is an editable list of them.
QString askName(QWidget* parent, const QString& objectName, const QString& prompt,
                const QString& title, const QStringList& offered, const QString& proposed) {
    QInputDialog dialog(parent);
    dialog.setObjectName(objectName);
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

using Answers = QList<std::pair<QString, QMessageBox::ButtonRole>>;

// A question with the answers as buttons, in that order: the last one is the answer to Escape,
// and the default unless `preferred` names another. Returns the index of the answer clicked;
// -1 for none.
qsizetype ask(QWidget* parent, const QString& text, const Answers& answers,
              qsizetype preferred = -1, const QString& objectName = {}) {
    QMessageBox box(QMessageBox::Question, ProgramName, text, QMessageBox::NoButton, parent);
    box.setObjectName(objectName);
    QList<QPushButton*> buttons;
    for (const auto& [caption, role] : answers)
        buttons << box.addButton(caption, role);
    box.setDefaultButton(buttons.value(preferred, buttons.last()));
    box.setEscapeButton(buttons.last());
    box.exec();
    return buttons.indexOf(box.clickedButton());
}

const QString Yes = QStringLiteral("Да");
const QString No = QStringLiteral("Нет");
const QString Cancel = QStringLiteral("Отмена");

} // namespace

QString DialogPrompter::inputBox(const QString& prompt, const QString& title) {
    return askName(parent_.data(), QString(), prompt, title, {}, {});
}

QString DialogPrompter::chooseName(const QString& prompt, const QString& title,
                                   const QStringList& offered, const QString& proposed) {
    return askName(parent_.data(), QStringLiteral("DlgChooseName"), prompt, title, offered,
                   proposed);
}

bool DialogPrompter::question(const QString& text) {
    return ask(parent_.data(), text, {{Yes, QMessageBox::YesRole}, {No, QMessageBox::NoRole}}) == 0;
}

bool DialogPrompter::yesOrCancel(const QString& text) {
    return ask(parent_.data(), text,
               {{Yes, QMessageBox::YesRole}, {Cancel, QMessageBox::RejectRole}}) == 0;
}

core::Prompter::KeepChanges DialogPrompter::askToKeepChanges(const QString& text) {
    const qsizetype answer = ask(parent_.data(), text,
                                 {{Yes, QMessageBox::YesRole},
                                  {No, QMessageBox::NoRole},
                                  {Cancel, QMessageBox::RejectRole}});
    return answer == 0   ? KeepChanges::Save
           : answer == 1 ? KeepChanges::Discard
                         : KeepChanges::Cancel;
}

// The choices, then "Отмена", which is the default when `preferred` names no choice.
std::optional<int> DialogPrompter::choose(const QString& text, const QStringList& choices,
                                          int preferred) {
    Answers answers;
    for (const QString& choice : choices)
        answers.append({choice, QMessageBox::AcceptRole});
    answers.append({Cancel, QMessageBox::RejectRole});
    const qsizetype chosen =
        ask(parent_.data(), text, answers, preferred, QStringLiteral("DlgChoose"));
    return chosen >= 0 && chosen < choices.size() ? std::optional<int>(int(chosen)) : std::nullopt;
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
