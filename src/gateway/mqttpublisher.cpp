#include "gateway/mqttpublisher.h"

#include <mosquitto.h>
#include <unistd.h>

#include <QFile>
#include <QHostInfo>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <mutex>
#include <thread>

#include "protocol/translation.h"

namespace kestrel::gateway {

namespace {

// What the network thread reports, and what the log says once until it changes.
enum Kind { kConnected, kUnreachable, kRefused, kNoAck, kLost };

constexpr int kLoopWaitMs = 100;  // the network thread looks at its stop flag this often
constexpr int kQos = 1;           // acknowledged: what is in flight is known, and bounded

QString libraryText(int rc) {
    if (rc == MOSQ_ERR_ERRNO) return QString::fromLocal8Bit(std::strerror(errno));
    return QString::fromUtf8(mosquitto_strerror(rc));
}

}  // namespace

int backOffMs(int failures, int firstMs, int maxMs) {
    if (failures < 1) return 0;
    qint64 ms = firstMs;
    for (int i = 1; i < failures && ms < maxMs; ++i) ms *= 2;
    return int(std::min<qint64>(ms, maxMs));
}

QString readerTopic(const MqttOptions& o, quint8 address) {
    return QStringLiteral("%1/%2/reader/%3").arg(o.prefix, o.site).arg(address);
}

QString statusTopic(const MqttOptions& o) {
    return QStringLiteral("%1/%2/status").arg(o.prefix, o.site);
}

// The network thread and what it shares with the event loop. The thread owns the connection; the event
// loop only publishes (the library's publish may be called from another thread once it is told so) and
// hears of what happened through queued calls on the publisher.
struct MqttPublisher::Link {
    mosquitto* mosq = nullptr;
    QByteArray host;
    int port = 0;
    int keepAliveS = 30;
    int firstBackOffMs = 1000, maxBackOffMs = 60000, ackWaitMs = 10000;

    std::mutex mutex;
    std::condition_variable wake;
    MqttPublisher* receiver = nullptr;  // under the mutex; null once the publisher is gone
    bool stop = false;                  // under the mutex: end now, without a word to the broker
    bool finish = false;                // under the mutex: disconnect cleanly, then end
    bool done = false;                  // under the mutex: the thread has ended
    std::atomic<int> connack{-1};       // the broker's answer to this connection: -1 none yet
    int failures = 0;                   // network thread only

    ~Link() {
        if (mosq) mosquitto_destroy(mosq);
    }

    void post(std::function<void(MqttPublisher*)> f) {
        std::lock_guard<std::mutex> lock(mutex);
        if (!receiver) return;
        MqttPublisher* r = receiver;
        QMetaObject::invokeMethod(
            r, [r, f = std::move(f)] { f(r); }, Qt::QueuedConnection);
    }
    bool ending() {
        std::lock_guard<std::mutex> lock(mutex);
        return stop || finish;
    }
    // Waits out the back-off; false when told to end meanwhile.
    bool backOff() {
        std::unique_lock<std::mutex> lock(mutex);
        const int ms = backOffMs(++failures, firstBackOffMs, maxBackOffMs);
        wake.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stop || finish; });
        return !stop && !finish;
    }

    void run() {
        while (!ending()) {
            connack = -1;
            const int rc = mosquitto_connect(mosq, host.constData(), port, keepAliveS);
            if (rc != MOSQ_ERR_SUCCESS) {
                const QString why = libraryText(rc);
                post([why](MqttPublisher* p) { p->onFailure(kUnreachable, why); });
                if (!backOff()) break;
                continue;
            }
            const auto started = std::chrono::steady_clock::now();
            int loop = MOSQ_ERR_SUCCESS;
            bool noAck = false;
            for (;;) {
                {
                    std::lock_guard<std::mutex> lock(mutex);
                    if (stop) break;
                    if (finish) {
                        // Whatever was handed over has had its chance; the broker drops the last will.
                        mosquitto_disconnect(mosq);
                        break;
                    }
                }
                loop = mosquitto_loop(mosq, kLoopWaitMs, 1);
                if (loop != MOSQ_ERR_SUCCESS) break;
                if (connack == -1 &&
                    std::chrono::steady_clock::now() - started > std::chrono::milliseconds(ackWaitMs)) {
                    noAck = true;
                    break;
                }
                if (connack > 0) break;  // refused: said by the callback
            }
            if (ending()) {
                // A clean disconnect still has to leave: a few turns of the loop write it.
                for (int i = 0; i < 3; ++i)
                    if (mosquitto_loop(mosq, 10, 1) != MOSQ_ERR_SUCCESS) break;
                break;
            }
            const int answer = connack;
            mosquitto_disconnect(mosq);
            if (answer == 0) {
                failures = 0;
                const QString why = libraryText(loop);
                post([why](MqttPublisher* p) { p->onFailure(kLost, why); });
            } else if (noAck) {
                post([](MqttPublisher* p) { p->onFailure(kNoAck, QString()); });
            } else if (answer < 0) {
                const QString why = libraryText(loop);
                post([why](MqttPublisher* p) { p->onFailure(kUnreachable, why); });
            }
            if (!backOff()) break;
        }
        post([](MqttPublisher* p) { p->onClosed(); });
        std::lock_guard<std::mutex> lock(mutex);
        done = true;
        wake.notify_all();
    }
};

