// What the traffic log, its statistics, the trend and the service panel cost while the tool polls a
// simulated reader over a pseudo-terminal with the real timing: the longest event-loop stall per tick
// with everything open and 100,000 rows in the log against an idle window, the time 10,000 rows take to
// reach the screen at once, the memory of 100,000 rows, and the CPU share while polling.
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "bench/stallprobe.h"
#include "serial/qtserialport.h"
#include "sim/ptyhost.h"
#include "tests/window_parts.h"
#include "traffic/record.h"
#include "ui/dialogs.h"
#include "ui/mainwindow.h"
#include "ui/trafficlog.h"
#include "ui/trend.h"

using namespace kestrel;
using kestrel::bench::residentMb;
using namespace kestrel::test;

namespace {

// The simulated bus's own thread: it stands for the device at the other end of the line, not the tool.
QString busThread;

// CPU time of the tool: every thread of the process (the window's, and the helpers Qt's raster engine
// paints large areas with, including any that have ended) but the simulated bus's. The process total
// comes from the scheduler's exact runtime.
double toolCpuSeconds() {
    return bench::processCpuSeconds() - (busThread.isEmpty() ? 0 : bench::threadCpuSeconds(busThread));
}

// A row as the poll of a reader produces it: request, 21-byte reply, its meaning.
traffic::Record liveRow(int i) {
    traffic::Record r;
    r.time = QDateTime::currentDateTime();
    r.address = 5;
    r.code = 0xF0;
    r.request = QByteArray::fromHex("3105F0FE");
    r.reply = QByteArray::fromHex("3E05F019000201000000100000000A0B0C00070082010005") + char(i);
    r.replyMs = 3 + i % 5;
    r.outcome = Outcome::Decoded;
    r.meaning =
        QStringLiteral("уровень %1, темп. 25 °C, текущее 1, пустой 16, ID 00C0B0A, второе 7").arg(i % 1024);
    return r;
}

// How often the window's thread has woken since it started: each wake-up costs two system calls and a
// switch of tasks, on a virtual machine much of a tick's time.
double wakeUps() {
    QFile f(QStringLiteral("/proc/thread-self/schedstat"));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    return f.readAll().split(' ').value(2).toDouble();
}

struct Share {
    double cpuPercent = 0;      // the window's thread
    double toolCpuPercent = 0;  // every thread of the tool
    double wakeUpsPerSecond = 0;
};

// The CPU share of the window's thread over `ms` of polling, and its wake-ups.
Share cpuShare(int ms) {
    QElapsedTimer wall;
    wall.start();
    const double cpu0 = bench::threadCpuSeconds();
    const double tool0 = toolCpuSeconds();
    const double wake0 = wakeUps();
    QTimer::singleShot(ms, [] { QCoreApplication::exit(); });
    QApplication::exec();
    const double seconds = double(wall.elapsed()) / 1000.0;
    return {100.0 * (bench::threadCpuSeconds() - cpu0) / seconds,
            100.0 * (toolCpuSeconds() - tool0) / seconds, (wakeUps() - wake0) / seconds};
}

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int ticks = argc > 1 ? std::max(3, atoi(argv[1])) : 20;

    // 100,000 rows in a log of their own: the memory they take.
    const double before = residentMb();
    {
        QtDialogs dialogs;
        TrafficLogWindow log(dialogs, nullptr);
        for (int i = 0; i < TrafficLogModel::kDefaultCapacity; ++i) log.add(liveRow(i));
        log.flush();
        std::printf("100,000 rows in the log: %.1f MB more than an empty log (goal < 50 MB)\n",
                    residentMb() - before);
    }
    // 10,000 rows arriving at once on a shown log: handed over, added in one batch and painted.
    {
        QtDialogs dialogs;
        TrafficLogWindow log(dialogs, nullptr);
        log.show();
        QCoreApplication::processEvents();
        std::vector<traffic::Record> rows;
        for (int i = 0; i < 10000; ++i) rows.push_back(liveRow(i));
        QElapsedTimer t;
        t.start();
        for (const traffic::Record& r : rows) log.add(r);
        log.flush();
        log.repaint();
        std::printf("10,000 rows at once: added and painted in %lld ms (goal < 100 ms)\n",
                    static_cast<long long>(t.elapsed()));
    }

    sim::PtyHost host;  // a reader at address 5, paced at 19200 baud
    QString error;
    const QStringList threadsBefore = bench::processThreads();
    const bool started = host.start(&error);
    for (const QString& t : bench::processThreads())
        if (!threadsBefore.contains(t)) busThread = t;
    if (!started) {
        std::fprintf(stderr, "bench_views: cannot start the simulated bus: %s\n", qPrintable(error));
        return 1;
    }
    QtSerialPort serial;
    serial.setLeadingPaths({host.slavePath()});
    QtDialogs dialogs;
    MainWindow::Options options;
    options.showStartupPicture = false;
    if (qEnvironmentVariableIsSet("BENCH_SCAN_MS"))
        options.scanMs = qEnvironmentVariableIntValue("BENCH_SCAN_MS");
    MainWindow window(std::make_unique<DeviceSession>(serial, DeviceSession::Options{}), serial, dialogs,
                      options);
    window.scanPorts();
    window.scanPorts();
    window.openPort();
    auto* address = window.findChild<QComboBox*>(QStringLiteral("CmbNet"));
    address->setEditText(QStringLiteral("5"));  // typed and entered, as the engineer does
    emit address->lineEdit()->returnPressed();

