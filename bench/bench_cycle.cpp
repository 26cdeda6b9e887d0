// How long the event loop stalls while the exchange cycle runs, against a silent line and against an
// answering simulated reader, each over a real pseudo-terminal. A 1 ms probe timer records the longest
// gap between its firings during each tick; a blocking read of the same line is measured for contrast.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSerialPort>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "bench/stallprobe.h"
#include "exchange/cycle.h"
#include "serial/qtserialport.h"
#include "sim/ptyhost.h"

using namespace kestrel;

namespace {

struct Figures {
    qint64 worst = 0;
    qint64 median = 0;
    int ticks = 0;
    int replies = 0;
};

Figures measure(sim::PtyHost& host, int ticks) {
    QtSerialPort port;
    Figures f;
    if (!port.open(host.slavePath()).ok) return f;
    ExchangeQueue queue(port);
    ExchangeCycle cycle(
        queue, ExchangeCycle::Timing{});  // the real timing: 500 ms ticks, 256 ms read window, 20 ms silence
    cycle.setAddress(5);
    int replies = 0;
    QObject::connect(&cycle, &ExchangeCycle::transaction, [&](const Transaction& t) {
        if (t.value && std::holds_alternative<device::LiveReading>(*t.value)) ++replies;
    });
    cycle.start();
    const bench::Stalls stalls = bench::measureStalls(cycle, ticks);
    cycle.stop();
    port.close();
    f.ticks = stalls.ticks;
    f.worst = stalls.worst;
    f.median = stalls.median;
    f.replies = replies;
    return f;
}

qint64 blockingReadStall(sim::PtyHost& host) {
    QSerialPort port;
    port.setPortName(host.slavePath());
    if (!port.open(QIODevice::ReadWrite)) return -1;
    QElapsedTimer t;
    t.start();
    port.waitForReadyRead(256);  // what a blocking read of a silent line costs the window
    return t.elapsed();
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int ticks = argc > 1 ? std::max(3, atoi(argv[1])) : 20;

    sim::PtyHost silent;
    silent.injectFault(sim::FaultKind::Silence);
    sim::PtyHost answering;  // paced at 19200 baud, as a real line
    QString error;
    if (!silent.start(&error) || !answering.start(&error)) {
        std::fprintf(stderr, "bench_cycle: cannot start the simulated bus: %s\n", qPrintable(error));
        return 1;
    }
    const Figures quiet = measure(silent, ticks);
    const Figures busy = measure(answering, ticks);
    const qint64 blocking = blockingReadStall(silent);
    silent.stop();
    answering.stop();

    std::printf("Longest event-loop stall per exchange tick (ms), %d ticks each, goal <= 10 ms:\n", ticks);
    std::printf("  silent line      worst %3lld   median %3lld   (replies %d)\n",
                static_cast<long long>(quiet.worst), static_cast<long long>(quiet.median), quiet.replies);
    std::printf("  answering reader worst %3lld   median %3lld   (replies %d)\n",
                static_cast<long long>(busy.worst), static_cast<long long>(busy.median), busy.replies);
    std::printf("  for contrast, one blocking 256 ms read of the silent line stalls %lld ms\n",
                static_cast<long long>(blocking));
    return (quiet.ticks == ticks && busy.ticks == ticks && busy.replies > 0) ? 0 : 1;
}
