#pragma once

#include <locale.h>

// The C library formats numbers by the process's locale, which Qt sets from the environment:
// under ru_RU.UTF-8 printf writes "0,7". The files the exchange writes want a decimal point
// whatever the user's locale is, and libxlsxwriter writes their widths and margins with the C
// library. (The import reads numbers with Qt, which always takes a point.)
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
