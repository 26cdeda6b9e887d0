#pragma once
// The exchange layer's log for developers, off by default: QT_LOGGING_RULES="kestrel.exchange.debug=true"
// prints each transaction's outcome and the client's retries.

#include <QLoggingCategory>

#include "exchange/transaction.h"

namespace kestrel {

Q_DECLARE_LOGGING_CATEGORY(lcExchange)

// One line for a transaction: who made it, the request's address and command, the outcome and the reply time.
void logTransaction(const char* who, const Transaction& t);

}  // namespace kestrel
