#pragma once

// While one of these lives on a thread, the page contents Qt's PDF engine compresses on that
// thread are compressed at zlib's fastest level instead of its default.
//
// A journal page is some 70 kB of drawing operators, and Qt deflates each page at zlib's default
// level, which it offers no way to change: for a register of 32,767 rows (863 pages) that is
// about half the processor time of the whole printout. The fastest level takes a quarter of that
// time and makes the PDF about 45 % larger (6.5 to 9.3 MB); the pages drawn are the same.
//
// Where zlib is a shared library of an ELF system (Linux), the program's own deflateInit_
// (pagecompression.cpp) takes the place of the library's for every caller, Qt included, and
// passes the level on unchanged outside such a scope. Elsewhere this does nothing.
class FastPageCompression {
public:
    FastPageCompression();
    ~FastPageCompression();
    FastPageCompression(const FastPageCompression&) = delete;
    FastPageCompression& operator=(const FastPageCompression&) = delete;
};
