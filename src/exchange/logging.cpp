#include "exchange/logging.h"

namespace kestrel {

Q_LOGGING_CATEGORY(lcExchange, "kestrel.exchange", QtWarningMsg)

namespace {
const char* fitText(Fit fit) {
    switch (fit) {
        case Fit::None:
            break;
        case Fit::Answers:
            return "answers the request";
        case Fit::Acknowledgement:
            return "an acknowledgement";
        case Fit::OtherCommand:
            return "another command's reply";
        case Fit::LongerThanItsCommand:
            return "longer than its command's reply";
    }
    return "";
}
}  // namespace

void logTransaction(const char* who, const Transaction& t) {
    if (!lcExchange().isDebugEnabled()) return;
    QString line = QStringLiteral("%1: ").arg(QLatin1String(who));
    if (t.request.size() >= 3)
        line += QStringLiteral("address %1 command %2")
                    .arg(static_cast<quint8>(t.request[1]))
                    .arg(QString::number(static_cast<quint8>(t.request[2]), 16).toUpper());
    else
        line += QStringLiteral("no request");
    line += QStringLiteral(" -> %1, %2 bytes").arg(outcomeKey(t.outcome)).arg(t.reply.size());
    if (t.fit != Fit::None) line += QStringLiteral(", %1").arg(QLatin1String(fitText(t.fit)));
    if (const auto ms = t.replyTimeMs()) line += QStringLiteral(" after %1 ms").arg(*ms);
    qCDebug(lcExchange).noquote() << line;
}

}  // namespace kestrel
