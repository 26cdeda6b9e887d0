// The real port (QSerialPort) over a pseudo-terminal: line settings, bytes both ways, how a lost device is
// reported, and the port list. A busy and a forbidden port are in the end-to-end fault table, a hung-up
// line in test_sim_pty.cpp.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <algorithm>

#include "device/requests.h"
#include "exchange/transactor.h"
#include "serial/networkport.h"
#include "serial/qtserialport.h"
#include "sim/ptyhost.h"

using namespace kestrel;

namespace {

// A pseudo-terminal pair whose master side the test plays as the device.
struct Pty {
    int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    QString slavePath;
    Pty() {
        if (master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0)
            slavePath = QString::fromLocal8Bit(::ptsname(master));
    }
    ~Pty() { ::close(master); }
};

// The tool's port, open on a fresh pty whose master side the test plays as the device.
class PtyPort : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(port.open(pty.slavePath).ok); }
    Pty pty;
    QtSerialPort port;
};

}  // namespace

TEST(PortNames, NaturalOrderPutsNumbersInNumericOrder) {
    QStringList names = {"ttyS10", "ttyUSB0", "ttyS2", "ttyACM1", "ttyS02", "ttyS1"};
    std::sort(names.begin(), names.end(), naturalLess);
    EXPECT_EQ(names, (QStringList{"ttyACM1", "ttyS1", "ttyS2", "ttyS02", "ttyS10", "ttyUSB0"}));
    EXPECT_FALSE(naturalLess(QStringLiteral("ttyS1"), QStringLiteral("ttyS1")));
}

TEST(PortNames, LeadingPathsAreListedFirstWhileTheyExist) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ttyRS485"));
    QtSerialPort port;
    port.setLeadingPaths({path});
    EXPECT_FALSE(port.availablePorts().contains(path)) << "a path that does not exist is not listed";
    ASSERT_TRUE(QFile(path).open(QIODevice::WriteOnly));
    const QStringList ports = port.availablePorts();
    EXPECT_EQ(ports.value(0), path) << "leading paths come before the system's ports";
    QStringList infoNames;
    for (const PortInfo& info : port.portInfos()) infoNames << info.name;
    EXPECT_EQ(infoNames, ports) << "the ports with their details are the same ports in the same order";
    EXPECT_EQ(port.portInfos().value(0).identity(), QStringLiteral("path:") + path);
}

// A scan enumerates the system's ports only when a device node came or went, and for a while after (udev
// adds details and links a moment later); an idle scan costs a few stat() calls.
TEST(PortNames, TheSystemIsEnumeratedAgainOnlyWhenADeviceFolderChanges) {
    QTemporaryDir dev;
    QtSerialPort port;
    port.setDeviceFolders({dev.path(), dev.filePath(QStringLiteral("serial"))}, 0);
    QList<int> counts;
    const auto scans = [&](int n) {
        for (int i = 0; i < n; ++i) port.portInfos();
        counts << port.enumerations();
    };
    scans(3);  // the first scan, then nothing new
    ASSERT_TRUE(QFile(dev.filePath(QStringLiteral("ttyUSB0"))).open(QIODevice::WriteOnly));
    scans(3);
    ASSERT_TRUE(QDir(dev.path()).mkdir(QStringLiteral("serial")));
    scans(1);
    ASSERT_TRUE(QFile(dev.filePath(QStringLiteral("serial/by-id"))).open(QIODevice::WriteOnly));
    scans(2);
    ASSERT_TRUE(QFile::remove(dev.filePath(QStringLiteral("ttyUSB0"))));
    port.availablePorts();
    scans(4);
    port.setDeviceFolders({dev.path(), dev.filePath(QStringLiteral("serial"))}, 60000);
    scans(2);  // within the settling time after the last change: every scan enumerates
    EXPECT_EQ(counts, (QList<int>{1, 2, 3, 4, 5, 7}));
}

