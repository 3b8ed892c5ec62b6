#pragma once

#include <QtGlobal>

namespace core {

// The memory the system can give this process without swapping, in bytes (the largest
// qsizetype where the system does not tell).
qsizetype availableMemory();

// What opening a journal file of `fileBytes` bytes takes at most: the file's bytes, its text in
// UTF-16 and each cell's entry.
constexpr qsizetype memoryToOpen(qsizetype fileBytes) {
    return fileBytes * 4;
}

} // namespace core
