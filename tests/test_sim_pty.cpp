// The simulated bus on a real pseudo-terminal, through the tool's own serial port class: round trips,
// line pacing, faults that live in time (split, late), the hang-up as the port sees it, the host's
// lifecycle, and the kestrel-sim command line. Expected bytes are written out by hand.

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <ctime>
#include <mutex>

#include "serial/qtserialport.h"
#include "sim/ptyhost.h"

namespace kestrel::sim {
namespace {

QByteArray hex(const char* text) {
    return QByteArray::fromHex(QByteArray(text));
}
std::string show(const QByteArray& b) {
    return hexText(b).toStdString();
}

const char* const kFCDefault = "3E 05 FC 40 E2 01 00 86 00 48";

// Reads until `count` bytes have come or `timeoutMs` has passed, running the event loop meanwhile.
QByteArray readBytes(SerialPort& port, int count, int timeoutMs) {
    QByteArray got;
    QElapsedTimer t;
    t.start();
    while (got.size() < count && t.elapsed() < timeoutMs) {
        if (port.bytesAvailable() == 0) {
            QSignalSpy spy(&port, &SerialPort::readyRead);
            spy.wait(int(std::max<qint64>(1, timeoutMs - t.elapsed())));
        }
        got.append(port.read(4096));
    }
    return got;
}

// The next bytes read are exactly `expected` (hex), within two seconds.
void expectRead(SerialPort& port, const char* expected) {
    const QByteArray want = hex(expected);
    EXPECT_EQ(show(readBytes(port, int(want.size()), 2000)), show(want));
}

// A host of its own per test, and a port to open on it.
class SimPtyHost : public ::testing::Test {
  protected:
    // Starts the host unless it runs (unpaced unless asked) and opens `p` on it.
    void startAndOpen(QtSerialPort& p, bool pacing = false) {
        host.setPacing(pacing);
        QString why;
        ASSERT_TRUE(host.isRunning() || host.start(&why)) << why.toStdString();
        const OpenResult r = p.open(host.slavePath());
        ASSERT_TRUE(r.ok) << r.cause.toStdString();
    }
    // Every trace entry is kept in `entries`.
    void keepTrace() {
        host.setTrace([this](const TraceEntry& e) {
            std::lock_guard<std::mutex> lock(m);
            entries.push_back(e);
        });
    }
    std::mutex m;
    std::vector<TraceEntry> entries;
    PtyHost host;
    QtSerialPort port;
};

// The host started unpaced and the port open on it before each test.
class SimPty : public SimPtyHost {
  protected:
    void SetUp() override { startAndOpen(port); }
    void TearDown() override {
        port.close();
        host.stop();
    }
};

TEST_F(SimPty, IdentificationRoundTripThroughTheSerialPort) {
    EXPECT_TRUE(host.slavePath().startsWith(QStringLiteral("/dev/pts/")));
    ASSERT_EQ(port.write(hex("31 05 FC 5D")), 4);
    expectRead(port, kFCDefault);
}

TEST_F(SimPty, SeveralRequestsInOneWriteGetTheirRepliesInOrder) {
    ASSERT_EQ(port.write(hex("31 05 F5 C1 31 FF DC 31 05 FA 80")), 11);
    expectRead(port, "3E 05 F5 9E 05 3E 05 FA DF");
}

TEST_F(SimPty, BusChangedWhileRunningShowsInTheNextReply) {
    host.withBus([](Bus& bus) {
        Reader* r = bus.reader(5);
        r->wander = false;
        r->live.temperature = -10;
        r->live.level = 1023;
        r->live.current = 1;
    });
    ASSERT_EQ(port.write(hex("31 05 F0 FE")), 4);
    expectRead(port, "3E 05 F0 F6 FF 03 01 00 00 00 64 00 00 00 C3 B2 A1 00 2C 01 02 01 00 05 0A 95");
    // And the other way round: what the port set is visible to the test.
    ASSERT_EQ(port.write(hex("31 05 F2 C0 30")), 5);
    expectRead(port, "3E 05 F2 C0 AA");
    EXPECT_EQ(host.withBus([](Bus& bus) { return bus.reader(5)->mode; }), 0xC0);
}

TEST_F(SimPty, SplitReplyArrivesInTwoPartsWithAGap) {
    host.injectFault(FaultKind::Split, 1, std::nullopt, 120);
    ASSERT_EQ(port.write(hex("31 05 FC 5D")), 4);
    const QByteArray first = readBytes(port, 5, 2000);
    QElapsedTimer gap;
    gap.start();
    EXPECT_EQ(show(first), show(hex("3E 05 FC 40 E2")));
    const QByteArray rest = readBytes(port, 5, 2000);
    EXPECT_GE(gap.elapsed(), 80);
    EXPECT_EQ(show(rest), show(hex("01 00 86 00 48")));
}

TEST_F(SimPty, LateReplyComesOnlyAfterItsDelay) {
    host.injectFault(FaultKind::Late, 1);
    ASSERT_EQ(port.write(hex("31 05 FC 5D")), 4);
    EXPECT_TRUE(readBytes(port, 1, 200).isEmpty());
    expectRead(port, kFCDefault);
}

TEST_F(SimPty, OverLongReplyCarriesSixtyBytes) {
    host.injectFault(FaultKind::Long, 1);
    ASSERT_EQ(port.write(hex("31 05 F5 C1")), 4);
    const QByteArray reply = readBytes(port, 60, 2000);
    ASSERT_EQ(reply.size(), 60);
    EXPECT_EQ(show(reply.left(3)), show(hex("3E 05 F5")));
    EXPECT_EQ(reply.mid(3, 56), QByteArray(56, '\0'));
    EXPECT_EQ(quint8(reply.at(59)), 0xE6);
}

TEST_F(SimPty, HangUpIsSeenAsThePortGoneOnceWithoutACpuStorm) {
    const QString path = host.slavePath();
    QSignalSpy gone(&port, &SerialPort::gone);
    host.injectFault(FaultKind::HangUp, 1);
    ASSERT_EQ(port.write(hex("31 05 FC 5D")), 4);
    ASSERT_TRUE(gone.wait(3000));
    EXPECT_TRUE(host.hungUp());
    EXPECT_FALSE(port.isOpen());

    // The event loop stays responsive and the process stays idle afterwards.
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(10);
    const std::clock_t cpu0 = std::clock();
    QTest::qWait(400);
    const double cpuSeconds = double(std::clock() - cpu0) / CLOCKS_PER_SEC;
    timer.stop();
    EXPECT_GE(ticks, 20);
    EXPECT_LT(cpuSeconds, 0.2);
    EXPECT_EQ(gone.count(), 1);

    // The device node went with the line, as when an adapter is pulled.
    EXPECT_TRUE(host.slavePath().isEmpty());
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_FALSE(port.open(path).ok);
}

TEST_F(SimPtyHost, ComesBackOnANewPtyAfterAHangUp) {
    {
        QtSerialPort first;
        ASSERT_NO_FATAL_FAILURE(startAndOpen(first));
        host.injectFault(FaultKind::HangUp, 1);
        QSignalSpy gone(&first, &SerialPort::gone);
        first.write(hex("31 05 FC 5D"));
        ASSERT_TRUE(gone.wait(3000));
    }
    EXPECT_FALSE(host.isRunning());
    ASSERT_NO_FATAL_FAILURE(startAndOpen(port));
    port.write(hex("31 05 FC 5D"));
    expectRead(port, kFCDefault);
}

TEST_F(SimPtyHost, PacedReplyTakesTheLineTimeOfItsBytes) {
    ASSERT_TRUE(host.pacing()) << "pacing is on by default";
    ASSERT_NO_FATAL_FAILURE(startAndOpen(port, true));
    QElapsedTimer t;
    t.start();
    port.write(hex("31 05 E7 E0"));  // the 44-byte table: about 23 ms at 19200 baud
    const QByteArray reply = readBytes(port, 44, 2000);
    EXPECT_EQ(reply.size(), 44);
    EXPECT_GE(t.elapsed(), 20);
}

TEST_F(SimPtyHost, StopIsPromptEvenWithAReplyWaiting) {
    ASSERT_NO_FATAL_FAILURE(startAndOpen(port));
    host.injectFault(FaultKind::Late, 1, std::nullopt, 10000);
    port.write(hex("31 05 FC 5D"));
    QTest::qWait(50);
    QElapsedTimer t;
    t.start();
    host.stop();
    EXPECT_LT(t.elapsed(), 500);
    EXPECT_FALSE(host.isRunning());
    EXPECT_TRUE(host.slavePath().isEmpty());
    host.stop();  // twice is harmless
}

TEST_F(SimPtyHost, SecondStartWhileRunningIsRefused) {
    ASSERT_TRUE(host.start());
    QString why;
    EXPECT_FALSE(host.start(&why));
    EXPECT_FALSE(why.isEmpty());
    EXPECT_TRUE(host.isRunning());
}

TEST_F(SimPtyHost, TraceReportsRequestsAndReplies) {
    keepTrace();
    ASSERT_NO_FATAL_FAILURE(startAndOpen(port));
    port.write(hex("31 05 F5 C1"));
    ASSERT_EQ(readBytes(port, 4, 2000).size(), 4);
    host.stop();
    std::lock_guard<std::mutex> lock(m);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_TRUE(entries[0].incoming);
    EXPECT_EQ(show(entries[0].bytes), "31 05 F5 C1");
    EXPECT_FALSE(entries[1].incoming);
    EXPECT_EQ(show(entries[1].bytes), "3E 05 F5 9E");
    EXPECT_LE(entries[0].ms, entries[1].ms);
    EXPECT_TRUE(formatTrace(entries[0]).endsWith(QStringLiteral("request 31 05 F5 C1")));
    EXPECT_TRUE(formatTrace(entries[1]).endsWith(QStringLiteral("3E 05 F5 9E")));
}

TEST_F(SimPtyHost, TraceShowsRequestsThatNoReaderAnswers) {
    keepTrace();
    ASSERT_NO_FATAL_FAILURE(startAndOpen(port));
    port.write(hex("31 00 F0 01"));  // no reader at address 0
    QTest::qWait(100);
    host.stop();
    std::lock_guard<std::mutex> lock(m);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_TRUE(entries[0].incoming);
    EXPECT_EQ(show(entries[0].bytes), "31 00 F0 01");
}

// ---- The kestrel-sim command line ----

const QString kSimExe = QStringLiteral(KESTREL_SIM_EXE);

struct CliRun {
    int exitCode = -1;
    QString out;
    QString err;
};

CliRun runSim(const QStringList& args) {
    QProcess p;
    p.start(kSimExe, args);
    CliRun r;
    if (!p.waitForFinished(5000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

TEST(SimCommandLine, BadOptionsAreRefusedWithAMessage) {
    const std::pair<QStringList, const char*> cases[] = {
        {{QStringLiteral("--bogus")}, "bogus"},
        {{QStringLiteral("--fault"), QStringLiteral("nope")}, "unknown fault kind"},
        {{QStringLiteral("--fault"), QStringLiteral("late:0")}, "count"},
        {{QStringLiteral("--fault"), QStringLiteral("silence@9")}, "no reader"},
        {{QStringLiteral("--readers"), QStringLiteral("5,5")}, "twice"},
        {{QStringLiteral("--readers"), QStringLiteral("300")}, "address"},
        {{QStringLiteral("--tags"), QStringLiteral("x")}, "tag count"},
        {{QStringLiteral("stray")}, "unexpected"},
    };
    for (const auto& [args, says] : cases) {
        SCOPED_TRACE(args.join(QLatin1Char(' ')).toStdString());
        const CliRun r = runSim(args);
        EXPECT_GT(r.exitCode, 0);
        EXPECT_TRUE(r.err.contains(QLatin1String(says))) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
    }
}

TEST(SimCommandLine, HelpExplainsTheOptions) {
    const CliRun r = runSim({QStringLiteral("--help")});
    EXPECT_EQ(r.exitCode, 0);
    for (const char* word :
         {"--link", "--readers", "--tags", "--fault", "--no-pacing", "--trace", "hangup", "bad-crc"})
        EXPECT_TRUE(r.out.contains(QLatin1String(word))) << word;
}

TEST(SimCommandLine, PrintsThePortServesItThroughTheLinkAndCleansUpOnTerminate) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString link = dir.filePath(QStringLiteral("bus"));
    QProcess p;
    p.start(kSimExe, {QStringLiteral("--no-pacing"), QStringLiteral("--trace"), QStringLiteral("--readers"),
                      QStringLiteral("5,7"), QStringLiteral("--link"), link});
    ASSERT_TRUE(p.waitForStarted(3000));
    QByteArray out;
    while (!out.contains("link ") && p.waitForReadyRead(3000)) out += p.readAllStandardOutput();
    const QString path = QString::fromLocal8Bit(out.left(out.indexOf('\n')));
    EXPECT_TRUE(path.startsWith(QStringLiteral("/dev/pts/"))) << out.toStdString();
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), path);

    {
        QtSerialPort port;
        const OpenResult opened = port.open(link);
        ASSERT_TRUE(opened.ok) << opened.cause.toStdString();
        port.write(hex("31 FF DC"));
        expectRead(port, "05 07");
        port.write(hex("31 05 FC 5D"));
        expectRead(port, kFCDefault);
    }
    QTest::qWait(50);
    out += p.readAllStandardOutput();
    EXPECT_TRUE(out.contains("request 31 05 FC 5D")) << out.toStdString();
    EXPECT_TRUE(out.contains("reply   3E 05 FC 40 E2 01 00 86 00 48")) << out.toStdString();

    p.terminate();
    ASSERT_TRUE(p.waitForFinished(3000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_FALSE(QFileInfo(link).isSymLink());
}

}  // namespace
}  // namespace kestrel::sim