// The identity prefers vendor, product, serial number (and interface), then a by-id link, then the name; the
// details name only what is known, ids in upper-case hex of four digits.
TEST(PortNames, IdentityAndDetailsUseWhatIsKnown) {
    const QString link = QStringLiteral("/dev/serial/by-id/usb-1a86_USB_Serial-if00-port0");
    struct Case {
        PortInfo info;
        QString identity;
        QString details;
    } cases[] = {
        {{"ttyUSB0", "FT232R USB UART", "FTDI", "A10K3XYZ", 0x0403, 0x6001, {}},
         "usb:0403:6001:A10K3XYZ",
         "FT232R USB UART, FTDI, 0403:6001, S/N A10K3XYZ"},
        {{"ttyUSB3", {}, {}, "FT4A", 0x0403, 0x6011, "/dev/serial/by-id/usb-FTDI_Quad_FT4A-if02-port0"},
         "usb:0403:6011:FT4A:if02",  // one port of an adapter with several, all of one serial number
         "0403:6011, S/N FT4A"},
        {{"ttyUSB1", "USB Serial", {}, {}, 0x1a86, 0x7523, link}, "by-id:" + link, "USB Serial, 1A86:7523"},
        {{"ttyUSB2", {}, "Prolific", "123", 0x067b, {}, {}}, "path:ttyUSB2", "Prolific, S/N 123"},
        {{"/dev/pts/3", {}, {}, {}, {}, {}, {}}, "path:/dev/pts/3", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.info.identity(), c.identity) << c.info.name.toStdString();
        EXPECT_EQ(c.info.details(), c.details) << c.info.name.toStdString();
    }
}

// A port is known by its listed name, its device path or its by-id link; a lost adapter is found again by
// its identity under any name, except the names of look-alikes that stayed when it went; without an
// identity (the system never listed it), by its name.
TEST(PortNames, ALostAdapterIsFoundByItsIdentityAndNeverAsALookAlikeThatStayed) {
    const QString byId = QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_A10K3XYZ-if00-port0");
    const PortInfo ours{"ttyUSB0", {}, {}, "A10K3XYZ", 0x0403, 0x6001, byId};
    const PortInfo oursRenamed{"ttyUSB1", {}, {}, "A10K3XYZ", 0x0403, 0x6001, byId};
    const PortInfo other{"ttyUSB0", {}, {}, "B77", 0x0403, 0x6001, {}};  // another adapter, our old name
    const PortInfo clone{"ttyUSB2", {}, {}, "A10K3XYZ", 0x0403, 0x6001, byId};  // one serial number for both
    const QList<PortInfo> listed{ours, clone};
    const struct {
        const char* name;
        QString identity;
    } names[] = {{"ttyUSB0", "usb:0403:6001:A10K3XYZ:if00"},
                 {"/dev/ttyUSB0", "usb:0403:6001:A10K3XYZ:if00"},
                 {"/dev/serial/by-id/usb-FTDI_FT232R_A10K3XYZ-if00-port0", "usb:0403:6001:A10K3XYZ:if00"},
                 {"/dev/ttyUSB9", ""},
                 {"tcp://10.0.0.7:4001", ""}};
    for (const auto& n : names) EXPECT_EQ(listedIdentity(listed, n.name), n.identity) << n.name;

    const LostAdapter lost(QStringLiteral("ttyUSB0"), ours.identity(), {clone});
    const struct {
        const char* when;
        QList<PortInfo> listed;
        const char* found;
    } rows[] = {{"not back", {clone}, ""},
                {"another adapter under its old name", {other, clone}, ""},
                {"back under its old name", {clone, ours}, "ttyUSB0"},
                {"back under a new name", {other, clone, oursRenamed}, "ttyUSB1"}};
    for (const auto& r : rows) EXPECT_EQ(lost.findIn(r.listed), QString::fromUtf8(r.found)) << r.when;
    const LostAdapter unlisted(QStringLiteral("/dev/pts/7"), QString(), {});
    EXPECT_EQ(unlisted.findIn({}), QStringLiteral("/dev/pts/7"));
}

