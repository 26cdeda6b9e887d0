#include "serial/networkport.h"

#include "protocol/translation.h"

namespace kestrel {

namespace {
const QString kScheme = QStringLiteral("tcp://");
constexpr int kLongestHost = 253;  // the longest DNS name
}  // namespace

bool isNetworkPortName(const QString& name) {
    return name.startsWith(kScheme, Qt::CaseInsensitive);
}

std::optional<NetworkAddress> parseNetworkPortName(const QString& name, QString* refusal) {
    const auto refuse = [&] {
        if (refusal)
            *refusal =
                Texts::tr("адрес сервера портов %1 не понят: нужно tcp://УЗЕЛ:ПОРТ, порт от 1 до 65535")
                    .arg(name.left(80));
        return std::nullopt;
    };
    if (!isNetworkPortName(name)) return refuse();
    const QString rest = name.mid(kScheme.size());
    const int colon = rest.lastIndexOf(QLatin1Char(':'));
    if (colon <= 0) return refuse();
    QString host = rest.left(colon);
    const QString portText = rest.mid(colon + 1);
    if (host.startsWith(QLatin1Char('['))) {
        if (!host.endsWith(QLatin1Char(']')) || host.size() < 3) return refuse();
        host = host.mid(1, host.size() - 2);
    } else if (host.contains(QLatin1Char(':'))) {
        return refuse();  // an IPv6 address goes in brackets
    }
    if (host.isEmpty() || host.size() > kLongestHost) return refuse();
    for (const QChar c : host)
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != QLatin1Char('.') && c != QLatin1Char('-') &&
            c != QLatin1Char(':') && c != QLatin1Char('_'))
            return refuse();
    if (portText.isEmpty() || portText.size() > 5) return refuse();
    for (const QChar c : portText)
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return refuse();
    const int port = portText.toInt();
    if (port < 1 || port > 65535) return refuse();
    return NetworkAddress{host, quint16(port)};
}

}  // namespace kestrel