MqttPublisher::MqttPublisher(MqttOptions options, QObject* parent)
    : QObject(parent), options_(std::move(options)) {}

MqttPublisher::~MqttPublisher() {
    if (!link_) return;
    std::unique_lock<std::mutex> lock(link_->mutex);
    link_->receiver = nullptr;
    link_->stop = true;
    link_->wake.notify_all();
    // The thread ends within a turn of its loop, unless it is in the middle of a connection attempt to a
    // host that does not answer: then it ends by itself later, and owns what it uses.
    link_->wake.wait_for(lock, std::chrono::seconds(1), [this] { return link_->done; });
}

bool MqttPublisher::start(QString* why) {
    static const int initialised = mosquitto_lib_init();
    Q_UNUSED(initialised);
    auto link = std::make_shared<Link>();
    QString id = options_.clientId;
    if (id.isEmpty())
        id =
            QStringLiteral("kestrel-%1-%2-%3").arg(options_.site, QHostInfo::localHostName()).arg(::getpid());
    link->mosq = mosquitto_new(id.toUtf8().constData(), true, link.get());
    if (!link->mosq) {
        *why = libraryText(MOSQ_ERR_ERRNO);
        return false;
    }
    mosquitto_threaded_set(link->mosq, true);
    mosquitto_int_option(link->mosq, MOSQ_OPT_TCP_NODELAY, 1);
    const QByteArray status = statusTopic(options_).toUtf8();
    int rc = mosquitto_will_set(link->mosq, status.constData(), 7, "offline", kQos, true);
    if (rc == MOSQ_ERR_SUCCESS && !options_.user.isEmpty())
        rc = mosquitto_username_pw_set(link->mosq, options_.user.toUtf8().constData(),
                                       options_.password.toUtf8().constData());
    if (rc == MOSQ_ERR_SUCCESS && !options_.caFile.isEmpty())
        rc = mosquitto_tls_set(link->mosq, QFile::encodeName(options_.caFile).constData(), nullptr, nullptr,
                               nullptr, nullptr);
    if (rc != MOSQ_ERR_SUCCESS) {
        *why = libraryText(rc);
        return false;
    }
    mosquitto_connect_callback_set(link->mosq, [](mosquitto*, void* data, int code) {
        auto* l = static_cast<Link*>(data);
        l->connack = code;
        if (code == 0) {
            l->post([](MqttPublisher* p) { p->onConnected(); });
        } else {
            const QString why = QString::fromUtf8(mosquitto_connack_string(code));
            l->post([why](MqttPublisher* p) { p->onFailure(kRefused, why); });
        }
    });
    mosquitto_publish_callback_set(link->mosq, [](mosquitto*, void* data, int) {
        static_cast<Link*>(data)->post([](MqttPublisher* p) { p->onAcknowledged(); });
    });
    link->host = options_.host.toUtf8();
    link->port = options_.port;
    link->keepAliveS = options_.keepAliveS;
    link->firstBackOffMs = options_.firstBackOffMs;
    link->maxBackOffMs = options_.maxBackOffMs;
    link->ackWaitMs = options_.ackWaitMs;
    link->receiver = this;
    link_ = link;
    std::thread([link] { link->run(); }).detach();
    return true;
}