// Closing a port never opened is harmless (the destructor closes too); one that failed to open stays
// closed, and a closed port neither writes nor reads.
TEST(RealPort, AMissingDeviceReportsNotFoundAndThePortStaysClosed) {
    QtSerialPort port;
    port.close();
    const OpenResult r = port.open(QStringLiteral("/dev/ttyKESTREL_NO_SUCH_PORT"));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.failure, OpenFailure::NotFound);
    EXPECT_EQ(r.cause, QStringLiteral("устройство не найдено"));
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(port.write("abc"), 0);
    EXPECT_TRUE(port.read(10).isEmpty());
    // A file that is no terminal is no port either, with the system's reason.
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("ttyFILE"));
    QFile(file).open(QIODevice::WriteOnly);
    const OpenResult plain = port.open(file);
    EXPECT_FALSE(plain.ok);
    EXPECT_EQ(plain.failure, OpenFailure::Other);
    EXPECT_EQ(plain.cause, QStringLiteral("устройство не является терминалом"));
    EXPECT_FALSE(port.isOpen());
}

// Whether some program holds the tty at `path` exclusively: refused outright without the privilege to ignore
// that, asked of the tty with it (root).
bool heldExclusively(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return errno == EBUSY;
    int on = 0;
    const bool asked = ::ioctl(fd, TIOCGEXCL, &on) == 0;
    ::close(fd);
    return asked && on != 0;
}

// A port another program holds is refused by whatever name it is reached (its node, a symlink, a path with
// "//" and ".."), also as root, whom the exclusive mode does not stop: the lock follows the device node and
// names its holder. A tty held exclusively without a lock file is refused too, and the failed attempt leaves
// the holder's exclusive mode in place.
TEST(HeldPort, IsRefusedByAnyNameAndKeepsItsHolder) {
    enum Name { Node, Link, Dotted };
    enum Holder { ToolPort, ExclusiveDescriptor };
    const struct {
        const char* what;
        Holder holder;
        Name heldAs;
        Name openedAs;
    } rows[] = {
        {"same node", ToolPort, Node, Node},
        {"node held, link opened", ToolPort, Node, Link},
        {"link held, node opened", ToolPort, Link, Node},
        {"node held, // and .. opened", ToolPort, Node, Dotted},
        {"exclusive without a lock, node opened", ExclusiveDescriptor, Node, Node},
        {"exclusive without a lock, link opened", ExclusiveDescriptor, Node, Link},
    };
    const QString toolHolder = QStringLiteral("порт занят другой программой (PID %1, %2)")
                                   .arg(QCoreApplication::applicationPid())
                                   .arg(QFileInfo(QCoreApplication::applicationFilePath()).fileName());
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Pty pty;
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("ttyBUS"));
        ASSERT_TRUE(QFile::link(pty.slavePath, link));
        const QString names[] = {pty.slavePath, link,
                                 QStringLiteral("/dev//pts/../pts/") + QFileInfo(pty.slavePath).fileName()};
        QtSerialPort holder;
        int exclusiveFd = -1;
        if (row.holder == ToolPort) {
            ASSERT_TRUE(holder.open(names[row.heldAs]).ok);
        } else {
            exclusiveFd = ::open(QFile::encodeName(names[row.heldAs]).constData(), O_RDWR | O_NOCTTY);
            ASSERT_GE(exclusiveFd, 0);
            ASSERT_EQ(::ioctl(exclusiveFd, TIOCEXCL), 0);
        }
        {
            QtSerialPort second;
            const OpenResult r = second.open(names[row.openedAs]);
            EXPECT_FALSE(r.ok);
            EXPECT_FALSE(second.isOpen());
            EXPECT_EQ(r.failure, OpenFailure::Busy);
            EXPECT_EQ(r.cause,
                      row.holder == ToolPort ? toolHolder : QStringLiteral("порт занят другой программой"));
        }
        EXPECT_TRUE(heldExclusively(pty.slavePath))
            << "the failed attempt cleared the holder's exclusive mode";
        pollfd pfd{pty.master, POLLIN, 0};
        EXPECT_EQ(::poll(&pfd, 1, 0), 0) << "the refused program wrote to the device";
        if (exclusiveFd >= 0) ::close(exclusiveFd);
    }
}

// The line settings the open leaves on the terminal. The master side of a pty reports its slave's
// settings, and reading them there is not refused by the exclusive lock the open takes.
TEST_F(PtyPort, OpensAt19200Baud8DataBitsNoParityOneStopBitNoFlowControl) {
    termios t{};
    ASSERT_EQ(::tcgetattr(pty.master, &t), 0);
    EXPECT_EQ(::cfgetospeed(&t), speed_t(B19200));
    EXPECT_EQ(::cfgetispeed(&t), speed_t(B19200));
    EXPECT_EQ(t.c_cflag & CSIZE, tcflag_t(CS8));
    EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u) << "no parity, one stop bit, no hardware flow";
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF), 0u) << "no software flow control";
}

