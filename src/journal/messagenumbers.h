#pragma once

#include <QString>

namespace journal {

// "32 767": digits in groups of three, as the messages write numbers.
QString grouped(qint64 number);

} // namespace journal
