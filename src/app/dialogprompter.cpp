#include "app/dialogprompter.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>
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

const QString KeepMine = QStringLiteral("Оставить мои");
const QString TakeTheirs = QStringLiteral("Взять из файла");

QString columnOf(const core::MergeConflict& conflict) {
    switch (conflict.kind) {
    case core::MergeConflict::DeletedInFile:
        return QStringLiteral("строка удалена в файле");
    case core::MergeConflict::DeletedHere:
        return QStringLiteral("строка удалена у вас");
    case core::MergeConflict::ChangedBoth:
        break;
    }
    return conflict.column;
}

QTableWidgetItem* readOnly(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    item->setToolTip(text);
    return item;
}

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

// The conflicts of a merge with the file another user saved, asked once: one line for each (the
// row's owner and serial, the column, "у вас", "в файле") with its own choice, and two buttons
// that choose for all ("Оставить мои", "Взять из файла"). "Сохранить" saves with the choices
// made, true for each conflict whose file's side is chosen; "Отмена" (and Escape) leaves
// everything as it was.
std::optional<std::vector<bool>>
DialogPrompter::settleConflicts(const QString& fileName,
                                const std::vector<core::MergeConflict>& conflicts) {
    QDialog dialog(parent_.data());
    auto* table = new QTableWidget(int(conflicts.size()), 6, &dialog);
    dialog.setObjectName(QStringLiteral("DlgConflicts"));
    dialog.setWindowTitle(QStringLiteral("Журнал учета ЭКЛЗ"));
    auto* layout = new QVBoxLayout(&dialog);
    auto* text = new QLabel(
        QStringLiteral("Файл %1 тем временем изменил другой пользователь. Остальные его изменения "
                       "объединены с вашими, а здесь вы и он изменили одно и то же по-разному. "
                       "Выберите для каждой строки, что сохранить:")
            .arg(fileName),
        &dialog);
    text->setWordWrap(true);
    layout->addWidget(text);

    table->setObjectName(QStringLiteral("TblConflicts"));
    table->setHorizontalHeaderLabels({QStringLiteral("Владелец"), QStringLiteral("Зав. № ЭКЛЗ"),
                                      QStringLiteral("Колонка"), QStringLiteral("у вас"),
                                      QStringLiteral("в файле"), QStringLiteral("Сохранить")});
    table->verticalHeader()->hide();
    table->setSelectionMode(QAbstractItemView::NoSelection);
    std::vector<QComboBox*> choices;
    for (int i = 0; i < int(conflicts.size()); ++i) {
        const core::MergeConflict& conflict = conflicts[std::size_t(i)];
        table->setItem(i, 0, readOnly(conflict.owner));
        table->setItem(i, 1, readOnly(conflict.serial));
        table->setItem(i, 2, readOnly(columnOf(conflict)));
        table->setItem(i, 3, readOnly(conflict.mine));
        table->setItem(i, 4, readOnly(conflict.theirs));
        auto* choice = new QComboBox(table);
        choice->addItems({KeepMine, TakeTheirs});
        table->setCellWidget(i, 5, choice);
        choices.push_back(choice);
    }
    table->resizeColumnsToContents();
    table->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(table);

    auto* buttons = new QDialogButtonBox(&dialog);
    QPushButton* allMine = buttons->addButton(KeepMine, QDialogButtonBox::ActionRole);
    QPushButton* allTheirs = buttons->addButton(TakeTheirs, QDialogButtonBox::ActionRole);
    allMine->setObjectName(QStringLiteral("CmdKeepMine"));
    allTheirs->setObjectName(QStringLiteral("CmdTakeTheirs"));
    allMine->setToolTip(QStringLiteral("Во всех строках оставить ваши значения"));
    allTheirs->setToolTip(QStringLiteral("Во всех строках взять значения из файла"));
    QPushButton* save =
        buttons->addButton(QStringLiteral("Сохранить"), QDialogButtonBox::AcceptRole);
    save->setObjectName(QStringLiteral("CmdSaveMerged"));
    QPushButton* cancel = buttons->addButton(Cancel, QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("CmdCancelMerge"));
    save->setDefault(true);
    const auto chooseAll = [&choices](bool theirs) {
        for (QComboBox* choice : choices)
            choice->setCurrentIndex(theirs ? 1 : 0);
    };
    QObject::connect(allMine, &QPushButton::clicked, &dialog, [chooseAll] { chooseAll(false); });
    QObject::connect(allTheirs, &QPushButton::clicked, &dialog, [chooseAll] { chooseAll(true); });
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    dialog.resize(760, 160 + 30 * std::min<int>(int(conflicts.size()), 12));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    std::vector<bool> theirs;
    for (const QComboBox* choice : choices)
        theirs.push_back(choice->currentIndex() == 1);
    return theirs;
}

void DialogPrompter::message(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, ProgramName, text, QMessageBox::Ok, parent_.data());
    box.exec();
}

} // namespace app
