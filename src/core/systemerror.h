#pragma once

#include <QString>

namespace core {

// Error numbers of our own for what the system calls no error but the journal refuses.
enum : int {
    NotARegularFile = -1001, // a FIFO, device, socket or folder where a journal file was expected
};

// Why a file operation failed, from the error number of the failing call, in words a mechanic
// can act on ("На диске нет места."); a number without a text of ours gets the system's own.
QString systemErrorText(int error);

} // namespace core
