#pragma once

#include <QString>
#include <optional>

namespace exchange {

class ExportSheet;

// The sheet as an Excel workbook of one sheet at `path` (written in place: exportfile.h makes a
// write atomic). Every cell a string, but for the dates of the date columns, which are dates
// shown ДД.ММ.ГГГГ; the header row bold, frozen and filtered; the columns' widths; the shading.
// None when written, else why not, in words for the user. exportSheet checks that it fits.
std::optional<QString> writeXlsx(const ExportSheet& sheet, const QString& path);

} // namespace exchange