TEST_F(PtyPort, PassesBytesUnchangedBothWays) {
    const QByteArray request("\x31\x05\xF0\xFE\x0D\x0A\x00\xFF", 8);
    EXPECT_EQ(port.write(request), request.size());
    // Written at once, without a pass of the event loop.
    QByteArray got;
    char buf[64];
    pollfd master{pty.master, POLLIN, 0};
    while (got.size() < request.size() && ::poll(&master, 1, 2000) == 1)
        got.append(buf, int(::read(pty.master, buf, sizeof buf)));
    EXPECT_EQ(got, request);
    const QByteArray reply("\x3E\x05\xFB\x0D\x0A\x00", 6);
    ASSERT_EQ(::write(pty.master, reply.constData(), reply.size()), reply.size());
    EXPECT_TRUE(QTest::qWaitFor([&] { return port.bytesAvailable() >= reply.size(); }, 2000));
    const QByteArray back = port.read(255);
    EXPECT_EQ(back, reply);
    EXPECT_LT(back.capacity(), 64) << "a reply the log keeps holds its bytes, not the port's receive block";
}

TEST_F(PtyPort, HeldArrivalsWaitInTheDriverUntilResumed) {
    QSignalSpy arrivals(&port, &SerialPort::readyRead);
    port.holdArrivals();
    ASSERT_EQ(::write(pty.master, "\x3E\x05", 2), 2);
    QTest::qWait(60);
    EXPECT_EQ(arrivals.count(), 0);
    EXPECT_EQ(port.bytesAvailable(), 0);
    port.resumeArrivals();
    EXPECT_TRUE(QTest::qWaitFor([&] { return port.bytesAvailable() == 2; }, 2000));
    EXPECT_GE(arrivals.count(), 1);
}

// A line that floods the port: what waits unread in it stays bounded, the rest is left in the driver.
TEST_F(PtyPort, AFloodWaitsInThePortOnlyUpToItsBound) {
    ::fcntl(pty.master, F_SETFL, ::fcntl(pty.master, F_GETFL) | O_NONBLOCK);
    const QByteArray chunk(1000, '\x55');
    qint64 written = 0;
    for (int i = 0; i < 200; ++i) {
        const ssize_t n = ::write(pty.master, chunk.constData(), size_t(chunk.size()));
        if (n > 0) written += n;
        QTest::qWait(1);
    }
    QTest::qWait(50);
    EXPECT_GT(written, 4096) << "the flood went beyond the bound";
    EXPECT_EQ(port.bytesAvailable(), 4096);
    EXPECT_EQ(port.read(300), QByteArray(300, '\x55')) << "what waits is read as usual";
}

// Each error QSerialPort may raise on an open port, raised on the port the tool holds: the ones that mean
// the device went away close it and report it gone once; a line-control call a pty refuses does not.
TEST(RealPort, ErrorsThatMeanTheDeviceWentAwayCloseThePort) {
    const std::pair<QSerialPort::SerialPortError, bool> cases[] = {
        {QSerialPort::ResourceError, true}, {QSerialPort::ReadError, true},
        {QSerialPort::WriteError, true},    {QSerialPort::UnsupportedOperationError, false},
        {QSerialPort::TimeoutError, false},
    };
    for (const auto& [error, lost] : cases) {
        SCOPED_TRACE(int(error));
        Pty pty;
        QtSerialPort port;
        ASSERT_TRUE(port.open(pty.slavePath).ok);
        // The QSerialPort the tool's port opened is its child while the port is open.
        QSerialPort* inner = port.findChild<QSerialPort*>();
        ASSERT_NE(inner, nullptr);
        QSignalSpy gone(&port, &SerialPort::gone);
        for (int i = 0; i < 2; ++i) emit inner->errorOccurred(error);
        EXPECT_EQ(gone.count(), lost ? 1 : 0);
        EXPECT_EQ(port.isOpen(), !lost);
    }
}

