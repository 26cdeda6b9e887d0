#include "exchange/logging.h"

namespace kestrel {

Q_LOGGING_CATEGORY(lcExchange, "kestrel.exchange", QtWarningMsg)

void logTransaction(const char* who, const Transaction& t) {
    if (!lcExchange().isDebugEnabled()) return;
    const QString request = t.request.size() >= 3
                                ? QStringLiteral("address %1 command %2")
                                      .arg(static_cast<quint8>(t.request[1]))
                                      .arg(static_cast<quint8>(t.request[2]), 2, 16, QLatin1Char('0'))
                                : QStringLiteral("no request");
    const auto ms = t.replyTimeMs();
    qCDebug(lcExchange).noquote() << who << ":" << request << "->" << outcomeKey(t.outcome) << t.reply.size()
                                  << "bytes" << (ms ? QStringLiteral("in %1 ms").arg(*ms) : QString());
}

}  // namespace kestrel
