#include "app/conflictdialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace app {

namespace {

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

ConflictDialog::ConflictDialog(const QString& fileName,
                               const std::vector<core::MergeConflict>& conflicts, QWidget* parent)
    : QDialog(parent) {
    auto* table = new QTableWidget(int(conflicts.size()), 6, this);
    setObjectName(QStringLiteral("DlgConflicts"));
    setWindowTitle(QStringLiteral("Журнал учета ЭКЛЗ"));
    auto* layout = new QVBoxLayout(this);
    auto* text = new QLabel(
        QStringLiteral("Файл %1 тем временем изменил другой пользователь. Остальные его изменения "
                       "объединены с вашими, а здесь вы и он изменили одно и то же по-разному. "
                       "Выберите для каждой строки, что сохранить:")
            .arg(fileName),
        this);
    text->setWordWrap(true);
    layout->addWidget(text);

    table->setObjectName(QStringLiteral("TblConflicts"));
    table->setHorizontalHeaderLabels({QStringLiteral("Владелец"), QStringLiteral("Зав. № ЭКЛЗ"),
                                      QStringLiteral("Колонка"), QStringLiteral("у вас"),
                                      QStringLiteral("в файле"), QStringLiteral("Сохранить")});
    table->verticalHeader()->hide();
    table->setSelectionMode(QAbstractItemView::NoSelection);
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
        choices_.push_back(choice);
    }
    table->resizeColumnsToContents();
    table->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(table);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* allMine = buttons->addButton(KeepMine, QDialogButtonBox::ActionRole);
    QPushButton* allTheirs = buttons->addButton(TakeTheirs, QDialogButtonBox::ActionRole);
    allMine->setObjectName(QStringLiteral("CmdKeepMine"));
    allTheirs->setObjectName(QStringLiteral("CmdTakeTheirs"));
    allMine->setToolTip(QStringLiteral("Во всех строках оставить ваши значения"));
    allTheirs->setToolTip(QStringLiteral("Во всех строках взять значения из файла"));
    QPushButton* save =
        buttons->addButton(QStringLiteral("Сохранить"), QDialogButtonBox::AcceptRole);
    save->setObjectName(QStringLiteral("CmdSaveMerged"));
    QPushButton* cancel =
        buttons->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("CmdCancelMerge"));
    save->setDefault(true);
    const auto chooseAll = [this](bool theirs) {
        for (QComboBox* choice : choices_)
            choice->setCurrentIndex(theirs ? 1 : 0);
    };
    connect(allMine, &QPushButton::clicked, this, [chooseAll] { chooseAll(false); });
    connect(allTheirs, &QPushButton::clicked, this, [chooseAll] { chooseAll(true); });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(760, 160 + 30 * std::min<int>(int(conflicts.size()), 12));
}

std::vector<bool> ConflictDialog::takeTheirs() const {
    std::vector<bool> theirs;
    for (const QComboBox* choice : choices_)
        theirs.push_back(choice->currentIndex() == 1);
    return theirs;
}

} // namespace app
