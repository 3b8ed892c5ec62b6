#include "core/journalcolumns.h"
#include "core/journalpaths.h"
#include "core/prompter.h"
#include "journal/journalfiles.h"
#include "model/gridmodel.h"

#include <QStringList>

// The questions and prompts of opening and saving that need no file.
namespace journal {

std::optional<QString> askArchiveName(core::Prompter& prompter, const QString& prompt,
                                      const QStringList& offered, const QString& proposed) {
    const QString answer = prompter.chooseName(prompt, prompt, offered, proposed);
    if (answer.isEmpty())
        return std::nullopt;
    QString name = core::archiveName(answer);
    if (const std::optional<QString> refusal = core::archiveNameRefusal(name)) {
        prompter.message(*refusal);
        return std::nullopt;
    }
    return name;
}

std::optional<QString> unwrittenColumnsQuestion(const model::GridModel& grid) {
    QStringList columns;
    for (int c = core::FileColumns; c < grid.columnCount(); ++c) {
        int filled = 0;
        for (int r = 0; r < grid.rowCount(); ++r)
            filled += grid.cell(r, c).isEmpty() ? 0 : 1;
        if (filled == 0)
            continue;
        columns << QStringLiteral("колонка %1, заполнено ячеек: %2")
                       .arg(model::columnLabel(grid, c), QString::number(filled));
    }
    if (columns.isEmpty())
        return std::nullopt;
    return QStringLiteral("В файл журнала записываются только первые восемь колонок. Не будут "
                          "записаны: %1. Сохранить без них?")
        .arg(columns.join(QStringLiteral("; ")));
}

QStringList saveTargetChoices(const QString& archiveName) {
    return {QStringLiteral("В архив ") + archiveName, QStringLiteral("В thisyear.csv")};
}

QString openArchivePrompt() {
    return QStringLiteral("Введите год (или другое имя файла)");
}

QString saveAsPrompt() {
    return QStringLiteral("Введите имя файла");
}

} // namespace journal
