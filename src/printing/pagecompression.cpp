#include "printing/pagecompression.h"

#include <zlib.h>

namespace {

thread_local int fastScopes = 0;

} // namespace

FastPageCompression::FastPageCompression() {
    ++fastScopes;
}

FastPageCompression::~FastPageCompression() {
    --fastScopes;
}

#if defined(__ELF__)

namespace {

// What zlib's deflateInit_ passes to deflateInit2_ besides the level (zlib's DEF_MEM_LEVEL).
constexpr int ZlibMemLevel = 8;

} // namespace

// zlib's deflateInit_, which deflateInit() expands to, as zlib defines it; only a default level
// asked for within a FastPageCompression becomes the fastest. Being part of the program, it is
// bound before the shared library's for the libraries the program loads.
extern "C" int deflateInit_(z_streamp stream, int level, const char* version, int streamSize) {
    if (fastScopes > 0 && level == Z_DEFAULT_COMPRESSION)
        level = Z_BEST_SPEED;
    return deflateInit2_(stream, level, Z_DEFLATED, MAX_WBITS, ZlibMemLevel, Z_DEFAULT_STRATEGY,
                         version, streamSize);
}

#endif
