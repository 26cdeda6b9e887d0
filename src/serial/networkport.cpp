#include "serial/networkport.h"

#include <QHostAddress>
#include <QHostInfo>
#include <mutex>
#include <thread>

#include "protocol/translation.h"

namespace kestrel {

namespace {
const QString kScheme = QStringLiteral("tcp://");
constexpr int kLongestHost = 253;  // the longest DNS name
}  // namespace

bool isNetworkPortName(const QString& name) {
    return name.startsWith(kScheme, Qt::CaseInsensitive);
}

QString typedNetworkPortName(const QString& typed) {
    const QString name = typed.trimmed();
    return name.contains(QLatin1String("://")) ? name : kScheme + name;
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

namespace {
HostLookup& hostLookup() {
    static HostLookup lookup;
    return lookup;
}
}  // namespace

void setHostLookup(HostLookup lookup) {
    hostLookup() = std::move(lookup);
}

// What the lookup's thread and its socket share: the socket, while it still waits for the answer.
struct ServerSocket::Lookup {
    std::mutex mutex;
    ServerSocket* socket = nullptr;
};

ServerSocket::~ServerSocket() {
    if (!lookup_) return;
    const std::lock_guard lock(lookup_->mutex);
    lookup_->socket = nullptr;
}

void ServerSocket::connectToServer(const NetworkAddress& address) {
    if (const QHostAddress given(address.host); !given.isNull()) return connectToHost(given, address.port);
    if (lookup_) {
        const std::lock_guard lock(lookup_->mutex);
        lookup_->socket = nullptr;  // an earlier lookup's answer is not this one's
    }
    lookup_ = std::make_shared<Lookup>();
    lookup_->socket = this;
    setSocketState(HostLookupState);
    std::thread([lookup = lookup_, host = address.host, port = address.port, lookUp = hostLookup()] {
        const QHostInfo found = lookUp ? lookUp(host) : QHostInfo::fromName(host);
        const std::lock_guard lock(lookup->mutex);
        if (!lookup->socket) return;
        // Handed to the socket's thread; dropped there if the socket is deleted before it runs.
        QMetaObject::invokeMethod(lookup->socket, [lookup, found, port] {
            ServerSocket* socket = nullptr;
            {
                const std::lock_guard lock(lookup->mutex);
                socket = std::exchange(lookup->socket, nullptr);
            }
            if (!socket || socket->state() != HostLookupState) return;
            socket->setSocketState(UnconnectedState);
            if (found.addresses().isEmpty()) {
                socket->setSocketError(HostNotFoundError);
                socket->setErrorString(found.errorString());
                emit socket->errorOccurred(HostNotFoundError);
                return;
            }
            socket->connectToHost(found.addresses().constFirst(), port);
        });
    }).detach();
}

}  // namespace kestrel
