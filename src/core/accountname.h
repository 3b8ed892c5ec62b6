#pragma once

#include <QString>
#include <sys/types.h>

namespace core {

// The name of the user running the program: the password database's, else USER (or USERNAME),
// else the user's number.
QString accountName();

// The password database's name of that user, else the user's number.
QString userName(uid_t user);

} // namespace core
