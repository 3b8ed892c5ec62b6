#pragma once

#include <cstdio>
#include <cstdlib>

// A promise the program makes about its input; a broken one aborts, and libFuzzer keeps the input.
[[noreturn]] inline void brokenPromise(const char* file, int line, const char* promise) {
    std::fprintf(stderr, "%s:%d: broken: %s\n", file, line, promise);
    std::abort();
}

#define PROMISE(condition) ((condition) ? void() : brokenPromise(__FILE__, __LINE__, #condition))
