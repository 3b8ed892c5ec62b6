#pragma once

#include <locale.h>

// The C library formats and parses numbers by the process's locale, which Qt sets from the
// environment: under ru_RU.UTF-8 printf writes "0,7" and strtod stops at "12.5"'s point. The
// files the exchange writes and reads want a decimal point whatever the user's locale is: their
// libraries (libxlsxwriter's widths and margins, orcus) and our own parsing use the C library.
//
// While a scope lives, the C library on this thread reads and writes numbers as the "C" locale
// does; its other categories, and the other threads, keep the locale they had.

namespace exchange {

class DecimalPointScope {
public:
    DecimalPointScope();
    ~DecimalPointScope();
    DecimalPointScope(const DecimalPointScope&) = delete;
    DecimalPointScope& operator=(const DecimalPointScope&) = delete;

private:
    locale_t locale_ = nullptr;   // ours, null when none could be made
    locale_t previous_ = nullptr; // the thread's before, given back at the end
};

} // namespace exchange
