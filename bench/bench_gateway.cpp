// The plant gateway against kestrel-sim (32 readers, replies paced at 19200 baud), a mosquitto of its own and
// Modbus TCP clients, the real kestrel-cli: figures printed, never judged.
//  1. From a reply's arrival to its MQTT message at a subscriber on loopback, over N messages (1000): the
//     message's time less its ageMs is when the reply came (the roster's time of the good answer); the
//     subscriber's clock at delivery less that, median and p99.
//  2. Modbus TCP: 10 clients reading 100 registers 10 times a second each while the rounds go on: the reply
//     time's median and p99, and the round's duration (register 0xFFF1) with and without the clients.
//  3. CPU and resident memory of the gateway over a steady stretch, then over as long again with the broker
//     stopped and started three times.
// bench_gateway [MESSAGES] [STEADY-SECONDS]
#include <mosquitto.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QModbusReply>
#include <QModbusTcpClient>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <mutex>
#include <vector>

namespace {

quint16 freePort() {
    QTcpServer s;
    s.listen(QHostAddress::LocalHost, 0);
    return s.serverPort();
}

// Runs the event loop for `ms` (QTest::qWait sleeps in 10 ms steps, which would be in every figure).
void waitMs(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

double percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size())))];
}

// CPU seconds and resident kB of a process, from /proc.
struct Usage {
    double cpu = 0;
    long rssKb = 0;
};
Usage usageOf(qint64 pid) {
    Usage u;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (stat.open(QIODevice::ReadOnly)) {
        const QList<QByteArray> f = stat.readAll().split(')').value(1).trimmed().split(' ');
        u.cpu = (f.value(11).toDouble() + f.value(12).toDouble()) / double(sysconf(_SC_CLK_TCK));
    }
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (status.open(QIODevice::ReadOnly))
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("VmRSS:")) u.rssKb = line.mid(6).trimmed().split(' ').value(0).toLong();
    return u;
}

struct Subscriber {
    std::mutex mutex;
    std::vector<double> latencyMs;
    static void onMessage(mosquitto*, void* data, const mosquitto_message* m) {
        auto* s = static_cast<Subscriber*>(data);
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        const QJsonObject o =
            QJsonDocument::fromJson(QByteArray(static_cast<const char*>(m->payload), m->payloadlen)).object();
        if (!o.value("ageMs").isDouble() || o.value("state").toString() != "answering") return;
        const qint64 replied =
            QDateTime::fromString(o.value("time").toString(), Qt::ISODateWithMs).toMSecsSinceEpoch() -
            qint64(o.value("ageMs").toDouble());
        std::lock_guard<std::mutex> lock(s->mutex);
        s->latencyMs.push_back(double(now - replied));
    }
    size_t count() {
        std::lock_guard<std::mutex> lock(s_mutex());
        return latencyMs.size();
    }
    std::mutex& s_mutex() { return mutex; }
};

class Broker {
  public:
    explicit Broker(quint16 port) : port_(port) {}
    ~Broker() { stop(); }
    void start() {
        QFile conf(dir_.filePath("m.conf"));
        conf.open(QIODevice::WriteOnly);
        conf.write(QStringLiteral("listener %1 127.0.0.1\nallow_anonymous true\n").arg(port_).toUtf8());
        conf.close();
        p_.start("/usr/sbin/mosquitto", {"-c", conf.fileName()});
        p_.waitForStarted();
        waitMs(300);
    }
    void stop() {
        if (p_.state() == QProcess::NotRunning) return;
        p_.terminate();
        p_.waitForFinished();
    }

  private:
    quint16 port_;
    QTemporaryDir dir_;
    QProcess p_;
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int messages = argc > 1 ? atoi(argv[1]) : 1000;
    const int steadyS = argc > 2 ? atoi(argv[2]) : 60;

    QProcess sim;
    sim.start(KESTREL_SIM_EXE, {"--readers", "1-32"});
    sim.waitForStarted();
    QByteArray out;
    while (!out.contains('\n') && sim.waitForReadyRead(3000)) out += sim.readAllStandardOutput();
    const QString path = QString::fromLocal8Bit(out.left(out.indexOf('\n')));
    const quint16 mqttPort = freePort(), modbusPort = freePort();
    Broker broker(mqttPort);
    broker.start();

    QProcess gateway;
    gateway.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    gateway.start(KESTREL_CLI_EXE, {"--port", path, "gateway", "--addresses", "1-32", "--modbus-tcp",
                                    QStringLiteral("127.0.0.1:%1").arg(modbusPort), "--mqtt",
                                    QStringLiteral("127.0.0.1:%1").arg(mqttPort), "--site", "bench"});
    gateway.waitForStarted();
    waitMs(1500);

