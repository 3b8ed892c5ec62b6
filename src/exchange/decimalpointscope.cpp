#include "exchange/decimalpointscope.h"

namespace exchange {

DecimalPointScope::DecimalPointScope() {
    // A copy of the locale this thread uses now, with "C" numbers.
    const locale_t current = duplocale(uselocale(nullptr));
    locale_ = current ? newlocale(LC_NUMERIC_MASK, "C", current) : nullptr;
    if (locale_)
        previous_ = uselocale(locale_);
    else if (current)
        freelocale(current);
}

DecimalPointScope::~DecimalPointScope() {
    if (!locale_)
        return;
    uselocale(previous_);
    freelocale(locale_);
}

} // namespace exchange
