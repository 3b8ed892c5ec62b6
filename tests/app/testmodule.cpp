// Modules that the exchange loader must refuse: one from another build of the program, one of
// another interface, one without the entry.
#include "exchange/exchangemodule.h"

#ifdef EKLZ_TEST_NO_ENTRY

extern "C" __attribute__((visibility("default"))) int eklz_exchange_something_else() {
    return 0;
}

#else

namespace {

const exchange::ModuleOperations Operations{
    EKLZ_TEST_INTERFACE, EKLZ_TEST_BUILD_STAMP, nullptr, nullptr, nullptr, nullptr, nullptr,
};

} // namespace

extern "C" __attribute__((visibility("default"))) const exchange::ModuleOperations*
eklz_exchange_operations() {
    return &Operations;
}

#endif
