#pragma once
// The gateway's Modbus TCP server: Qt's QModbusTcpServer answering reads of input registers (function 4)
// and holding registers (function 3) from the register map (registermap.h), the same in both. Every other
// function, the writes included, is refused with "illegal function" and reaches nothing; a read that
// leaves the map gets "illegal data address".
//
// Guards for clients that misbehave, so the bus's polling on the same event loop never waits on them: a
// header that cannot start a Modbus request (protocol id not 0, a length no request has) closes the
// connection; so does a connection that has kept an unfinished request longer than the idle time, and one
// past the most connections served at a time.

#include <QHash>
#include <QModbusTcpServer>
#include <QPointer>
#include <functional>
#include <optional>

class QTcpSocket;
class QTimer;

namespace kestrel::gateway {

class RegisterServer : public QModbusTcpServer {
    Q_OBJECT
  public:
    // The registers [start, start + count), or nothing when they leave the map.
    using Reader = std::function<std::optional<QVector<quint16>>(int start, int count)>;

    struct Options {
        int maxConnections = 32;
        int idleMs = 60000;  // a connection silent this long with a request unfinished, or at all, is closed
    };

    RegisterServer(Reader reader, Options options, QObject* parent = nullptr);
    ~RegisterServer() override;

    // Connections open now.
    int connections() const { return int(clients_.size()); }

  signals:
    // A client was closed by a guard: its peer and why, for the log.
    void clientClosed(const QString& peer, const QString& reason);

  protected:
    QModbusResponse processRequest(const QModbusPdu& request) override;

  private:
    // What the guard knows of one connection's byte stream: where the next request's header begins.
    struct Stream {
        QByteArray header;      // the header's bytes so far (at most 7)
        qint64 bodyLeft = 0;    // bytes of the current request's body still to come
        QPointer<QTimer> idle;  // closes the connection when it stays silent
    };
    class Observer;
    bool accept(QTcpSocket* socket);
    void look(QTcpSocket* socket);
    void drop(QTcpSocket* socket, const QString& reason);

    Reader reader_;
    Options options_;
    QHash<QTcpSocket*, Stream> clients_;
};

}  // namespace kestrel::gateway
