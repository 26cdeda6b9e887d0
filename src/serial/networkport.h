#pragma once
// Serial device servers: a bus behind a serial-to-Ethernet server in "TCP server" mode is reached by the
// port name "tcp://HOST:PORT" (the server keeps its line at 19200 8N1 itself). The name goes wherever a
// port's name goes: the port list, --port, the settings file; the real port (qtserialport.h) opens it as
// a TCP connection.

#include <QHostInfo>
#include <QString>
#include <QTcpSocket>
#include <functional>
#include <memory>
#include <optional>

namespace kestrel {

struct NetworkAddress {
    QString host;  // a name, an IPv4 address or an IPv6 address (without its brackets)
    quint16 port = 0;
};

// Whether `name` names a serial device server rather than a device node.
bool isNetworkPortName(const QString& name);
// The name of the server an engineer typed: "HOST:PORT" as well as "tcp://HOST:PORT" (blanks around it
// dropped); a name with a scheme is kept as it is, to be judged by parseNetworkPortName.
QString typedNetworkPortName(const QString& typed);
// The host and port of "tcp://HOST:PORT" (an IPv6 address in brackets, the port 1..65535 in digits,
// nothing after it); nothing, with the reason in `refusal`, for anything else.
std::optional<NetworkAddress> parseNetworkPortName(const QString& name, QString* refusal = nullptr);

// How a server's name is looked up: the system's resolver (QHostInfo::fromName), unless a test puts one
// of its own here (an empty function: the system's again). Set it before any lookup starts.
using HostLookup = std::function<QHostInfo(const QString& host)>;
void setHostLookup(HostLookup lookup);

// A connection to a serial device server whose name is looked up on a thread of its own. The C library's
// lookup cannot be interrupted: a resolver that never answers would otherwise hold whoever waits for it (the
// window's event loop, a client past its deadline, even the program's end, which waits for Qt's own
// lookups). Abandoned, the lookup ends by itself and its answer is dropped.
class ServerSocket : public QTcpSocket {
  public:
    explicit ServerSocket(QObject* parent = nullptr) : QTcpSocket(parent) {}
    ~ServerSocket() override;
    // Looks `address.host` up (an address given as such is not looked up) and connects to it; as
    // connectToHost() reports, by connected() or errorOccurred(). While the name is looked up, the state is
    // HostLookupState.
    void connectToServer(const NetworkAddress& address);

  private:
    struct Lookup;
    std::shared_ptr<Lookup> lookup_;
};

}  // namespace kestrel
