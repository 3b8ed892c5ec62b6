#pragma once

#include <QString>

#ifdef Q_OS_UNIX
#include <sys/types.h>
#endif

namespace core {

// The name of the user running the program: the password database's, else USER (or USERNAME),
// else the user's number.
QString accountName();

#ifdef Q_OS_UNIX
// The name of that user (a file's owner), or the user's number when the system knows no name.
QString accountNameOf(uid_t user);
#endif

} // namespace core
