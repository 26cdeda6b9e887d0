// How long an inventory of 32 simulated readers takes (the network poll, then the identification and
// the current parameters of every reader found) over a real pseudo-terminal at 19200 baud, with the
// replies paced at the line rate. Measured three ways in one run: the command-line client's transactor,
// which moves on as soon as a reply is complete; the floor the wire itself sets (every byte at 0.521 ms,
// the quiet gap before each request, the poll's fixed collection time); and the window's exchange
// cycle, which writes one request per 500 ms tick.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <variant>

#include "device/requests.h"
#include "exchange/classify.h"
#include "exchange/cycle.h"
#include "exchange/transactor.h"
#include "serial/qtserialport.h"
#include "sim/ptyhost.h"

using namespace kestrel;

namespace {

constexpr int kReaders = 32;

// The addresses in a poll answer, long ones taken as the client takes them.
QByteArray addressesOf(const Transaction& t) {
    return pollAddresses(t, true).value_or(QByteArray());
}

// Identification, then current parameters, for each address.
std::vector<QByteArray> inventoryRequests(const QByteArray& addresses) {
    std::vector<QByteArray> out;
    for (char a : addresses) {
        out.push_back(device::identifyRequest(static_cast<quint8>(a)));
        out.push_back(device::currentParamsRequest(static_cast<quint8>(a)));
    }
    return out;
}

struct Run {
    double seconds = 0;
    int decoded = 0;
    int expected = 0;
    qint64 wireBytes = 0;
    int requests = 0;
};

Run viaTransactor(const QString& path) {
    Run run;
    QtSerialPort port;
    if (!port.open(path).ok) return run;
    Transactor transactor(port, Transactor::Timing{});
    QObject::connect(&transactor, &Transactor::attempted, [&](const Transaction& t) {
        run.wireBytes += t.request.size() + t.reply.size();
        ++run.requests;
    });
    QElapsedTimer clock;
    clock.start();
    const Transactor::Result scan = transactor.scan();
    const std::vector<QByteArray> requests = inventoryRequests(addressesOf(scan.last));
    run.expected = int(requests.size());
    for (const QByteArray& request : requests)
        if (transactor.exchange(request).ok()) ++run.decoded;
    run.seconds = double(clock.nsecsElapsed()) / 1e9;
    port.close();
    return run;
}

Run viaCycle(const QString& path) {
    Run run;
    QtSerialPort port;
    if (!port.open(path).ok) return run;
    ExchangeQueue queue(port);
    ExchangeCycle cycle(queue, ExchangeCycle::Timing{});  // the window's timing: 500 ms ticks
    cycle.setAddress(std::nullopt);
    std::vector<QByteArray> requests;
    std::size_t next = 0;
    bool answered = false;
    QObject::connect(&cycle, &ExchangeCycle::transaction, [&](const Transaction& t) {
        if (!answered) {
            answered = true;
            requests = inventoryRequests(addressesOf(t));
            run.expected = int(requests.size());
        } else if (t.outcome == Outcome::Decoded) {
            ++run.decoded;
        }
        if (run.expected == 0 || run.decoded == run.expected) QCoreApplication::quit();
    });
    // The next request goes in after each tick, so every tick writes one while it reads the last
    // one's reply, as the window does with a click per tick.
    QObject::connect(&cycle, &ExchangeCycle::tickFinished, [&] {
        if (answered && next < requests.size()) cycle.replacePending(requests[next++]);
    });
    QObject::connect(&cycle, &ExchangeCycle::connectionLost, [] { QCoreApplication::quit(); });
    QTimer::singleShot(120000, [] { QCoreApplication::quit(); });  // never hang on a broken line
    QElapsedTimer clock;
    clock.start();
    cycle.startNetworkPoll();
    cycle.start();
    QCoreApplication::exec();
    run.seconds = double(clock.nsecsElapsed()) / 1e9;
    cycle.stop();
    port.close();
    return run;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    sim::Bus bus;
    for (int i = 0; i < kReaders; ++i) bus.addReader(sim::Bus::defaultReader(quint8(1 + i), i));
    sim::PtyHost host(std::move(bus));  // paced at 19200 baud, as a real line
    QString error;
    if (!host.start(&error)) {
        std::fprintf(stderr, "bench_cli: cannot start the simulated bus: %s\n", qPrintable(error));
        return 1;
    }
    const Run fast = viaTransactor(host.slavePath());
    const Run slow = viaCycle(host.slavePath());
    host.stop();

    const Transactor::Timing timing;
    const double byteMs = double(sim::PtyHost::kByteTime.count()) / 1000.0;
    const int gaps = std::max(0, fast.requests - 1);
    const double floorS =
        (double(fast.wireBytes) * byteMs + gaps * timing.gapMs + timing.scanWaitMs) / 1000.0;
    const double overFloor = floorS > 0 ? (fast.seconds / floorS - 1.0) * 100.0 : 0;
    const double ratio = fast.seconds > 0 ? slow.seconds / fast.seconds : 0;

    std::printf(
        "Inventory of %d readers (scan, then identification and settings of each), pty at 19200 baud, "
        "paced:\n",
        kReaders);
    std::printf("  kestrel-cli transactor: %.2f s, %d of %d replies decoded\n", fast.seconds, fast.decoded,
                fast.expected);
    // The pty takes the client's requests at once and paces only the replies, so the client may come in
    // under a floor that counts every byte.
    std::printf(
        "  physical floor: %.2f s (%lld bytes on the wire, %d gaps, %d ms scan wait); client within "
        "%.0f %% of it%s\n",
        floorS, static_cast<long long>(fast.wireBytes), gaps, timing.scanWaitMs, std::abs(overFloor),
        overFloor < 0 ? " (under it: requests are not paced)" : "");
    std::printf("  window's 500 ms cycle: %.1f s, %d of %d replies decoded; the client is %.0fx faster\n",
                slow.seconds, slow.decoded, slow.expected, ratio);
    std::printf("  goals: at most 2 s, within 25 %% of the floor, at least 20 times faster than the cycle\n");
    const bool complete = fast.expected == 2 * kReaders && fast.decoded == fast.expected &&
                          slow.expected == 2 * kReaders && slow.decoded == slow.expected;
    return complete ? 0 : 1;
}
