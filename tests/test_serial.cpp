// The real port (QSerialPort) over a pseudo-terminal, and the port list.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdlib>

#include "protocol/exchange.h"
#include "serial/qtserialport.h"

using namespace kestrel;

namespace {

// A pseudo-terminal pair whose master side the test plays as the device.
struct Pty {
    int master = -1;
    QString slavePath;
    Pty() {
        master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0) {
            slavePath = QString::fromLocal8Bit(::ptsname(master));
        }
    }
    ~Pty() { hangUp(); }
    void hangUp() {
        if (master >= 0) ::close(master);
        master = -1;
    }
};

}  // namespace

TEST(PortNames, NaturalOrderPutsNumbersInNumericOrder) {
    QStringList names = {QStringLiteral("ttyS10"), QStringLiteral("ttyUSB0"), QStringLiteral("ttyS2"),
                         QStringLiteral("ttyACM1"), QStringLiteral("ttyS02"), QStringLiteral("ttyS1")};
    std::sort(names.begin(), names.end(), naturalLess);
    EXPECT_EQ(names, (QStringList{QStringLiteral("ttyACM1"), QStringLiteral("ttyS1"), QStringLiteral("ttyS2"),
                                  QStringLiteral("ttyS02"), QStringLiteral("ttyS10"), QStringLiteral("ttyUSB0")}));
    EXPECT_FALSE(naturalLess(QStringLiteral("ttyS1"), QStringLiteral("ttyS1")));
}

TEST(PortNames, AtMostThirtySystemPortsAndExtraPathsWhileTheyExist) {
    EXPECT_LE(systemSerialPorts().size(), kMaxListedPorts);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ttyRS485"));
    QtSerialPort port;
    port.setExtraPaths({path});
    EXPECT_FALSE(port.availablePorts().contains(path)) << "a path that does not exist is not listed";
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    const QStringList ports = port.availablePorts();
    ASSERT_FALSE(ports.isEmpty());
    EXPECT_EQ(ports.last(), path) << "extra paths come after the system's ports";
}

TEST(RealPort, ClosingTwiceOrNeverOpenedIsHarmless) {
    QtSerialPort port;
    port.close();
    port.close();
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(port.write("abc"), 0) << "a closed port writes nothing";
    EXPECT_TRUE(port.read(10).isEmpty());
    port.flush();
}

TEST(RealPort, AMissingDeviceReportsNotFound) {
    QtSerialPort port;
    const OpenResult r = port.open(QStringLiteral("/dev/ttyKESTREL_NO_SUCH_PORT"));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.failure, OpenFailure::NotFound);
    EXPECT_FALSE(r.cause.isEmpty());
    EXPECT_FALSE(port.isOpen());
}

TEST(RealPort, OpensAPtyAndPassesBytesUnchangedBothWays) {
    Pty pty;
    ASSERT_FALSE(pty.slavePath.isEmpty());
    QtSerialPort port;
    ASSERT_TRUE(port.open(pty.slavePath).ok);
    const QByteArray request("\x31\x05\xF0\xFE\x0D\x0A\x00\xFF", 8);
    EXPECT_EQ(port.write(request), request.size());
    port.flush();
    QByteArray got(64, '\0');
    QElapsedTimer t;
    t.start();
    qsizetype n = 0;
    while (n < request.size() && t.elapsed() < 2000) {
        QCoreApplication::processEvents();
        const auto r = ::read(pty.master, got.data() + n, got.size() - n);
        if (r > 0) n += r;
    }
    EXPECT_EQ(got.left(n), request);
    const QByteArray reply("\x3E\x05\xFB\x0D\x0A\x00", 6);
    ASSERT_EQ(::write(pty.master, reply.constData(), reply.size()), reply.size());
    EXPECT_TRUE(QTest::qWaitFor([&] { return port.bytesAvailable() >= reply.size(); }, 2000));
    EXPECT_EQ(port.read(255), reply);
    port.close();
    port.close();
}

