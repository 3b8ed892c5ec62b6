#include "journal/journalgrid.h"

#include "core/foldertree.h"
#include "core/journaldates.h"
#include "core/journalio.h"
#include "model/blockjudgement.h"
#include "model/gridmodel.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>

namespace journal {

void fillBlockDates(model::GridModel& grid) {
    fillBlockDates(grid, model::BlockJudgement(grid, {}));
}

void fillBlockDates(model::GridModel& grid, const model::BlockJudgement& judgement) {
    // Read before the first write, which makes the judgement out of date.
    const std::vector<int> rows = judgement.unfilledRows();
    if (rows.empty())
        return;
    const int activation = *judgement.activationColumn();
    const int block = *judgement.blockColumn();
    const int count = grid.rowCount();
    for (const int row : rows) {
        // A slot that reacts to a written cell may have inserted or removed rows.
        if (grid.rowCount() != count)
            return;
        core::DateBuffer buffer;
        grid.setText(row, block,
                     core::blockDateText(grid.text(row, activation), buffer).toString());
    }
}

void resetJournalGrid(model::GridModel& grid) {
    // Rows before columns: dropping the rows first spares relaying a large grid's cells.
    grid.setRowCount(0);
    grid.setColumnCount(core::FileColumns);
    grid.appendRow();
    grid.setHeaderFormat(core::headerFormat());
}

void showJournalTable(model::GridModel& grid, QList<QStringList> rows, bool emptyRowBelow) {
    if (emptyRowBelow)
        rows.append(QStringList());
    grid.replaceDataRows(std::move(rows));
}

QList<QStringList> asOpened(QList<QStringList> rows) {
    model::GridModel grid;
    resetJournalGrid(grid);
    showJournalTable(grid, std::move(rows), false);
    fillBlockDates(grid);
    return grid.dataRows();
}

std::optional<QString> readJournalIntoGrid(model::GridModel& grid, const QString& path) {
    resetJournalGrid(grid);
    // The folder as the user names it, links and all; the file itself never through a link, as
    // the program opens journals.
    const QFileInfo info(path);
    const core::FileHandle folder(::open(QFile::encodeName(info.absolutePath()).constData(),
                                         O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.valid())
        return core::readFailureCause(errno);
    const core::Opened opened =
        core::openRegularAt(folder.fd(), QFile::encodeName(info.fileName()));
    if (!opened.ok())
        return core::readFailureCause(opened.error);
    std::optional<core::FileRead> read = core::readJournalFile(opened.handle.fd());
    if (!read)
        return QStringLiteral("Файл не удалось прочитать.");
    core::ReadResult& result = read->result;
    const std::optional<core::ReadFault> fault = result.fault;
    showJournalTable(grid, std::move(result.rows), false);
    if (fault)
        return fault->kind == core::ReadFault::LineTooLong
                   ? QStringLiteral("Строка %1 длиннее %2 знаков.")
                         .arg(fault->line)
                         .arg(core::MaxLineLength)
                   : QStringLiteral("Строка %1: не хватает памяти, чтобы читать журнал дальше.")
                         .arg(fault->line);
    fillBlockDates(grid);
    return std::nullopt;
}

} // namespace journal
