#pragma once
// The gateway's MQTT side: retained messages to a broker with libmosquitto. The network runs on a thread of
// its own (connect, the keep-alive, reading and writing), so a broker that is slow to look up, to connect
// or to answer never holds the event loop that polls the bus. What to send is decided on the event loop:
//
//  - one message per reader address is held, the newest (offer() replaces an unsent one): however long the
//    broker is away, the gateway holds at most one message per reader;
//  - at most `inflight` messages are handed to the library and not yet acknowledged by the broker; the
//    others wait here, so nothing queues inside the library without bound;
//  - PREFIX/SITE/status is "online" (retained) after each connection, with a last will of "offline";
//  - a broker that cannot be reached, refuses the login, or does not acknowledge the connection within
//    `ackWaitMs` is tried again after a back-off that doubles from `firstBackOffMs` to `maxBackOffMs`;
//    each of these is said once (event()) until the broker is there again.

#include <QByteArray>
#include <QObject>
#include <QString>
#include <map>
#include <memory>

namespace kestrel::gateway {

struct MqttOptions {
    QString host;
    quint16 port = 1883;
    QString prefix = QStringLiteral("kestrel");
    QString site;
    QString caFile;    // TLS with this CA file; empty: plain TCP
    QString user;      // empty: no login
    QString password;  // with `user`
    QString clientId;  // empty: one made of the site, the host name and the process
    int keepAliveS = 30;
    int firstBackOffMs = 1000;
    int maxBackOffMs = 60000;
    int ackWaitMs = 10000;
    int inflight = 32;
};

// The wait before the next connection attempt after `failures` failed ones in a row (1: the first).
int backOffMs(int failures, int firstMs, int maxMs);

// The topics: PREFIX/SITE/reader/A and PREFIX/SITE/status.
QString readerTopic(const MqttOptions& o, quint8 address);
QString statusTopic(const MqttOptions& o);

class MqttPublisher : public QObject {
    Q_OBJECT
  public:
    explicit MqttPublisher(MqttOptions options, QObject* parent = nullptr);
    // Ends at once: a connection is dropped without a word (the broker then publishes the last will).
    ~MqttPublisher() override;

    // Starts connecting; false (with the reason) when the library refuses the settings (a CA file it cannot
    // use, say): nothing is started then.
    bool start(QString* why);
    // The newest message of the reader at `address`, retained on its topic; replaces one not sent yet.
    void offer(quint8 address, const QByteArray& payload);
    // The orderly end: "offline" on the status topic, the messages held sent while the broker takes them,
    // then a clean disconnect; finished() follows, within `waitMs` in any case.
    void finish(int waitMs);

    bool isConnected() const { return connected_; }
    // Messages held here, not yet handed to the library.
    int held() const { return int(held_.size()); }
    // Handed to the library and not yet acknowledged.
    int inFlight() const { return inflight_; }
    const MqttOptions& options() const { return options_; }

  signals:
    // A line for the log: connected, unreachable, refused, not acknowledged, lost. Each said once until
    // the state changes.
    void told(const QString& text);
    void connectedChanged(bool connected);
    void finished();

  private:
    struct Link;
    void onConnected();
    void onFailure(int kind, const QString& detail);
    void onAcknowledged();
    void onClosed();
    void flush();
    void endLink();
    bool publish(const QString& topic, const QByteArray& payload);
    void say(int kind, const QString& text);

    MqttOptions options_;
    std::shared_ptr<Link> link_;
    std::map<quint8, QByteArray> held_;
    bool connected_ = false;
    bool finishing_ = false;
    int inflight_ = 0;
    int lastSaid_ = -1;       // the kind of event said last
    quint8 nextAddress_ = 0;  // where the next flush starts looking
    bool finishedSent_ = false;
};

}  // namespace kestrel::gateway
