// The bus overview's rounds against the real kestrel-sim over a pseudo-terminal, its replies paced at
// 19200 baud: for 8, 16 and 32 readers, the time of a round against the wire's floor (the round's request
// and reply bytes at 10 bits a byte, plus the quiet gap before each request) and the target of 1.25 times
// the floor plus 0.2 s. Round 0 identifies every reader and reads its settings; rounds 1..9 read the live
// values only; round 10 reads the settings again. Also the CPU the rounds cost this process. Figures are
// printed, never judged. Arguments are handed to kestrel-sim (say --fault silence@7); the readers that do not
// answer well are listed with their state. Last, one answering reader among six silent ones remembered from
// another bus: the silent ones are asked in the first rounds, then only every tenth.
#include <sys/resource.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "bus/rounds.h"
#include "serial/qtserialport.h"

using namespace kestrel;

namespace {

constexpr int kRounds = 11;

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct Round {
    qint64 elapsedMs = 0;
    qint64 floorMs = 0;
};

void printRound(const char* what, const Round& r) {
    const double target = 1.25 * double(r.floorMs) + 200.0;
    std::printf("  %-22s %6lld ms   floor %6lld ms   ratio %.2f   target %6.0f ms  %s\n", what,
                static_cast<long long>(r.elapsedMs), static_cast<long long>(r.floorMs),
                r.floorMs > 0 ? double(r.elapsedMs) / double(r.floorMs) : 0.0, target,
                double(r.elapsedMs) <= target ? "within" : "OVER");
}

// The rounds over `readers` addresses, of which the simulated bus has the first `answering`.
bool runFor(int readers, const QStringList& simArguments, int answering) {
    QProcess sim;
    sim.start(QStringLiteral(KESTREL_SIM_EXE),
              QStringList{QStringLiteral("--readers"), QStringLiteral("1-%1").arg(answering)} + simArguments);
    if (!sim.waitForStarted(3000)) return false;
    QByteArray out;
    while (!out.contains('\n') && sim.waitForReadyRead(3000)) out += sim.readAllStandardOutput();
    const QString path = QString::fromLocal8Bit(out.left(out.indexOf('\n')));
    QtSerialPort port;
    if (path.isEmpty() || !port.open(path).ok) {
        std::fprintf(stderr, "bench_rounds: kestrel-sim gave no port (%s)\n", out.constData());
        return false;
    }
    ExchangeQueue queue(port);
    bus::BusRounds rounds(queue, bus::BusRounds::Options{});
    for (int a = 1; a <= readers; ++a) rounds.roster().add(quint8(a));
    std::vector<Round> got;
    QObject::connect(&rounds, &bus::BusRounds::roundFinished, [&](int, qint64 elapsed, qint64 floor) {
        got.push_back({elapsed, floor});
        if (int(got.size()) == kRounds) QCoreApplication::quit();
    });
    const double cpuBefore = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    rounds.start();
    QCoreApplication::exec();
    const double cpu = cpuSeconds() - cpuBefore;
    const double seconds = double(wall.elapsed()) / 1000.0;
    rounds.abandon();
    port.close();
    sim.terminate();
    sim.waitForFinished(3000);

    std::printf("%d readers, %d answering (%d rounds in %.1f s, CPU %.1f %% of a core):\n", readers,
                answering, kRounds, seconds, 100.0 * cpu / seconds);
    printRound("round 0 (identify, set.)", got.front());
    std::vector<Round> live(got.begin() + 1, got.begin() + 10);
    std::sort(live.begin(), live.end(),
              [](const Round& a, const Round& b) { return a.elapsedMs < b.elapsedMs; });
    printRound("live only, median", live[live.size() / 2]);
    printRound("live only, worst", live.back());
    printRound("round 10 (settings)", got.back());
    for (const bus::ReaderRow& r : rounds.roster().rows())
        if (r.state != bus::ReaderState::Answering)
            std::printf("  reader %d: %s (%d requests: %d good, %d no reply, %d faulty, %d misdirected)\n",
                        r.address, r.state == bus::ReaderState::NoReply ? "no reply" : "check errors",
                        r.requests, r.good, r.noReply, r.badCheck, r.misdirected);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::printf("bus overview rounds over a pty, kestrel-sim paced at 19200 baud\n");
    const QStringList simArguments = app.arguments().mid(1);
    for (int readers : {8, 16, 32})
        if (!runFor(readers, simArguments, readers)) return 1;
    return runFor(7, simArguments, 1) ? 0 : 1;
}
