#include "exchange/decimalpointscope.h"

namespace exchange {

DecimalPointScope::DecimalPointScope() {
    // A copy of the locale this thread uses now, with "C" numbers.
    const locale_t current = duplocale(uselocale(nullptr));
    if (!current)
        return;
    locale_ = newlocale(LC_NUMERIC_MASK, "C", current);
    if (!locale_) {
        freelocale(current);
        return;
    }
    previous_ = uselocale(locale_);
}

DecimalPointScope::~DecimalPointScope() {
    if (!locale_)
        return;
    uselocale(previous_);
    freelocale(locale_);
}

} // namespace exchange
