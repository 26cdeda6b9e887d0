// kestrel-soak: the real window against the simulated bus over a pseudo-terminal for many exchange ticks of
// a shortened cycle, with random tab switches, random commands and a seeded random schedule of faults the
// bus makes (silence, wrong check byte, garbage, split, late, over-long, and hang-ups after which the
// adapter comes back behind the same link). It fails (exit 1) unless the link statistics agree with the
// faults the bus made, kind by kind, every hang-up was followed by a reconnect, and the resident memory grew
// less than 2 MB after the warm-up. Run by scripts/soak.sh under AddressSanitizer.
//   kestrel-soak [TICKS [SEED]]
#include <malloc.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <random>

#include "app/heap.h"
#include "serial/qtserialport.h"
#include "silent_dialogs.h"
#include "sim/ptyhost.h"
#include "traffic/statistics.h"
#include "ui/dialogs.h"
#include "ui/mainwindow.h"
#include "ui/trafficlog.h"
#include "window_parts.h"

using namespace kestrel;
using namespace kestrel::test;
using sim::FaultKind;

namespace {

// Runs the event loop until `done` or `ms` have passed, sleeping while nothing happens.
template <typename Done>
bool waitUntil(Done done, int ms) {
    QEventLoop loop;
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    limit.start(ms);
    while (!done() && limit.isActive()) loop.processEvents(QEventLoop::WaitForMoreEvents);
    return done();
}

// The real serial port, counting what the window wrote and read, so the soak knows when the line is quiet.
class CountingPort : public QtSerialPort {
  public:
    qint64 written = 0, taken = 0;
    qint64 write(const QByteArray& data) override {
        const qint64 n = QtSerialPort::write(data);
        written += std::max<qint64>(n, 0);
        return n;
    }
    QByteArray read(qint64 maxBytes) override {
        const QByteArray bytes = QtSerialPort::read(maxBytes);
        taken += bytes.size();
        return bytes;
    }
};

// The resident memory once the heap has handed its free pages back to the system: what is left is what the
// program holds, not what the allocator keeps for later.
double residentMb() {
    malloc_trim(0);
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    return f.readAll().split(' ').value(1).toDouble() * double(::sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // One heap for every thread: the simulated bus's thread starts anew at each replug, and a fresh
    // allocator arena per thread would show as growth that is not the window's.
    mallopt(M_ARENA_MAX, 1);
    keepLargeBuffersOutOfTheHeap();  // as kestrel-tool does
    QApplication app(argc, argv);
    const long ticks = argc > 1 ? std::max(100L, atol(argv[1])) : 100000;
    const unsigned seed = argc > 2 ? unsigned(atol(argv[2])) : 1;
    std::mt19937 rng(seed);
    auto chance = [&rng](int oneIn) { return std::uniform_int_distribution<int>(0, oneIn - 1)(rng) == 0; };

    // The bus behind a stable link, as /dev/serial/by-id gives one: a replugged adapter comes back there.
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("ttySOAK"));
    sim::PtyHost host;
    host.setPacing(false);
    auto plugIn = [&] {
        QString error;
        if (!host.start(&error)) {
            std::fprintf(stderr, "kestrel-soak: cannot start the simulated bus: %s\n", qPrintable(error));
            std::exit(1);
        }
        QFile::remove(link);
        QFile::link(host.slavePath(), link);
    };
    plugIn();

    CountingPort serial;
    serial.setLeadingPaths({link});
    kestrel::test::SilentDialogs dialogs;
    MainWindow::Options o;
    o.showStartupPicture = false;
    o.scanMs = 50;
    o.logRows = 2000;  // the log's ring fills during the warm-up
    o.trendKeepMs = 10000;
    DeviceSession::Options session;
    session.timing = ExchangeCycle::Timing{3600000, 40, 5};  // ticks are run here; a short read window
    MainWindow window(std::make_unique<DeviceSession>(serial, session), serial, dialogs, o);
    window.show();
    window.scanPorts();
    window.findChild<QPushButton*>(QStringLiteral("BTNOpenCom"))->click();
    auto* addresses = window.findChild<QComboBox*>(QStringLiteral("CmbNet"));
    addresses->setEditText(QStringLiteral("5"));  // typed and entered, as the engineer does
    emit addresses->lineEdit()->returnPressed();
    auto* tabs = window.findChild<QTabWidget*>(QStringLiteral("SSTab1"));
    // Commands that ask without changing what the reader is.
    const char* commands[] = {"RD_DP", "ids_r", "Find_metki", "zapr_data_sl", "sl_zapros"};
    const FaultKind kinds[] = {FaultKind::Silence, FaultKind::BadCrc, FaultKind::Garbage,
                               FaultKind::Split,   FaultKind::Late,   FaultKind::Long};

    qint64 writtenBefore = 0, readBefore = 0;  // bytes of earlier lines, set at each replug
    int hangUps = 0, reconnects = 0;
    // The warm-up: the log's ring and the trend fill, and the heap settles (its use is flat after about
    // 2,000 ticks, the pages it touches after about 5,000).
    const long warmUp = std::min(ticks / 2, 10000L);
    double rssAfterWarmUp = 0;
    QElapsedTimer clock;
    clock.start();
    for (long i = 0; i < ticks; ++i) {
        if (i == warmUp) rssAfterWarmUp = residentMb();
        if (i > 0 && i % (ticks / 10) == 0)
            std::fprintf(stderr, "kestrel-soak: tick %ld, resident memory %.1f MB, heap in use %.1f MB\n", i,
                         residentMb(), double(mallinfo2().uordblks) / (1024.0 * 1024.0));
        if (chance(200)) tabs->setCurrentIndex(std::uniform_int_distribution<int>(0, 2)(rng));
        if (chance(50)) window.findChild<QPushButton*>(QString::fromLatin1(commands[rng() % 5]))->click();
        if (chance(20)) {
            const FaultKind kind = kinds[rng() % 6];
            // Split halves and late replies come within the read window, so they are decoded; the rest
            // spoil the reply they hit.
            const int delay = kind == FaultKind::Split ? 1 : kind == FaultKind::Late ? 15 : -1;
            host.injectFault(kind, 1, 5, delay);
        }
        // Hang-ups after the warm-up, one in 2,500 ticks, and at least one in the second half of the run.
        const bool hangUp = i > warmUp && (chance(2500) || (i == (warmUp + ticks) / 2 && hangUps == 0));
        if (hangUp) host.injectFault(FaultKind::HangUp, 1, 5);
        partOf<ExchangeCycle>(window).tick();
        (void)waitUntil([&] { return !partOf<ExchangeCycle>(window).tickInProgress(); }, 2000);
        // The bus has taken the request and sent its whole answer (a late or split one too), and every byte
        // of it has reached the port: the next tick reads exactly this answer, however busy the machine.
        (void)waitUntil(
            [&] {
                return !serial.isOpen() ||
                       (host.bytesReceived() == serial.written - writtenBefore && !host.replying() &&
                        serial.taken + serial.bytesAvailable() - readBefore == host.bytesSent());
            },
            5000);
        if (hangUp || !serial.isOpen()) {
            if (!waitUntil([&] { return !serial.isOpen(); }, 2000)) continue;  // the fault hit no reply
            ++hangUps;
            (void)waitUntil([&] { return !host.isRunning(); }, 3000);
            plugIn();  // the same bus, on a new pseudo-terminal behind the same link
            writtenBefore = serial.written - host.bytesReceived();
            readBefore = serial.taken - host.bytesSent();
            if (waitUntil([&] { return serial.isOpen(); }, 5000)) ++reconnects;
        }
    }
    // The last request's reply, then the statistics (kept across reconnects) against the bus's counts.
    (void)waitUntil([] { return false; }, 30);
    partOf<ExchangeCycle>(window).tick();
    (void)waitUntil([&] { return !partOf<ExchangeCycle>(window).tickInProgress(); }, 2000);
    const auto& byAddress = window.trafficLog().statistics().byAddress();
    const traffic::LinkCounts totals = byAddress.count(5) ? byAddress.at(5) : traffic::LinkCounts{};
    std::array<int, 7> made{};
    for (int k = 0; k < 7; ++k)
        made[k] = host.withBus([k](sim::Bus& b) { return b.faultsMade(FaultKind(k)); });
    const double rssEnd = residentMb();
    const double seconds = double(clock.elapsed()) / 1000.0;
    host.stop();

    auto m = [&made](FaultKind k) { return made[static_cast<int>(k)]; };
    const long spoiled = totals.noReply + totals.wrongCheckByte + totals.garbage + totals.other;
    struct Check {
        const char* what;
        long got, want;
    } checks[] = {
        {"no reply = silences made", totals.noReply, m(FaultKind::Silence)},
        {"wrong check byte = wrong check bytes made", totals.wrongCheckByte, m(FaultKind::BadCrc)},
        {"garbage = garbage + over-long replies made", totals.garbage,
         m(FaultKind::Garbage) + m(FaultKind::Long)},
        {"others (another address or command)", totals.other, 0},
        {"decoded = requests - spoiled", totals.decoded, totals.requests - spoiled},
        {"reconnects = hang-ups made", reconnects, m(FaultKind::HangUp)},
        {"hang-ups seen = hang-ups made", hangUps, m(FaultKind::HangUp)},
        {"message boxes", dialogs.shown, 0},
    };
    std::printf("kestrel-soak: %ld ticks (seed %u) in %.0f s; %d requests to reader 5\n", ticks, seed,
                seconds, totals.requests);
    std::printf(
        "  faults made: silence %d, wrong check byte %d, garbage %d, split %d, late %d, over-long %d, "
        "hang-up %d\n",
        m(FaultKind::Silence), m(FaultKind::BadCrc), m(FaultKind::Garbage), m(FaultKind::Split),
        m(FaultKind::Late), m(FaultKind::Long), m(FaultKind::HangUp));
    bool ok = true;
    for (const Check& c : checks) {
        const bool same = c.got == c.want;
        ok = ok && same;
        std::printf("  %-44s %8ld %s %8ld\n", c.what, c.got, same ? "==" : "!=", c.want);
    }
    const double growth = rssEnd - rssAfterWarmUp;
    // Under AddressSanitizer its quarantine holds freed memory, so the growth is shown but not judged there.
    // A short run (CI's 5,000 ticks) ends too soon after its warm-up for a 2 MB bound to mean anything: the
    // growth is shown, and judged from 100,000 ticks on.
    const bool judged = !qEnvironmentVariableIsSet("KESTREL_SOAK_UNDER_ASAN") && ticks >= 100000;
    const bool memory = !judged || growth < 2.0;
    std::printf("  resident memory after the warm-up %.1f MB, at the end %.1f MB: growth %.2f MB (%s 2 MB)\n",
                rssAfterWarmUp, rssEnd, growth,
                !judged  ? "not judged in this run:"
                : memory ? "under"
                         : "NOT under");
    return ok && memory ? 0 : 1;
}
