#include "exchange/echo.h"

#include "exchange/transaction.h"

namespace kestrel {

QString echoModeKey(EchoMode mode) {
    switch (mode) {
        case EchoMode::Auto:
            return QStringLiteral("auto");
        case EchoMode::On:
            return QStringLiteral("on");
        case EchoMode::Off:
            return QStringLiteral("off");
    }
    return {};
}

std::optional<EchoMode> echoModeFromKey(const QString& key) {
    for (EchoMode m : {EchoMode::Auto, EchoMode::On, EchoMode::Off})
        if (key == echoModeKey(m)) return m;
    return std::nullopt;
}

qsizetype echoLength(const QByteArray& request, const QByteArray& read, EchoMode mode) {
    if (request.isEmpty() || read.isEmpty()) return 0;
    switch (mode) {
        case EchoMode::Auto:
            return read.startsWith(request) ? request.size() : 0;
        case EchoMode::On:
            return std::min(request.size(), read.size());
        case EchoMode::Off:
            return 0;
    }
    return 0;
}

bool echoIncomplete(const QByteArray& request, const QByteArray& read, EchoMode mode) {
    if (request.isEmpty() || read.size() >= request.size()) return false;
    // In auto only a true start of the request can still grow into its echo.
    return mode == EchoMode::On || (mode == EchoMode::Auto && request.startsWith(read));
}

void removeEcho(Transaction& t, EchoMode mode) {
    const qsizetype echo = echoLength(t.request, t.reply, mode);
    t.echoRemoved = echo > 0;
    if (echo > 0) t.reply.remove(0, echo);
}

}  // namespace kestrel