TEST(NetworkPortName, OnlyATcpHostAndPortAreTaken) {
    const std::pair<const char*, const char*> taken[] = {{"tcp://127.0.0.1:4001", "127.0.0.1"},
                                                         {"TCP://moxa-7.site:65535", "moxa-7.site"},
                                                         {"tcp://[::1]:1", "::1"}};
    for (const auto& [name, host] : taken) {
        const auto a = parseNetworkPortName(QString::fromLatin1(name));
        ASSERT_TRUE(a) << name;
        EXPECT_EQ(a->host, QString::fromLatin1(host));
    }
    EXPECT_EQ(parseNetworkPortName(QStringLiteral("tcp://h:4001"))->port, 4001);
    // A host name is at most 253 characters long, as DNS allows.
    EXPECT_TRUE(parseNetworkPortName(QStringLiteral("tcp://") + QString(253, 'a') + QStringLiteral(":80")));
    EXPECT_FALSE(parseNetworkPortName(QStringLiteral("tcp://") + QString(254, 'a') + QStringLiteral(":80")));
    for (const char* name : {"tcp://", "tcp://host", "tcp://:4001", "tcp://host:0", "tcp://host:65536",
                             "tcp://host:+80", "tcp://host:80/x", "tcp://::1:80", "tcp://[::1:80",
                             "tcp://ho st:80", "tcp://хост:80", "/dev/ttyUSB0", "udp://host:80"}) {
        QString refusal;
        EXPECT_FALSE(parseNetworkPortName(QString::fromUtf8(name), &refusal)) << name;
        EXPECT_TRUE(refusal.contains(QStringLiteral("tcp://УЗЕЛ:ПОРТ"))) << refusal.toStdString();
    }
}

// A serial device server: the simulated bus served over TCP is opened by its tcp:// name and exchanged with
// as a port; its dropped connection is the port gone, and it is ready to open again only once a connection
// made in the background succeeds, so that looking for it never waits.
TEST(NetworkPort, AServerIsAPortThatGoesAndComesBack) {
    sim::PtyHost host;
    host.setPacing(false);
    ASSERT_TRUE(host.startTcp(QStringLiteral("127.0.0.1"), 0));
    const QString name = host.slavePath();
    ASSERT_TRUE(name.startsWith(QStringLiteral("tcp://127.0.0.1:")));
    QtSerialPort port;
    ASSERT_TRUE(port.open(name).ok);
    EXPECT_TRUE(port.availablePorts().contains(name)) << "a server opened is offered in the list";
    QSignalSpy gone(&port, &SerialPort::gone);
    Transactor transactor(port, Transactor::Timing{});
    EXPECT_TRUE(transactor.exchange(device::identifyRequest(5)).ok());

    host.injectFault(sim::FaultKind::HangUp, 1);
    transactor.exchange(device::identifyRequest(5));
    ASSERT_TRUE(QTest::qWaitFor([&] { return gone.count() == 1; }, 2000));
    EXPECT_EQ(gone.at(0).at(0).toString(), QStringLiteral("сервер закрыл соединение"));
    EXPECT_FALSE(port.isOpen());

    const quint16 tcpPort = quint16(name.section(QLatin1Char(':'), -1).toUInt());
    host.stop();
    EXPECT_FALSE(port.readyToOpen(name)) << "nobody listens";
    QTest::qWait(100);
    EXPECT_FALSE(port.readyToOpen(name)) << "a refused try is not repeated at once";
    ASSERT_TRUE(host.startTcp(QStringLiteral("127.0.0.1"), tcpPort));
    ASSERT_TRUE(QTest::qWaitFor([&] { return port.readyToOpen(name); }, 3000));
    ASSERT_TRUE(port.open(name).ok);
    Transactor again(port, Transactor::Timing{});
    EXPECT_TRUE(again.exchange(device::identifyRequest(5)).ok());

    const OpenResult refused = QtSerialPort().open(QStringLiteral("tcp://127.0.0.1:1"));
    EXPECT_EQ(refused.failure, OpenFailure::NotFound);
    EXPECT_EQ(refused.cause, QStringLiteral("сервер отказал в соединении"));
}

