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
#include <mutex>

#include "serial/qtserialport.h"
#include "sim/ptyhost.h"

namespace kestrel::sim {
namespace {

QByteArray hex(const char* text) {
    return QByteArray::fromHex(text);
}
std::string show(const QByteArray& b) {
    return hexText(b).toStdString();
}

const char* const kFCDefault = "3E 05 FC 40 E2 01 00 86 00 48";

// Reads until `count` bytes have come or `timeoutMs` has passed, running the event loop meanwhile.
QByteArray readBytes(SerialPort& port, int count, int timeoutMs) {
    QByteArray got;
    (void)QTest::qWaitFor(
        [&] {
            got += port.read(4096);
            return got.size() >= count;
        },
        timeoutMs);
    return got;
}

// The next bytes read are exactly `expected` (hex), within two seconds.
void expectRead(SerialPort& port, const char* expected) {
    const QByteArray want = hex(expected);
    EXPECT_EQ(show(readBytes(port, int(want.size()), 2000)), show(want));
}

// A host of its own per test, started unpaced with its trace kept, and the port open on it.
class SimPty : public ::testing::Test {
  protected:
    void SetUp() override {
        host.setTrace([this](const TraceEntry& e) {
            std::lock_guard<std::mutex> lock(m);
            entries.push_back(e);
        });
        startAndOpen();
    }
    void startAndOpen() {
        host.setPacing(false);
        QString why;
        ASSERT_TRUE(host.isRunning() || host.start(&why)) << why.toStdString();
        const OpenResult r = port.open(host.slavePath());
        ASSERT_TRUE(r.ok) << r.cause.toStdString();
    }
    // The trace entries received (true) or sent (false) so far.
    std::vector<TraceEntry> traced(bool incoming) {
        std::lock_guard<std::mutex> lock(m);
        std::vector<TraceEntry> out;
        for (const TraceEntry& e : entries)
            if (e.incoming == incoming) out.push_back(e);
        return out;
    }
    std::mutex m;
    std::vector<TraceEntry> entries;
    PtyHost host;
    QtSerialPort port;  // closed before the host stops
};

TEST_F(SimPty, RequestsInOneWriteGetTheirRepliesInOrder) {
    EXPECT_TRUE(host.slavePath().startsWith(QStringLiteral("/dev/pts/")));
    ASSERT_EQ(port.write(hex("31 05 FC 5D")), 4);
    expectRead(port, kFCDefault);
    ASSERT_EQ(port.write(hex("31 05 F5 C1 31 FF DC 31 05 FA 80")), 11);
    expectRead(port, "3E 05 F5 9E 05 3E 05 FA DF");
}

TEST_F(SimPty, BusChangedWhileRunningShowsInTheNextReply) {
    host.withBus([](Bus& bus) { bus.reader(5)->serial = 2000000; });
    ASSERT_EQ(port.write(hex("31 05 FC 5D")), 4);
    expectRead(port, "3E 05 FC 80 84 1E 00 86 00 F8");
    // And the other way round: what the port set is visible to the test.
    ASSERT_EQ(port.write(hex("31 05 F2 C0 30")), 5);
    expectRead(port, "3E 05 F2 C0 AA");
    EXPECT_EQ(host.withBus([](Bus& bus) { return bus.reader(5)->mode; }), 0xC0);
}

// The host's trace gives when each piece went out; a slow test thread cannot shorten the gap there.
TEST_F(SimPty, SplitReplyGoesOutInTwoPiecesWithTheGapBetween) {
    host.injectFault(FaultKind::Split, 1, std::nullopt, 120);
    ASSERT_EQ(port.write(hex("31 05 FC 5D")), 4);
    expectRead(port, kFCDefault);
    host.stop();
    const std::vector<TraceEntry> sent = traced(false);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(show(sent[0].bytes), "3E 05 FC 40 E2");
    EXPECT_EQ(show(sent[1].bytes), "01 00 86 00 48");
    EXPECT_GE(sent[1].ms - sent[0].ms, 119);
}

TEST_F(SimPty, LateReplyComesOnlyAfterItsDelay) {
    host.injectFault(FaultKind::Late, 1);
    QElapsedTimer sinceWrite;
    sinceWrite.start();
    ASSERT_EQ(port.write(hex("31 05 FC 5D")), 4);
    expectRead(port, kFCDefault);
    EXPECT_GE(sinceWrite.elapsed(), 299);
}

TEST_F(SimPty, PacedReplyTakesTheLineTimeOfItsBytes) {
    host.setPacing(true);
    QElapsedTimer t;
    t.start();
    port.write(hex("31 05 E7 E0"));  // the 44-byte table: about 23 ms at 19200 baud
    EXPECT_EQ(readBytes(port, 44, 2000).size(), 44);
    EXPECT_GE(t.elapsed(), 20);
    EXPECT_TRUE(PtyHost().pacing()) << "pacing is on by default";
}

TEST_F(SimPty, HangUpIsSeenAsThePortGoneOnceAndANewPtyComesBack) {
    const QString path = host.slavePath();
    QSignalSpy gone(&port, &SerialPort::gone);
    host.injectFault(FaultKind::HangUp, 1);
    ASSERT_EQ(port.write(hex("31 05 FC 5D")), 4);
    ASSERT_TRUE(gone.wait(3000));
    EXPECT_TRUE(host.hungUp());
    EXPECT_FALSE(host.isRunning());
    EXPECT_FALSE(port.isOpen()) << "closed, so the hung-up line raises no further errors";
    QTest::qWait(100);
    EXPECT_EQ(gone.count(), 1);
    // The device node went with the line, as when an adapter is pulled.
    EXPECT_TRUE(host.slavePath().isEmpty());
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_FALSE(port.open(path).ok);

    ASSERT_NO_FATAL_FAILURE(startAndOpen());
    port.write(hex("31 05 FC 5D"));
    expectRead(port, kFCDefault);
}

// Stopping does not wait for a reply due in a minute.
TEST_F(SimPty, StopDoesNotWaitForAReplyStillDue) {
    host.injectFault(FaultKind::Late, 1, std::nullopt, 60000);
    port.write(hex("31 05 FC 5D"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !traced(true).empty(); }, 2000)) << "the host took the request";
    QElapsedTimer t;
    t.start();
    host.stop();
    EXPECT_LT(t.elapsed(), 30000);
    EXPECT_FALSE(host.isRunning());
    EXPECT_TRUE(host.slavePath().isEmpty());
    host.stop();  // twice is harmless
}

TEST_F(SimPty, SecondStartWhileRunningIsRefused) {
    QString why;
    EXPECT_FALSE(host.start(&why));
    EXPECT_FALSE(why.isEmpty());
    EXPECT_TRUE(host.isRunning());
}

// Received bytes are traced whether or not a reader answers them (nobody has address 0).
TEST_F(SimPty, TraceReportsRequestsAndReplies) {
    port.write(hex("31 00 F0 01 31 05 F5 C1"));
    expectRead(port, "3E 05 F5 9E");
    host.stop();
    const std::vector<TraceEntry> in = traced(true), out = traced(false);
    QByteArray received, sent;
    for (const TraceEntry& e : in) received += e.bytes;
    for (const TraceEntry& e : out) sent += e.bytes;
    EXPECT_EQ(show(received), "31 00 F0 01 31 05 F5 C1");
    EXPECT_EQ(show(sent), "3E 05 F5 9E");
    ASSERT_FALSE(in.empty() || out.empty());
    EXPECT_LE(in.front().ms, out.front().ms);
    EXPECT_EQ(formatTrace({12345, true, hex("31 05 F5 C1")}),
              QStringLiteral("    12.345 request 31 05 F5 C1"));
    EXPECT_EQ(formatTrace({12346, false, hex("3E 05 F5 9E")}),
              QStringLiteral("    12.346 reply   3E 05 F5 9E"));
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
        {{"--bogus"}, "bogus"},           {{"--fault", "nope"}, "unknown fault kind"},
        {{"--fault", "late:0"}, "count"}, {{"--fault", "silence@9"}, "no reader"},
        {{"--readers", "5,5"}, "twice"},  {{"--readers", "300"}, "address"},
        {{"--tags", "x"}, "tag count"},   {{"stray"}, "unexpected"},
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
    p.start(kSimExe, {"--no-pacing", "--trace", "--readers", "5,7", "--link", link});
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
    const QByteArray replyLine("reply   3E 05 FC 40 E2 01 00 86 00 48");
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            out += p.readAllStandardOutput();
            return out.contains(replyLine);
        },
        3000))
        << out.toStdString();
    EXPECT_TRUE(out.contains("request 31 05 FC 5D")) << out.toStdString();

    p.terminate();
    ASSERT_TRUE(p.waitForFinished(3000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_FALSE(QFileInfo(link).isSymLink());
}

}  // namespace
}  // namespace kestrel::sim