    const int cpuMs = qEnvironmentVariableIsSet("BENCH_CPU_S")
                          ? 1000 * qEnvironmentVariableIntValue("BENCH_CPU_S")
                          : 60 * 1000;
    const bench::Stalls idle = bench::measureStalls(partOf<ExchangeCycle>(window), ticks);
    for (int i = 0; i < TrafficLogModel::kDefaultCapacity; ++i) window.trafficLog().add(liveRow(i));
    window.trafficLog().flush();
    // Ten minutes of readings in the trend, as after ten minutes of polling.
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (int i = 1200; i > 0; --i) {
        device::LiveReading v;
        v.stateByte = quint8(20 + i % 5);
        v.level = quint16(500 + (i * 37) % 100);
        v.current = quint32(12300 + (i * 53) % 80);
        window.trend().addReading(now.addMSecs(-500LL * i), 5, v);
    }
    const QByteArray only = qgetenv("BENCH_ONLY");
    std::vector<QWidget*> views;
    if (only.isEmpty() || only == "log") views.push_back(&window.trafficLog());
    if (only.isEmpty() || only == "trend") views.push_back(&window.trend());
    if (only.isEmpty() || only == "panel") views.push_back(&window.servicePanel());
    for (QWidget* v : views) v->show();
    // The views' first showing (laying out and painting 100,000 rows once) is not a tick's work.
    QTimer::singleShot(1000, [] { QCoreApplication::exit(); });
    QApplication::exec();
    const bench::Stalls open = bench::measureStalls(partOf<ExchangeCycle>(window), ticks);
    // What one repaint of each view costs (the log repaints once a second, the trend every two seconds).
    for (QWidget* view : {static_cast<QWidget*>(&window.trafficLog()), static_cast<QWidget*>(&window.trend()),
                          &window.servicePanel(), static_cast<QWidget*>(&window)}) {
        if (!view->isVisible()) continue;
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < 50; ++i) view->repaint();
        std::printf("  one repaint of %-16s %.2f ms\n", qPrintable(view->objectName()),
                    double(t.nsecsElapsed()) / 50e6);
    }
    std::printf("Longest event-loop stall per tick (ms), %d real ticks each:\n", ticks);
    std::printf("  idle window                                 worst %3lld   median %3lld\n",
                static_cast<long long>(idle.worst), static_cast<long long>(idle.median));
    std::printf("  log (100,000 rows), statistics, trend, panel worst %3lld   median %3lld\n",
                static_cast<long long>(open.worst), static_cast<long long>(open.median));

    // CPU without the probe timer.
    // Windows of ten seconds with the views closed and open in turn, so the machine's own drifts fall on
    // both; a second after each change is left out.
    const int rounds = std::max(1, cpuMs / 10000);
    Share closedViews, openViews;
    for (int r = 0; r < rounds; ++r) {
        for (const bool open : {false, true}) {
            for (QWidget* v : views) v->setVisible(open);
            cpuShare(1000);
            const Share s = cpuShare(10000);
            Share& sum = open ? openViews : closedViews;
            sum.cpuPercent += s.cpuPercent / rounds;
            sum.toolCpuPercent += s.toolCpuPercent / rounds;
            sum.wakeUpsPerSecond += s.wakeUpsPerSecond / rounds;
        }
    }
    std::printf("CPU while polling, %d rounds of 10 s closed and 10 s open (goal < 1 %%):\n", rounds);
    std::printf(
        "  the tool, all its threads: idle window %.2f %% of a core, everything open %.2f %% of a core\n",
        closedViews.toolCpuPercent, openViews.toolCpuPercent);
    std::printf(
        "  the window's thread alone: idle window %.2f %% of a core, everything open %.2f %% of a core\n",
        closedViews.cpuPercent, openViews.cpuPercent);
    std::printf("  wake-ups of the window's thread per second: idle window %.1f, everything open %.1f\n",
                closedViews.wakeUpsPerSecond, openViews.wakeUpsPerSecond);
    std::printf("  resident memory while polling, log full: %.1f MB\n", residentMb());
    const int rows = window.trafficLog().model().rowCount();
    window.close();
    host.stop();
    if (idle.ticks == ticks && open.ticks == ticks && rows >= TrafficLogModel::kDefaultCapacity * 99 / 100)
        return 0;  // a full ring drops its oldest hundredth at once
    std::fprintf(stderr, "bench_views: incomplete run: %d and %d of %d ticks, %d log rows\n", idle.ticks,
                 open.ticks, ticks, rows);
    return 1;
}