    // 1. Latency at a subscriber.
    mosquitto_lib_init();
    Subscriber subscriber;
    mosquitto* sub = mosquitto_new("bench-subscriber", true, &subscriber);
    mosquitto_message_callback_set(sub, &Subscriber::onMessage);
    mosquitto_connect(sub, "127.0.0.1", mqttPort, 30);
    mosquitto_subscribe(sub, nullptr, "kestrel/bench/reader/#", 0);
    mosquitto_loop_start(sub);
    waitMs(1000);
    {
        std::lock_guard<std::mutex> lock(subscriber.mutex);
        subscriber.latencyMs.clear();  // the retained ones are old
    }
    QElapsedTimer t;
    t.start();
    while (subscriber.count() < size_t(messages) && t.elapsed() < 120000) waitMs(100);
    std::vector<double> latency;
    {
        std::lock_guard<std::mutex> lock(subscriber.mutex);
        latency = subscriber.latencyMs;
    }
    std::printf(
        "reply -> MQTT subscriber: %zu messages in %.1f s, median %.1f ms, p99 %.1f ms, max %.1f ms\n",
        latency.size(), t.elapsed() / 1000.0, percentile(latency, 0.5), percentile(latency, 0.99),
        percentile(latency, 1.0));

    // 2. Modbus clients; the round's duration from register 0xFFF1 before and during.
    QModbusTcpClient probe;
    probe.setConnectionParameter(QModbusDevice::NetworkAddressParameter, "127.0.0.1");
    probe.setConnectionParameter(QModbusDevice::NetworkPortParameter, modbusPort);
    probe.connectDevice();
    waitMs(300);
    auto sampleRounds = [&](int seconds) {
        std::vector<double> ms;
        for (int i = 0; i < seconds * 2; ++i) {
            QModbusReply* r =
                probe.sendReadRequest(QModbusDataUnit(QModbusDataUnit::InputRegisters, 0xFFF1, 1), 1);
            if (r) {
                while (!r->isFinished()) waitMs(1);
                if (r->error() == QModbusDevice::NoError) ms.push_back(r->result().value(0));
                r->deleteLater();
            }
            waitMs(500);
        }
        return ms;
    };
    const std::vector<double> before = sampleRounds(10);
    // Each client a plain TCP connection writing Modbus requests itself: the time is the server's, not a
    // client library's own scheduling.
    std::vector<std::unique_ptr<QTcpSocket>> clients;
    std::vector<double> replyMs;
    std::vector<std::unique_ptr<QTimer>> timers;
    for (int i = 0; i < 10; ++i) {
        auto c = std::make_unique<QTcpSocket>();
        c->connectToHost(QHostAddress::LocalHost, modbusPort);
        c->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        auto timer = std::make_unique<QTimer>();
        auto clock = std::make_shared<QElapsedTimer>();
        QTcpSocket* client = c.get();
        const int start = 16 * (i % 3 + 1);
        QObject::connect(timer.get(), &QTimer::timeout, [client, clock, start] {
            if (client->state() != QAbstractSocket::ConnectedState) return;
            const char request[] = {0, 1, 0, 0, 0, 6, 1, 3, char(start >> 8), char(start & 0xFF), 0, 100};
            clock->start();
            client->write(request, sizeof request);
        });
        QObject::connect(client, &QTcpSocket::readyRead, [client, clock, &replyMs] {
            if (client->bytesAvailable() < 9 + 200) return;
            client->readAll();
            replyMs.push_back(clock->nsecsElapsed() / 1e6);
        });
        timer->start(100);
        clients.push_back(std::move(c));
        timers.push_back(std::move(timer));
    }
    const std::vector<double> during = sampleRounds(20);
    for (auto& timer : timers) timer->stop();
    std::printf("Modbus TCP, 10 clients x 100 registers x 10/s: %zu replies, median %.2f ms, p99 %.2f ms\n",
                replyMs.size(), percentile(replyMs, 0.5), percentile(replyMs, 0.99));
    std::printf(
        "round of 32 paced readers (0xFFF1): without clients median %.0f ms (p99 %.0f), with them median "
        "%.0f ms (p99 %.0f)\n",
        percentile(before, 0.5), percentile(before, 0.99), percentile(during, 0.5), percentile(during, 0.99));
    for (auto& timer : timers) timer->start(100);

    // 3. CPU and memory: steady, then the broker stopped and started three times.
    const qint64 pid = gateway.processId();
    const Usage u0 = usageOf(pid);
    waitMs(steadyS * 1000);
    const Usage u1 = usageOf(pid);
    std::printf("steady %d s (32 readers, broker, 10 Modbus clients): CPU %.1f %%, RSS %ld kB -> %ld kB\n",
                steadyS, 100.0 * (u1.cpu - u0.cpu) / steadyS, u0.rssKb, u1.rssKb);
    long rssMax = u1.rssKb;
    for (int i = 0; i < 3; ++i) {
        broker.stop();
        for (int s = 0; s < steadyS / 6; ++s) {
            waitMs(1000);
            rssMax = std::max(rssMax, usageOf(pid).rssKb);
        }
        broker.start();
        for (int s = 0; s < steadyS / 6; ++s) {
            waitMs(1000);
            rssMax = std::max(rssMax, usageOf(pid).rssKb);
        }
    }
    const Usage u2 = usageOf(pid);
    std::printf(
        "broker stopped and started 3 times over %d s: CPU %.1f %%, RSS %ld kB at the end, %ld kB at most\n",
        steadyS, 100.0 * (u2.cpu - u1.cpu) / steadyS, u2.rssKb, rssMax);

    for (auto& timer : timers) timer->stop();
    mosquitto_loop_stop(sub, true);
    mosquitto_destroy(sub);
    gateway.terminate();
    gateway.waitForFinished();
    sim.terminate();
    sim.waitForFinished();
    return 0;
}
