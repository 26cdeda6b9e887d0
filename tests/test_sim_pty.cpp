// The simulated bus on a real pseudo-terminal, through the tool's own serial port class: line pacing,
// faults that live in time (split, late), the hang-up as the port sees it, the host's trace, and the
// kestrel-sim command line. Expected bytes are written out by hand.

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
    (void)QTest::qWaitFor([&] { return (got += port.read(4096)).size() >= count; }, timeoutMs);
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
            entries[e.incoming].push_back(e);
        });
        host.setPacing(false);
        QString why;
        ASSERT_TRUE(host.start(&why)) << why.toStdString();
        const OpenResult r = port.open(host.slavePath());
        ASSERT_TRUE(r.ok) << r.cause.toStdString();
    }
    // The trace entries received (true) or sent (false) so far.
    std::vector<TraceEntry> traced(bool incoming) {
        std::lock_guard<std::mutex> lock(m);
        return entries[incoming];
    }
    std::mutex m;
    std::vector<TraceEntry> entries[2];  // sent, received
    PtyHost host;
    QtSerialPort port;  // closed before the host stops
};

// With pacing (on by default) a reply takes the line time of its bytes: the 44-byte table about 23 ms at
// 19200 baud. A reply's pieces keep their delays (a split reply below; the delay of a late one is the
// same, in test_sim_bus.cpp).
TEST_F(SimPty, PacedRepliesTakeTheLineTimeOfTheirBytes) {
    EXPECT_TRUE(PtyHost().pacing());
    host.setPacing(true);
    QElapsedTimer t;
    t.start();
    port.write(hex("31 05 E7 E0"));
    EXPECT_EQ(readBytes(port, 44, 2000),
              hex("3E 05 E6 56 34 12 00 EF CD AB 00") + QByteArray(32, 0) + hex("81"));
    EXPECT_GE(t.elapsed(), 20);
}

// The adapter plugged in again (a new pty) is the replug in test_port_faults.cpp.
TEST_F(SimPty, HangUpIsSeenAsThePortGoneOnceAndTakesTheDeviceNodeWithIt) {
    const QString path = host.slavePath();
    QSignalSpy gone(&port, &SerialPort::gone);
    host.injectFault(FaultKind::HangUp, 1);
    ASSERT_EQ(port.write(hex("31 05 FC 5D")), 4);
    ASSERT_TRUE(gone.wait(3000));
    EXPECT_FALSE(port.isOpen()) << "closed, so the hung-up line raises no further errors";
    // The host finishes the hang-up on its own thread, and the device node goes with the line (the kernel
    // removes it a moment after the last close), as when an adapter is pulled.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !host.isRunning() && !QFile::exists(path); }, 3000));
    EXPECT_TRUE(host.hungUp());
    EXPECT_TRUE(host.slavePath().isEmpty());
    QTest::qWait(100);
    EXPECT_EQ(gone.count(), 1);
    const std::vector<TraceEntry> sent = traced(false);
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.back().bytes, QByteArray("(hang-up)")) << "traced as what the line did, not as a request";
}

// Received bytes are traced whether or not a reader answers them (nobody has address 0). A split reply
// goes out, and is traced, in two pieces; the second no sooner than its gap after the request was
// written. (The host's own trace times cannot bound the gap: its thread may be held up between taking
// the request and sending the first piece, which shortens the gap between the two trace entries.)
TEST_F(SimPty, TraceReportsRequestsAndEachPieceOfAReply) {
    host.injectFault(FaultKind::Split, 1, std::nullopt, 120);
    QElapsedTimer sinceWrite;
    sinceWrite.start();
    port.write(hex("31 00 F0 01 31 05 FC 5D"));
    expectRead(port, kFCDefault);
    EXPECT_GE(sinceWrite.elapsed(), 120);
    host.stop();
    const std::vector<TraceEntry> in = traced(true), sent = traced(false);
    QByteArray received;
    for (const TraceEntry& e : in) received += e.bytes;
    ASSERT_EQ(show(received), "31 00 F0 01 31 05 FC 5D");
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(show(sent[0].bytes), "3E 05 FC 40 E2");
    EXPECT_EQ(show(sent[1].bytes), "01 00 86 00 48");
    EXPECT_LE(in.front().ms, sent.front().ms);
    EXPECT_EQ(formatTrace({12345, true, hex("31 05 F5 C1")}), "    12.345 request 31 05 F5 C1");
    EXPECT_EQ(formatTrace({12346, false, hex("3E 05 F5 9E")}), "    12.346 reply   3E 05 F5 9E");
}

// ---- The kestrel-sim command line ----

const QString kSimExe = QStringLiteral(KESTREL_SIM_EXE);

// Runs kestrel-sim to its end: exit code (-1 when it did not end by itself within five seconds), output
// and error output.
struct CliRun {
    int exitCode;
    QString out, err;
};
CliRun runSim(const QStringList& args) {
    QProcess p;
    p.start(kSimExe, args);
    if (!p.waitForFinished(5000)) p.kill();
    p.waitForFinished();
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromLocal8Bit(p.readAllStandardOutput()),
            QString::fromLocal8Bit(p.readAllStandardError())};
}

