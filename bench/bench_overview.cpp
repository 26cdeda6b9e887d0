// What the bus overview costs the window: 32 simulated readers on a pseudo-terminal at 19200 baud, the main
// window with its port open, then the overview shown and holding the bus. Printed: the round time against the
// wire's floor, the longest event-loop stalls (per half second) with the idle window and with the overview,
// the tool's CPU share with the overview, and its resident memory after the first minute and after the
// last (BENCH_MINUTES, default 10).
#include <sys/resource.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "bench/stallprobe.h"
#include "bus/rounds.h"
#include "serial/qtserialport.h"
#include "session/busoverview.h"
#include "sim/ptyhost.h"
#include "ui/busoverviewwindow.h"
#include "ui/dialogs.h"
#include "ui/mainwindow.h"
#include "ui/trafficlog.h"

using namespace kestrel;
using kestrel::bench::residentMb;

namespace {

QString busThread;  // the simulated bus's thread: the devices' side, not the tool's

double toolCpuSeconds() {
    return bench::processCpuSeconds() - (busThread.isEmpty() ? 0 : bench::threadCpuSeconds(busThread));
}

void runFor(int ms) {
    QTimer::singleShot(ms, [] { QCoreApplication::exit(); });
    QApplication::exec();
}

// The longest gap between firings of a 1 ms timer in each half second, over `seconds`.
bench::Stalls stallsOver(int seconds) {
    std::vector<qint64> perWindow;
    qint64 longest = 0;
    QElapsedTimer since, window;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        longest = std::max(longest, since.restart());
        if (window.elapsed() >= 500) {
            perWindow.push_back(longest);
            longest = 0;
            window.restart();
        }
    });
    since.start();
    window.start();
    probe.start(1);
    runFor(seconds * 1000);
    probe.stop();
    bench::Stalls s;
    if (perWindow.empty()) return s;
    std::sort(perWindow.begin(), perWindow.end());
    s.worst = perWindow.back();
    s.median = perWindow[perWindow.size() / 2];
    s.ticks = int(perWindow.size());
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int readers = argc > 1 ? std::max(1, atoi(argv[1])) : 32;
    const int minutes =
        qEnvironmentVariableIsSet("BENCH_MINUTES") ? qEnvironmentVariableIntValue("BENCH_MINUTES") : 10;

    sim::Bus bus;
    for (int i = 0; i < readers; ++i) bus.addReader(sim::Bus::defaultReader(quint8(1 + i), i));
    sim::PtyHost host(std::move(bus));  // paced at 19200 baud
    const QStringList threadsBefore = bench::processThreads();
    QString error;
    const bool started = host.start(&error);
    for (const QString& t : bench::processThreads())
        if (!threadsBefore.contains(t)) busThread = t;
    if (!started) {
        std::fprintf(stderr, "bench_overview: cannot start the simulated bus: %s\n", qPrintable(error));
        return 1;
    }
    QtSerialPort serial;
    serial.setLeadingPaths({host.slavePath()});
    QtDialogs dialogs;
    MainWindow::Options options;
    options.showStartupPicture = false;
    MainWindow window(std::make_unique<DeviceSession>(serial, DeviceSession::Options{}), serial, dialogs,
                      options);
    window.show();
    window.scanPorts();
    window.scanPorts();
    window.openPort();
    runFor(2000);
    const bench::Stalls idle = stallsOver(20);

    BusOverviewWindow& overview = window.busOverview();
    overview.show();
    std::vector<qint64> rounds, floors;
    bool connected = false;
    const double rss0 = residentMb();
    QElapsedTimer clock;
    clock.start();
    // The rounds start once the overview holds the bus; their times are taken from then on.
    while (!connected && clock.elapsed() < 10000) {
        runFor(100);
        if (overview.overview() && overview.overview()->roundsActive()) {
            QObject::connect(&overview.overview()->rounds(), &bus::BusRounds::roundFinished,
                             [&](int, qint64 ms, qint64 floorMs) {
                                 rounds.push_back(ms);
                                 floors.push_back(floorMs);
                             });
            connected = true;
        }
    }
    if (!connected) {
        std::fprintf(stderr, "bench_overview: the overview did not take the bus\n");
        return 1;
    }
    runFor(5000);  // identification and the first settings
    const bench::Stalls busy = stallsOver(20);
    const double cpu0 = toolCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    runFor(60000 - 25000);
    const double cpu = 100.0 * (toolCpuSeconds() - cpu0) / (double(wall.elapsed()) / 1000.0);
    const double rssFirst = residentMb();
    window.trafficLog().flush();
    const int rowsFirst = window.trafficLog().model().rowCount();
    if (minutes > 1) runFor((minutes - 1) * 60000);
    const double rssLast = residentMb();
    window.trafficLog().flush();
    const int rowsLast = window.trafficLog().model().rowCount();

    std::vector<qint64> r = rounds;
    std::sort(r.begin(), r.end());
    const qint64 median = r.empty() ? 0 : r[r.size() / 2];
    std::vector<qint64> f = floors;
    std::sort(f.begin(), f.end());
    const qint64 floorMedian = f.empty() ? 0 : f[f.size() / 2];
    const auto& rows = overview.overview()->rounds().roster().rows();
    const int answering = int(std::count_if(rows.begin(), rows.end(), [](const bus::ReaderRow& row) {
        return row.state == bus::ReaderState::Answering;
    }));
    std::printf("Bus overview on %d readers (%d answering), %zu rounds:\n", readers, answering,
                rounds.size());
    std::printf("  round time: median %lld ms, worst %lld ms; floor median %lld ms; target %.0f ms\n",
                static_cast<long long>(median), static_cast<long long>(r.empty() ? 0 : r.back()),
                static_cast<long long>(floorMedian), 1.25 * double(floorMedian) + 200.0);
    std::printf(
        "  event-loop stall per half second: idle window worst %lld median %lld ms; overview worst %lld "
        "median %lld ms (goal: within twice the idle window's)\n",
        static_cast<long long>(idle.worst), static_cast<long long>(idle.median),
        static_cast<long long>(busy.worst), static_cast<long long>(busy.median));
    std::printf("  CPU of the tool with the overview open: %.2f %% of a core (goal < 2 %%)\n", cpu);
    std::printf(
        "  resident memory: %.1f MB when shown, %.1f MB after the first minute, %.1f MB after %d minutes\n",
        rss0, rssFirst, rssLast, minutes);
    std::printf(
        "  rows in the traffic log (it keeps at most %d): %d after the first minute, %d after %d minutes\n",
        TrafficLogModel::kDefaultCapacity, rowsFirst, rowsLast, minutes);
    overview.close();
    window.close();
    host.stop();
    return 0;
}
