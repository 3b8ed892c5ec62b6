#pragma once

#include <QLoggingCategory>

// What the libraries reading a spreadsheet said when they failed: for the log, not for the user.
Q_DECLARE_LOGGING_CATEGORY(exchangeLog)
