#pragma once

#include <QtGlobal>

namespace core {

// The memory the system can give this process without swapping, in bytes (the largest
// qsizetype where the system does not tell).
qsizetype availableMemory();

// What opening a journal file of `fileBytes` bytes takes, about: the file's bytes and its rows,
// each cell a QString of its own (some 60 bytes besides its text in UTF-16, and a journal line
// of eight cells is some 80 bytes long). The reader's memory budget stops a file of shorter
// cells in time.
constexpr qsizetype memoryToOpen(qsizetype fileBytes) {
    return fileBytes * 8;
}

} // namespace core
