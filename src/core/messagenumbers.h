#pragma once

#include <QString>

namespace core {

// "32 767": digits in groups of three, as the messages write numbers.
QString grouped(qint64 number);

} // namespace core
