#pragma once

#include "exchange/exportfile.h"
#include "exchange/exportsheet.h"
#include "exchange/spreadsheetimport.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <span>

// The exchange with spreadsheets as a module of its own (eklz-exchange.so), which the program
// loads the first time an export or import is asked for, so that a session that never exchanges
// does not map libxlsxwriter, libzip, orcus and what they pull in. The module carries its own
// copies of the core and model code it needs, hidden inside it; it exports one C function, which
// hands over the operations below.
//
// The module and the program pass the model's objects and the exchange's results to each other
// by reference and by value, so they must come from the same build: the table says which one.

namespace model {
class BlockJudgement;
class GridModel;
} // namespace model

namespace exchange {

// Raised whenever a member of ModuleOperations or a type it passes changes.
constexpr int ModuleInterface = 2;

// The operations the program calls, each the function of the same name in the exchange layer.
struct ModuleOperations {
    int interface;          // ModuleInterface, as the module was built
    const char* buildStamp; // the program's version and build the module comes from
    std::optional<QString> (*unknownFormatMessage)(const QString& path);
    ExportSheet (*sheetFromGrid)(const model::GridModel& grid, const model::BlockJudgement& watch,
                                 model::RowFilter filter, std::span<const int> pixelWidths);
    ExportOutcome (*exportSheet)(const ExportSheet& sheet, const QString& path);
    // With the memory the machine has free.
    ImportOutcome (*importFile)(const QString& path);
    QString (*problemsMessage)(const QStringList& problems, qsizetype count, int shown);
};

// The name of the module's one exported function, of the type ModuleEntry.
constexpr const char* ModuleEntryName = "eklz_exchange_operations";
using ModuleEntry = const ModuleOperations* (*)();

} // namespace exchange
