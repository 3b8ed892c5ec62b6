#pragma once

#include <QString>
#include <memory>
#include <optional>

class QSettings;

// What the program does before its window: a command named on the command line runs without
// one, for scripts:
//
//   eklz-journal --export OUT.xlsx|OUT.ods [ЖУРНАЛ]
//   eklz-journal --import ФАЙЛ --to ПУТЬ
//
// "--folder DIR" anywhere names the journal folder for this run, the window's included.
//
// Each command ends with 0, or after a message on standard error with 1 (the command failed) or
// 2 (the command line is wrong).

namespace app {

// The exit codes of a command, as above.
enum ExitCode { Done = 0, Failed = 1, Usage = 2 };

// The exit code when the arguments name a command; none when the window is to start.
std::optional<int> runCommandLine(int argc, char* argv[]);

// The folder of thisyear.csv, Archive/ and Backup/: beside the program when that folder is
// writable (a portable copy) and not a system folder, otherwise the user's data folder (made
// when missing). Needs the application object.
QString programJournalFolder();

// The program's settings: an INI file in the user's configuration folder, never beside the
// journals.
std::unique_ptr<QSettings> journalSettings();

} // namespace app