// A server's name is looked up off the loop: a resolver that never answers costs the open its 2 s and no
// more, and the loop runs on meanwhile (a timer keeps ticking); a name that resolves is connected to, one
// that does not is "not found".
TEST(NetworkPort, ANameIsLookedUpWhileTheLoopRunsOn) {
    sim::PtyHost host;
    host.setPacing(false);
    ASSERT_TRUE(host.startTcp(QStringLiteral("127.0.0.1"), 0));
    const QString tcpPort = host.slavePath().section(QLatin1Char(':'), -1);
    setHostLookup([](const QString& name) {
        QHostInfo info;
        if (name == QLatin1String("bus.site")) info.setAddresses({QHostAddress(QHostAddress::LocalHost)});
        if (name == QLatin1String("silent.site")) QThread::sleep(4);  // the resolver never answers in time
        if (info.addresses().isEmpty()) info.setErrorString(QStringLiteral("Host not found"));
        return info;
    });
    const struct {
        const char* host;
        bool ok;
        QString cause;
    } rows[] = {
        {"bus.site", true, {}},
        {"unknown.site", false, "узел не найден"},
        {"silent.site", false, "имя узла не найдено за 2 с: служба имён не ответила"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.host);
        QtSerialPort port;
        int ticks = 0;
        QTimer ticking;
        QObject::connect(&ticking, &QTimer::timeout, [&] { ++ticks; });
        ticking.start(10);
        const OpenResult r = port.open(QStringLiteral("tcp://%1:%2").arg(QLatin1String(row.host), tcpPort));
        EXPECT_EQ(r.ok, row.ok);
        EXPECT_EQ(r.cause, row.cause);
        if (QLatin1String(row.host) == QLatin1String("silent.site")) {
            EXPECT_GT(ticks, 10) << "the loop ran while the name was looked up";
        }
        if (r.ok) {
            Transactor transactor(port, Transactor::Timing{});
            EXPECT_TRUE(transactor.exchange(device::identifyRequest(5)).ok());
        }
    }
    setHostLookup({});
}

// A connection made in the background to a lost server is bounded from its start: a server that floods it
// before it is taken over leaves at most the port's bound of unread bytes.
// A server's byte that came before the open, or while arrivals were held (a stall of the tool), is told of
// once the port is open and arrivals are let go, even a single one.
TEST(NetworkPort, AByteThatCameBeforeTheOpenOrWhileArrivalsWereHeldIsToldOf) {
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
    QtSerialPort port;
    const QString name = QStringLiteral("tcp://127.0.0.1:%1").arg(server.serverPort());
    EXPECT_FALSE(port.readyToOpen(name));  // connects in the background
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.hasPendingConnections(); }, 2000));
    QTcpSocket* device = server.nextPendingConnection();
    device->write(QByteArray("\x3E", 1));
    ASSERT_TRUE(QTest::qWaitFor([&] { return port.readyToOpen(name); }, 2000));
    QTest::qWait(50);
    QSignalSpy told(&port, &SerialPort::readyRead);
    ASSERT_TRUE(port.open(name).ok);
    EXPECT_TRUE(told.wait(1000)) << "came before the open";
    EXPECT_EQ(port.read(16), QByteArray("\x3E", 1));
    told.clear();
    port.holdArrivals();
    device->write(QByteArray("\x05", 1));
    ASSERT_TRUE(QTest::qWaitFor([&] { return port.bytesAvailable() == 1; }, 2000));
    EXPECT_EQ(told.count(), 0) << "held";
    port.resumeArrivals();
    EXPECT_TRUE(told.wait(1000));
    EXPECT_EQ(port.read(16), QByteArray("\x05", 1));
}

TEST(NetworkPort, ABackgroundConnectionToAFloodingServerStaysBounded) {
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
    const QString name = QStringLiteral("tcp://127.0.0.1:%1").arg(server.serverPort());
    QtSerialPort port;
    EXPECT_FALSE(port.readyToOpen(name));
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.hasPendingConnections(); }, 2000));
    QTcpSocket* flood = server.nextPendingConnection();
    const QByteArray block(64 * 1024, '\x55');
    for (int i = 0; i < 64; ++i) flood->write(block);  // 4 MB
    QTest::qWait(300);
    ASSERT_TRUE(port.readyToOpen(name));
    ASSERT_TRUE(port.open(name).ok);
    EXPECT_LE(port.bytesAvailable(), 4096) << "the rest waits in the system's buffers or the server";
}