void MqttPublisher::offer(quint8 address, const QByteArray& payload) {
    held_[address] = payload;
    flush();
}

void MqttPublisher::flush() {
    while (connected_ && inflight_ < options_.inflight && !held_.empty()) {
        // Round the readers from the one after the last sent, so a reader that changes often never keeps
        // the others waiting.
        auto it = held_.lower_bound(nextAddress_);
        if (it == held_.end()) it = held_.begin();
        if (!publish(readerTopic(options_, it->first), it->second)) return;
        nextAddress_ = quint8(it->first + 1);
        held_.erase(it);
    }
}

bool MqttPublisher::publish(const QString& topic, const QByteArray& payload) {
    const QByteArray t = topic.toUtf8();
    const int rc = mosquitto_publish(link_->mosq, nullptr, t.constData(), int(payload.size()),
                                     payload.constData(), kQos, true);
    if (rc != MOSQ_ERR_SUCCESS) return false;
    ++inflight_;
    return true;
}

void MqttPublisher::say(int kind, const QString& text) {
    if (kind == lastSaid_) return;
    lastSaid_ = kind;
    emit told(text);
}

void MqttPublisher::onConnected() {
    connected_ = true;
    inflight_ = 0;
    say(kConnected, Texts::tr("MQTT: связь с брокером %1:%2").arg(options_.host).arg(options_.port));
    emit connectedChanged(true);
    publish(statusTopic(options_), finishing_ ? QByteArrayLiteral("offline") : QByteArrayLiteral("online"));
    flush();
}

void MqttPublisher::onFailure(int kind, const QString& detail) {
    const QString broker = QStringLiteral("%1:%2").arg(options_.host).arg(options_.port);
    QString text;
    switch (kind) {
        case kRefused:
            text = Texts::tr("MQTT: брокер %1 отказал в подключении: %2; повтор с нарастающей паузой")
                       .arg(broker, detail);
            break;
        case kNoAck:
            text = Texts::tr(
                       "MQTT: брокер %1 принял соединение, но не подтвердил подключение за %2 с; "
                       "повтор с нарастающей паузой")
                       .arg(broker)
                       .arg(options_.ackWaitMs / 1000.0);
            break;
        case kLost:
            text = Texts::tr(
                       "MQTT: связь с брокером %1 потеряна: %2; сообщения ждут, по последнему на "
                       "считыватель")
                       .arg(broker, detail);
            break;
        default:
            text =
                Texts::tr("MQTT: брокер %1 недоступен: %2; повтор с нарастающей паузой").arg(broker, detail);
            break;
    }
    say(kind, text);
    if (std::exchange(connected_, false)) emit connectedChanged(false);
}

void MqttPublisher::onAcknowledged() {
    inflight_ = std::max(0, inflight_ - 1);
    flush();
    if (finishing_ && inflight_ == 0 && held_.empty()) endLink();
}

void MqttPublisher::onClosed() {
    if (finishing_ && !finishedSent_) {
        finishedSent_ = true;
        emit finished();
    }
}

void MqttPublisher::endLink() {
    if (!link_) return;
    std::lock_guard<std::mutex> lock(link_->mutex);
    link_->finish = true;
    link_->wake.notify_all();
}

void MqttPublisher::finish(int waitMs) {
    if (finishing_) return;
    finishing_ = true;
    if (!link_) {
        finishedSent_ = true;
        QTimer::singleShot(0, this, &MqttPublisher::finished);
        return;
    }
    if (connected_) {
        publish(statusTopic(options_), QByteArrayLiteral("offline"));
        flush();
    } else {
        endLink();
    }
    QTimer::singleShot(waitMs, this, [this] {
        endLink();
        if (!std::exchange(finishedSent_, true)) emit finished();
    });
}

}  // namespace kestrel::gateway
