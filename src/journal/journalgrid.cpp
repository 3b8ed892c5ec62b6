#include "journal/journalgrid.h"

#include "core/foldertree.h"
#include "core/journalio.h"
#include "journal/blockdates.h"
#include "model/gridmodel.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>

namespace journal {

void resetJournalGrid(GridModel& grid) {
    // Rows before columns: dropping the rows first spares relaying a large grid's cells.
    grid.setRows(1);
    grid.setCols(FileColumns);
    grid.addItem(QString());
    grid.setFormatString(headerFormat());
}

void showJournalTable(GridModel& grid, CellTable table, bool emptyRowBelow) {
    // The header row goes above the data rows, with the captions the grid has.
    table.insertRows(0, 1);
    for (int c = 0; c < std::min(table.cols(), grid.cols()); ++c)
        table.setCell(0, c, grid.cell(0, c));
    if (emptyRowBelow)
        table.insertRows(table.rows(), 1);
    grid.replaceCells(std::move(table));
}

std::optional<QString> readJournalIntoGrid(GridModel& grid, const QString& path) {
    resetJournalGrid(grid);
    // The folder as the user names it, links and all; the file itself never through a link, as
    // the program opens journals.
    const QFileInfo info(path);
    const FileHandle folder(::open(QFile::encodeName(info.absolutePath()).constData(),
                                   O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.valid())
        return readFailureCause(errno);
    const Opened opened = openRegularAt(folder.fd(), QFile::encodeName(info.fileName()));
    if (!opened.ok())
        return readFailureCause(opened.error);
    QFile file;
    std::optional<FileRead> read;
    if (file.open(opened.handle.fd(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
        read = readJournalFile(file);
    if (!read)
        return QStringLiteral("Файл не удалось прочитать.");
    ReadResult& result = read->result;
    const std::optional<ReadFault> fault = result.fault;
    showJournalTable(grid, std::move(result.table), false);
    if (fault)
        return fault->kind == ReadFault::LineTooLong
                   ? QStringLiteral("Строка %1 длиннее %2 знаков.")
                         .arg(fault->line)
                         .arg(MaxLineLength)
                   : QStringLiteral("Строка %1: не хватает памяти, чтобы читать журнал дальше.")
                         .arg(fault->line);
    fillBlockDates(grid);
    return std::nullopt;
}

} // namespace journal
