#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

// "eklz-journal --import FILE --to PATH": a spreadsheet (or a .csv a spreadsheet wrote) written as
// the journal file PATH, without a window.

namespace app {

// The import for these arguments (the program's name first) into the journal folder's files:
// 0 when PATH was written (problems, if any, told on `errors`), 1 when nothing was written (the
// cause told), 2 for arguments it does not take (the usage told). PATH "thisyear.csv" is this
// year's register and "Archive/NAME.csv" the archive NAME, both in the journal folder and saved
// as the window saves them; any other PATH is a file as given (relative to the working folder),
// whose folder keeps the save lock and, in its Backup subfolder, the version it replaces.
int importCommand(const QStringList& arguments, const QString& journalFolder, QTextStream& errors);

} // namespace app