TEST(RealPort, AHungUpDeviceIsReportedGoneOnceWithoutAnErrorStorm) {
    Pty pty;
    QtSerialPort port;
    ASSERT_TRUE(port.open(pty.slavePath).ok);
    QSignalSpy gone(&port, &SerialPort::gone);
    pty.hangUp();
    EXPECT_TRUE(gone.wait(2000));
    QTest::qWait(200);
    EXPECT_EQ(gone.count(), 1);
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(port.write("x"), 0);
}

namespace {
class NullHost : public ExchangeHost {
public:
    std::optional<QString> selectedAddressText() const override { return QStringLiteral("5"); }
    int openTab() const override { return TabReader; }
    QString statusText() const override { return status; }
    void setStatusText(const QString& t) override { status = t; }
    quint32 lampColour() const override { return 0; }
    void setLampColour(quint32) override {}
    void setCmdBoxText(const QString&) override {}
    void setTxtRec(const QString&) override {}
    void showWriteFailure(const QString&) override { ++failures; }
    void runCloseAction() override {}
    QString status;
    int failures = 0;
};
}  // namespace

TEST(RealPort, ASilentLineDoesNotStallTheEventLoop) {
    Pty pty;
    QtSerialPort port;
    ASSERT_TRUE(port.open(pty.slavePath).ok);
    NullHost host;
    ExchangeCycle cycle(port, host, ExchangeCycle::Timing{100, 256, 20});
    cycle.state().last_net = 5;
    qint64 longestGap = 0;
    QElapsedTimer sinceLast;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, sinceLast.restart());
    });
    QSignalSpy ticks(&cycle, &ExchangeCycle::tickFinished);
    sinceLast.start();
    probe.start(1);
    cycle.start();
    EXPECT_TRUE(QTest::qWaitFor([&] { return ticks.count() >= 3; }, 5000));
    cycle.stop();
    EXPECT_EQ(host.status, QStringLiteral("Нет данных со считывателя с номером 5"));
    EXPECT_EQ(host.failures, 0);
    // A blocking read would hold the loop for 256 ms on each silent tick.
    EXPECT_LT(longestGap, 100);
}

TEST(RealPort, APortHeldByAnotherOpenIsReportedBusyWithTheHolder) {
    Pty pty;
    QtSerialPort first;
    ASSERT_TRUE(first.open(pty.slavePath).ok);
    QtSerialPort second;
    const OpenResult r = second.open(pty.slavePath);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.failure, OpenFailure::Busy);
    EXPECT_TRUE(r.cause.startsWith(QStringLiteral("порт занят другой программой"))) << r.cause.toStdString();
    EXPECT_TRUE(r.cause.contains(QStringLiteral("PID %1").arg(QCoreApplication::applicationPid())))
        << "the lock file names the holder: " << r.cause.toStdString();
    EXPECT_FALSE(second.isOpen());
    first.close();
    EXPECT_TRUE(second.open(pty.slavePath).ok) << "free again once the holder closes it";
}

TEST(RealPort, AUserWithoutAccessIsToldAboutTheDialoutGroup) {
    // Root may open anything, so this needs another user: run as root, it opens a pty that only root may
    // use and has an unprivileged user try it.
    if (::geteuid() != 0 || !QFile::exists(QStringLiteral("/usr/sbin/runuser"))) {
        GTEST_SKIP() << "needs root and runuser to act as an unprivileged user";
    }
    Pty pty;
    ASSERT_EQ(::chmod(QFile::encodeName(pty.slavePath).constData(), 0600), 0);
    QProcess probe;
    probe.start(QStringLiteral("/usr/sbin/runuser"),
                {QStringLiteral("-u"), QStringLiteral("nobody"), QStringLiteral("--"), QStringLiteral(PORT_PROBE_EXE),
                 pty.slavePath});
    ASSERT_TRUE(probe.waitForFinished(10000));
    const QString out = QString::fromUtf8(probe.readAllStandardOutput()).trimmed();
    if (out.isEmpty()) GTEST_SKIP() << "the unprivileged user cannot run the probe here";
    EXPECT_EQ(out.section(QLatin1Char(' '), 0, 0), QString::number(static_cast<int>(OpenFailure::PermissionDenied)))
        << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("dialout"))) << out.toStdString();
}
