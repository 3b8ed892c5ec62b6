#pragma once

#include <QtGlobal>

namespace core {

// The memory the system can give this process without swapping, in bytes (the largest
// qsizetype where the system does not tell).
qsizetype availableMemory();

// Gives the system back the free pages inside the heap, where the C library keeps them (freed
// pieces of a few hundred kilobytes stay there otherwise). For after a large structure is let go
// and before its successor is built, so that the two do not add up in the process's memory.
void releaseFreedMemory();

// What opening a journal file of `fileBytes` bytes takes at most: the file's bytes, its text (in
// UTF-16 at worst, a byte a character when it has Windows-1251 bytes) and each cell's entry.
constexpr qsizetype memoryToOpen(qsizetype fileBytes) {
    return fileBytes * 4;
}

} // namespace core
