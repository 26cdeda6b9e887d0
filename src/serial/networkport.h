#pragma once
// Serial device servers: a bus behind a serial-to-Ethernet server in "TCP server" mode is reached by the
// port name "tcp://HOST:PORT" (the server keeps its line at 19200 8N1 itself). The name goes wherever a
// port's name goes: the port list, --port, the settings file; the real port (qtserialport.h) opens it as
// a TCP connection.

#include <QString>
#include <optional>

namespace kestrel {

struct NetworkAddress {
    QString host;  // a name, an IPv4 address or an IPv6 address (without its brackets)
    quint16 port = 0;
};

// Whether `name` names a serial device server rather than a device node.
bool isNetworkPortName(const QString& name);
// The host and port of "tcp://HOST:PORT" (an IPv6 address in brackets, the port 1..65535 in digits,
// nothing after it); nothing, with the reason in `refusal`, for anything else.
std::optional<NetworkAddress> parseNetworkPortName(const QString& name, QString* refusal = nullptr);

}  // namespace kestrel
