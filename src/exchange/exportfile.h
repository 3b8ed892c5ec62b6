#pragma once

#include <QString>
#include <optional>

namespace exchange {

class ExportSheet;

// The message for a path of no format written here ("Не удалось выгрузить журнал в файл ...");
// none for an .xlsx or .ods path.
std::optional<QString> unknownFormatMessage(const QString& path);

struct ExportOutcome {
    bool ok = true;
    QString message; // for the user; empty when written
};

// Writes the sheet to `path` in the format its extension names. The file is written under a
// temporary name of the program's own beside it and renamed into place only once complete: a
// failure leaves no half file and `path` as it was, and the message says why.
ExportOutcome exportSheet(const ExportSheet& sheet, const QString& path);

} // namespace exchange
