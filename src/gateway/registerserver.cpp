#include "gateway/registerserver.h"

#include <QTcpSocket>
#include <QTimer>
#include <QtEndian>

#include "protocol/translation.h"

namespace kestrel::gateway {

namespace {

constexpr int kHeaderBytes = 7;  // transaction, protocol, length (2 bytes each), unit
constexpr int kMaxLength = 254;  // the unit and the longest PDU, 253 bytes
constexpr int kMinLength = 2;    // the unit and a function code
constexpr int kMostRegisters = 125;

QModbusResponse exception(const QModbusPdu& request, QModbusExceptionResponse::ExceptionCode code) {
    return QModbusExceptionResponse(request.functionCode(), code);
}

}  // namespace

class RegisterServer::Observer : public QModbusTcpConnectionObserver {
  public:
    explicit Observer(RegisterServer* server) : server_(server) {}
    bool acceptNewConnection(QTcpSocket* socket) override { return server_->accept(socket); }

  private:
    RegisterServer* server_;
};

RegisterServer::RegisterServer(Reader reader, Options options, QObject* parent)
    : QModbusTcpServer(parent), reader_(std::move(reader)), options_(options) {
    installConnectionObserver(new Observer(this));
    connect(this, &QModbusTcpServer::modbusClientDisconnected, this,
            [this](QTcpSocket* socket) { clients_.remove(socket); });
}

RegisterServer::~RegisterServer() {
    // Qt's server closes its connections after this part of the object is gone: nothing of theirs may
    // reach the guard then.
    for (auto it = clients_.begin(); it != clients_.end(); ++it) it.key()->disconnect(this);
    clients_.clear();
    disconnect(this, &QModbusTcpServer::modbusClientDisconnected, this, nullptr);
}

bool RegisterServer::accept(QTcpSocket* socket) {
    if (clients_.size() >= options_.maxConnections) {
        emit clientClosed(socket->peerAddress().toString(),
                          Texts::tr("больше %1 соединений одновременно").arg(options_.maxConnections));
        return false;
    }
    Stream& stream = clients_[socket];
    auto* idle = new QTimer(socket);
    idle->setSingleShot(true);
    idle->setInterval(options_.idleMs);
    connect(idle, &QTimer::timeout, this, [this, socket] {
        drop(socket, Texts::tr("соединение молчит дольше %1 с").arg(options_.idleMs / 1000.0));
    });
    idle->start();
    stream.idle = idle;
    // Connected before the server's own reading, so the guard sees each piece before the server takes it.
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] { look(socket); });
    connect(socket, &QObject::destroyed, this, [this, socket] { clients_.remove(socket); });
    return true;
}

void RegisterServer::look(QTcpSocket* socket) {
    const auto it = clients_.find(socket);
    if (it == clients_.end()) return;
    Stream& s = *it;
    if (s.idle) s.idle->start();
    const QByteArray bytes = socket->peek(socket->bytesAvailable());
    qsizetype at = 0;
    while (at < bytes.size()) {
        if (s.bodyLeft > 0) {
            const qsizetype take = std::min<qsizetype>(s.bodyLeft, bytes.size() - at);
            s.bodyLeft -= take;
            at += take;
            continue;
        }
        const qsizetype take = std::min<qsizetype>(kHeaderBytes - s.header.size(), bytes.size() - at);
        s.header += bytes.mid(at, take);
        at += take;
        if (s.header.size() < kHeaderBytes) break;
        const auto* h = reinterpret_cast<const uchar*>(s.header.constData());
        const quint16 protocol = qFromBigEndian<quint16>(h + 2);
        const quint16 length = qFromBigEndian<quint16>(h + 4);
        if (protocol != 0 || length < kMinLength || length > kMaxLength) {
            drop(socket, protocol != 0 ? Texts::tr("заголовок не Modbus TCP (протокол %1)").arg(protocol)
                                       : Texts::tr("длина запроса %1 вне 2..254").arg(length));
            return;
        }
        s.bodyLeft = length - 1;  // the unit is in the header
        s.header.clear();
    }
}

void RegisterServer::drop(QTcpSocket* socket, const QString& reason) {
    if (!clients_.contains(socket)) return;
    clients_.remove(socket);
    emit clientClosed(socket->peerAddress().toString(), reason);
    // After the server's own reading of this piece (its handler runs after the guard's): the server forgets
    // the connection when it disconnects.
    QMetaObject::invokeMethod(
        socket, [socket] { socket->abort(); }, Qt::QueuedConnection);
}

QModbusResponse RegisterServer::processRequest(const QModbusPdu& request) {
    const auto fc = request.functionCode();
    if (fc != QModbusPdu::ReadHoldingRegisters && fc != QModbusPdu::ReadInputRegisters)
        return exception(request, QModbusExceptionResponse::IllegalFunction);
    if (request.dataSize() != 4) return exception(request, QModbusExceptionResponse::IllegalDataValue);
    quint16 start = 0, count = 0;
    request.decodeData(&start, &count);
    if (count < 1 || count > kMostRegisters)
        return exception(request, QModbusExceptionResponse::IllegalDataValue);
    const std::optional<QVector<quint16>> values = reader_(start, count);
    if (!values) return exception(request, QModbusExceptionResponse::IllegalDataAddress);
    QByteArray data(1 + 2 * values->size(), Qt::Uninitialized);
    data[0] = char(2 * values->size());
    for (qsizetype i = 0; i < values->size(); ++i)
        qToBigEndian<quint16>(values->at(i), data.data() + 1 + 2 * i);
    return QModbusResponse(fc, data);
}

}  // namespace kestrel::gateway
