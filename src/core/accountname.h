#pragma once

#include <QString>

namespace core {

// The name of the user running the program: the password database's, else USER (or USERNAME),
// else the user's number.
QString accountName();

} // namespace core
