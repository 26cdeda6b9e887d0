// The window under a flooding line: a pseudo-terminal on which a feeder thread writes about 100 KB/s of
// random bytes while the window polls it with the traffic log open. Each minute it prints the resident
// memory and the window's CPU share over that minute (the feeder's own thread left out), so growth that
// has no end shows as a rising column.
//   bench_flood [MINUTES]   (default 10)
#include <fcntl.h>
#include <pty.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QApplication>
#include <QFile>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <random>
#include <thread>

#include "bench/stallprobe.h"
#include "serial/qtserialport.h"
#include "ui/dialogs.h"
#include "ui/mainwindow.h"
#include "ui/trafficlog.h"

using namespace kestrel;
using kestrel::bench::residentMb;

namespace {

double threadCpuSeconds(long tid) {
    QFile f(QStringLiteral("/proc/self/task/%1/schedstat").arg(tid));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    return f.readAll().split(' ').value(0).toDouble() / 1e9;
}

double processCpuSeconds() {
    rusage ru{};
    ::getrusage(RUSAGE_SELF, &ru);
    return double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
           double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

constexpr int kBytesPerSecond = 100 * 1000;
constexpr int kChunksPerSecond = 100;

// Writes random bytes into the pty's master at the flood's rate and drains what the window writes.
void feed(int master, std::atomic<bool>& stop, std::atomic<long>& tid, std::atomic<long long>& delivered) {
    tid = long(::syscall(SYS_gettid));
    std::mt19937 random(12345);
    char chunk[kBytesPerSecond / kChunksPerSecond];
    char sink[4096];
    auto next = std::chrono::steady_clock::now();
    while (!stop) {
        for (char& c : chunk) c = char(random());
        const ssize_t n = ::write(master, chunk, sizeof chunk);
        if (n > 0) delivered += n;
        while (::read(master, sink, sizeof sink) > 0) {
        }
        next += std::chrono::microseconds(1000000 / kChunksPerSecond);
        std::this_thread::sleep_until(next);
    }
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int minutes = argc > 1 ? std::max(1, atoi(argv[1])) : 10;
    int master = -1;
    int slave = -1;
    char name[256] = {};
    if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        std::perror("openpty");
        return 1;
    }
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);

    QtSerialPort serial;
    serial.setLeadingPaths({QString::fromLocal8Bit(name)});
    QtDialogs dialogs;
    MainWindow::Options options;
    options.showStartupPicture = false;
    MainWindow window(std::make_unique<DeviceSession>(serial, DeviceSession::Options{}), serial, dialogs,
                      options);
    window.scanPorts();
    window.openPort();
    if (!serial.isOpen()) {
        std::fprintf(stderr, "bench_flood: %s did not open\n", name);
        return 1;
    }
    window.trafficLog().show();

    std::atomic<bool> stop{false};
    std::atomic<long> feederTid{0};
    std::atomic<long long> delivered{0};
    std::thread feeder(feed, master, std::ref(stop), std::ref(feederTid), std::ref(delivered));

    std::printf("flood of %d KB/s on %s for %d min, traffic log open\n", kBytesPerSecond / 1000, name,
                minutes);
    std::printf("minute  RSS MB  CPU %% of a core  KB/s taken in\n");
    std::fflush(stdout);
    int minute = 0;
    double lastCpu = processCpuSeconds();
    double lastFeeder = 0;
    long long lastDelivered = 0;
    QTimer each;
    QObject::connect(&each, &QTimer::timeout, [&] {
        ++minute;
        const double cpu = processCpuSeconds();
        const double feederCpu = threadCpuSeconds(feederTid);
        const double share = 100.0 * ((cpu - lastCpu) - (feederCpu - lastFeeder)) / 60.0;
        const long long now = delivered;
        std::printf("%6d  %6.1f  %16.1f  %13.1f\n", minute, residentMb(), share,
                    double(now - lastDelivered) / 60.0 / 1000.0);
        std::fflush(stdout);
        lastCpu = cpu;
        lastFeeder = feederCpu;
        lastDelivered = now;
        if (minute >= minutes) QCoreApplication::exit();
    });
    each.start(60 * 1000);
    std::printf("%6d  %6.1f\n", 0, residentMb());
    std::fflush(stdout);
    QApplication::exec();
    stop = true;
    feeder.join();
    ::close(slave);
    ::close(master);
    return 0;
}
