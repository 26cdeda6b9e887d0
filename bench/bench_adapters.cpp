// The client's inventory of 16 simulated readers through adapters as they are on site: one that echoes
// every request, one whose USB chip hands bytes over every 16 ms, and one that does both. Three runs each,
// printed against the floor the wire sets. With --window SECONDS, the window's session polls one reader
// through an echoing adapter for that long instead, and the replies decoded are printed against the
// requests written and the garbage counted.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>

#include "device/requests.h"
#include "exchange/classify.h"
#include "exchange/transactor.h"
#include "serial/qtserialport.h"
#include "session/devicesession.h"
#include "sim/ptyhost.h"

using namespace kestrel;

namespace {

constexpr int kReaders = 16;
constexpr int kRuns = 3;
constexpr int kLatencyMs = 16;

struct Run {
    double seconds = 0;
    int decoded = 0;
    int expected = 0;
    qint64 wireBytes = 0;  // requests and replies, echo not counted
    qint64 echoBytes = 0;
    int exchanges = 0;
};

sim::PtyHost* startHost(const sim::PtyHost::LineModel& line) {
    sim::Bus bus;
    for (int i = 0; i < kReaders; ++i) bus.addReader(sim::Bus::defaultReader(quint8(1 + i), i));
    auto* host = new sim::PtyHost(std::move(bus));  // paced at 19200 baud, as a real line
    host->setLineModel(line);
    QString error;
    if (!host->start(&error)) {
        std::fprintf(stderr, "bench_adapters: cannot start the simulated bus: %s\n", qPrintable(error));
        delete host;
        return nullptr;
    }
    return host;
}

// The client's inventory: the network poll, then identification and current parameters of each reader.
Run inventory(const QString& path) {
    Run run;
    QtSerialPort port;
    if (!port.open(path).ok) return run;
    Transactor transactor(port, Transactor::Timing{});
    QObject::connect(&transactor, &Transactor::attempted, [&](const Transaction& t) {
        run.wireBytes += t.request.size() + t.reply.size();
        if (t.echoRemoved) run.echoBytes += t.request.size();
        ++run.exchanges;
    });
    QElapsedTimer clock;
    clock.start();
    const QByteArray addresses = pollAddresses(transactor.scan().last, true).value_or(QByteArray());
    for (char a : addresses) {
        for (const QByteArray& request :
             {device::identifyRequest(quint8(a)), device::currentParamsRequest(quint8(a))}) {
            ++run.expected;
            if (transactor.exchange(request).ok()) ++run.decoded;
        }
    }
    run.seconds = double(clock.nsecsElapsed()) / 1e9;
    return run;
}

int inventories() {
    const struct {
        const char* name;
        sim::PtyHost::LineModel line;
    } adapters[] = {{"--echo", {true, 0, 0}},
                    {"--latency 16", {false, kLatencyMs, 0}},
                    {"--echo --latency 16", {true, kLatencyMs, 0}}};
    const Transactor::Timing timing;
    const double byteMs = double(sim::PtyHost::kByteTime.count()) / 1000.0;
    bool complete = true;
    std::printf("Client inventory of %d readers, pty at 19200 baud, paced; %d runs each:\n", kReaders, kRuns);
    for (const auto& a : adapters) {
        std::unique_ptr<sim::PtyHost> host(startHost(a.line));
        if (!host) return 1;
        for (int i = 0; i < kRuns; ++i) {
            const Run r = inventory(host->slavePath());
            // Every byte on the wire (the echo too), the quiet gap before each request but the first, the
            // poll's collection time, and one latency period per exchange.
            const double floorS =
                (double(r.wireBytes + r.echoBytes) * byteMs + std::max(0, r.exchanges - 1) * timing.gapMs +
                 timing.scanWaitMs + r.exchanges * a.line.latencyMs) /
                1000.0;
            const double target = 1.25 * floorS + 0.2;
            std::printf(
                "  kestrel-sim %-20s run %d: %.2f s, %d of %d decoded; floor %.2f s, target %.2f s%s\n",
                a.name, i + 1, r.seconds, r.decoded, r.expected, floorS, target,
                r.seconds <= target ? "" : "  (over the target)");
            complete = complete && r.expected == 2 * kReaders && r.decoded == r.expected;
        }
    }
    // The pty takes the client's requests at once and paces only what comes back, and a reply waits for
    // half a latency period on average: the client may come in under the floor.
    std::printf("  the floor counts every request byte, its echo and a whole latency period per exchange\n");
    return complete ? 0 : 1;
}

// The window's session polls reader 1 through an echoing adapter for `seconds`.
int windowPoll(int seconds) {
    std::unique_ptr<sim::PtyHost> host(startHost({true, 0, 0}));
    if (!host) return 1;
    QtSerialPort port;
    DeviceSession session(port, DeviceSession::Options{});
    if (!session.open(host->slavePath(), QStringLiteral("bench")).ok) return 1;
    session.setAddress(1);
    QTimer::singleShot(seconds * 1000, [] { QCoreApplication::quit(); });
    QCoreApplication::exec();
    const traffic::LinkCounts c = session.linkStatistics().byAddress().at(1);
    session.close();
    // One row per request whose reply was read (the last one written is still waiting when the run ends).
    std::printf(
        "Window polling reader 1 through kestrel-sim --echo for %d s: %d requests, %d replies decoded, %d "
        "garbage, %d with the echo removed, %d no reply\n",
        seconds, c.requests, c.decoded, c.garbage, c.echoRemoved, c.noReply);
    std::printf("  goal: decoded replies = requests, no garbage\n");
    return c.garbage == 0 && c.decoded == c.requests ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() == 3 && args[1] == QLatin1String("--window"))
        return windowPoll(std::max(1, args[2].toInt()));
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: bench_adapters [--window SECONDS]\n");
        return 2;
    }
    return inventories();
}