TEST(SimCommandLine, BadOptionsAreRefusedWithAMessageAndHelpExplainsTheOptions) {
    const std::pair<QStringList, const char*> cases[] = {
        {{"--bogus"}, "bogus"},
        {{"--fault", "nope"}, "unknown fault kind"},
        {{"--fault", "late:0"}, "count"},
        {{"--fault", "silence@9"}, "no reader"},
        {{"--readers", "5,5"}, "twice"},
        {{"--readers", "300"}, "address"},
        {{"--readers", "1-8,7"}, "reader address 7 given twice"},
        {{"--readers", "9-3"}, "bad reader address '9-3'"},
        {{"--readers", "1-2-3"}, "bad reader address"},
        {{"--tags", "x"}, "tag count"},
        {{"stray"}, "unexpected"},
        {{"--seed", "x"}, "bad seed 'x'"},
        {{"--replug", "600001"}, "bad re-plug delay '600001'"},
        {{"--replay", ""}, "--replay needs a file name"},
        {{"--replay", "log.csv", "--tags", "3", "--fault", "silence"},
         "does not combine with --tags, --fault"},
        {{"--replay", "/nonexistent/log.csv"}, "cannot read /nonexistent/log.csv"},
        {{"--tcp", "127.0.0.1"}, "bad TCP address '127.0.0.1'"},
        {{"--tcp", "127.0.0.1:65536"}, "bad TCP address"},
        {{"--tcp", "127.0.0.1:0", "--link", "x"}, "--tcp does not combine with --link or --replug"},
    };
    for (const auto& [args, says] : cases) {
        SCOPED_TRACE(args.join(QLatin1Char(' ')).toStdString());
        const CliRun r = runSim(args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_TRUE(r.err.contains(QLatin1String(says))) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
    }
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
    // A fault aimed at reader 254, which is never asked here: taken, and harmless to the others.
    p.start(kSimExe, {"--no-pacing", "--trace", "--readers", "5,253-254", "--tags", "3", "--fault",
                      "silence@254", "--link", link});
    ASSERT_TRUE(p.waitForStarted(3000));
    QByteArray out;
    while (!out.contains("link ") && p.waitForReadyRead(3000)) out += p.readAllStandardOutput();
    const QString path = QString::fromLocal8Bit(out.left(out.indexOf('\n')));
    EXPECT_TRUE(path.startsWith(QStringLiteral("/dev/pts/"))) << out.toStdString();
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), path);
    QtSerialPort port;
    ASSERT_TRUE(port.open(link).ok);
    port.write(hex("31 FF DC 31 05 FC 5D"));
    expectRead(port, "05 FD FE 3E 05 FC 40 E2 01 00 86 00 48");
    port.close();
    const QByteArray replyLine("reply   3E 05 FC 40 E2 01 00 86 00 48");
    EXPECT_TRUE(QTest::qWaitFor([&] { return (out += p.readAllStandardOutput()).contains(replyLine); }, 3000))
        << out.toStdString();
    EXPECT_TRUE(out.contains("request 31 FF DC")) << out.toStdString();

    QByteArray err;
    EXPECT_TRUE(QTest::qWaitFor([&] { return (err += p.readAllStandardError()).endsWith('\n'); }, 3000));
    EXPECT_EQ(err,
              "kestrel-sim: readers at 5, 253, 254, 3 tag(s) each, 19200 8N1, no pacing; Ctrl-C stops\n");
    p.terminate();
    ASSERT_TRUE(p.waitForFinished(3000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_FALSE(QFileInfo(link).isSymLink());
}

// Pulled and plugged in again, the simulator makes its link anew; when it cannot (a file has taken the
// link's place meanwhile), it says why and ends with 1, so a script that relies on the link hears of it.
TEST(SimCommandLine, ALinkThatCannotBeMadeAgainAfterAReplugEndsItWithOne) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString link = dir.filePath(QStringLiteral("bus"));
    QProcess p;
    p.start(kSimExe, {"--no-pacing", "--fault", "hangup:1", "--replug", "300", "--link", link});
    ASSERT_TRUE(p.waitForStarted(3000));
    QByteArray out;
    while (!out.contains("link ") && p.waitForReadyRead(3000)) out += p.readAllStandardOutput();
    QtSerialPort port;
    ASSERT_TRUE(port.open(link).ok) << out.toStdString();
    port.write(hex("31 05 FC 5D"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !QFileInfo(link).isSymLink(); }, 3000)) << "the link goes";
    port.close();
    QFile squatter(link);
    ASSERT_TRUE(squatter.open(QIODevice::WriteOnly));
    squatter.close();
    ASSERT_TRUE(p.waitForFinished(3000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 1);
    EXPECT_TRUE(p.readAllStandardError().contains("exists and is not a symbolic link; not replacing it"));
    EXPECT_TRUE(QFileInfo(link).isFile()) << "the file is left as it was";
}

}  // namespace
}  // namespace kestrel::sim
