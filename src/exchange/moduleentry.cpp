// The entry of the module eklz-exchange.so: built into the module only, not into the exchange
// layer's library, which the tests link as it is.
#include "exchange/exchangemodule.h"

namespace {

const exchange::ModuleOperations Operations{
    exchange::ModuleInterface,       EKLZ_BUILD_STAMP,
    &exchange::unknownFormatMessage, &exchange::sheetFromGrid,
    &exchange::exportSheet,          [](const QString& path) { return exchange::importFile(path); },
    &exchange::problemsMessage,
};

} // namespace

extern "C" __attribute__((visibility("default"))) const exchange::ModuleOperations*
eklz_exchange_operations() {
    return &Operations;
}
