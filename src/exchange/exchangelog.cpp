#include "exchange/exchangelog.h"

Q_LOGGING_CATEGORY(exchangeLog, "eklz.exchange")
