// The plant gateway: the register map as a table (a simulated bus with known values, read by Qt's own
// Modbus client), the server's guards against clients that misbehave, the messages and when they are due,
// MQTT against a real mosquitto started here on a free loopback port (retained messages, the last will,
// newest-only while the broker is away, the back-off) and against fake brokers that refuse or never
// acknowledge, and the configuration file's refusals.

#include <gtest/gtest.h>
#include <sys/types.h>

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QModbusReply>
#include <QModbusTcpClient>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

#include "cli/gatewayconfig.h"
#include "gateway/mqttpublisher.h"
#include "gateway/readermessage.h"
#include "gateway/registermap.h"
#include "gateway/registerserver.h"
#include "sim/ptyhost.h"

namespace kestrel::gateway {
namespace {

const QString kMosquitto = QStringLiteral("/usr/sbin/mosquitto");
const QString kSubscriber = QStringLiteral("mosquitto_sub");

quint16 freePort() {
    QTcpServer s;
    s.listen(QHostAddress::LocalHost, 0);
    return s.serverPort();
}

// A mosquitto of the test's own on a loopback port, with its configuration in a temporary folder.
class Broker {
  public:
    explicit Broker(quint16 port = 0) : port_(port ? port : freePort()) {}
    ~Broker() { stop(); }
    bool start() {
        QFile conf(dir_.filePath("mosquitto.conf"));
        if (!conf.open(QIODevice::WriteOnly)) return false;
        conf.write(QStringLiteral("listener %1 127.0.0.1\nallow_anonymous true\npersistence false\n")
                       .arg(port_)
                       .toUtf8());
        conf.close();
        process_.start(kMosquitto, {"-c", conf.fileName()});
        if (!process_.waitForStarted()) return false;
        return QTest::qWaitFor(
            [&] {
                QTcpSocket probe;
                probe.connectToHost(QHostAddress::LocalHost, port_);
                return probe.waitForConnected(100);
            },
            3000);
    }
    void stop() {
        if (process_.state() == QProcess::NotRunning) return;
        process_.terminate();
        process_.waitForFinished(3000);
    }
    quint16 port() const { return port_; }

  private:
    QTemporaryDir dir_;
    quint16 port_;
    QProcess process_;
};

// What an independent subscriber (mosquitto_sub) receives on `topic`: "topic payload" lines, at most
// `count`, waiting at most `seconds`. Retained messages come at once.
QStringList subscribe(quint16 port, const QString& topic, int count, int seconds = 2) {
    QProcess sub;
    sub.start(kSubscriber, {"-h", "127.0.0.1", "-p", QString::number(port), "-t", topic, "-v", "-C",
                            QString::number(count), "-W", QString::number(seconds)});
    sub.waitForFinished(seconds * 1000 + 2000);
    return QString::fromUtf8(sub.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// ---- the register map, pure ----

bus::ReaderRow row(bus::ReaderState state) {
    bus::ReaderRow r;
    r.address = 5;
    r.state = state;
    r.identity = device::Identification{0x0012D687u, 134, 0};
    device::LiveReading live;
    live.level = 512;
    live.stateByte = quint8(0xFB);  // -5 °C
    live.current = 0x00012345u;
    r.live = live;
    r.requests = 8;
    r.good = 7;
    r.noReply = 1;
    return r;
}

TEST(RegisterMap, ReaderBlockAsTheTableSays) {
    const QDateTime now = QDateTime::fromString("2026-03-01T12:00:00.000Z", Qt::ISODateWithMs);
    bus::ReaderRow answering = row(bus::ReaderState::Answering);
    answering.lastGoodAt = now.addMSecs(-2500);
    bus::ReaderRow silent = row(bus::ReaderState::NoReply);
    silent.lastGoodAt = now.addSecs(-70000);  // older than 65535 s
    bus::ReaderRow faulty = row(bus::ReaderState::CheckErrors);
    faulty.lastGoodAt = now.addSecs(-3);
    bus::ReaderRow fresh;  // on the roster, never asked
    fresh.address = 9;
    struct Row {
        const char* what;
        const bus::ReaderRow* row;
        PortState port;
        std::array<quint16, 16> registers;
    };
    const Row rows[] = {
        {"answering",
         &answering,
         PortState::Open,
         {512, 0xFFFB, 0x0001, 0x2345, 2, 0, 0x0012, 0xD687, 87, 0, 0, 0, 0, 0, 0, 0}},
        {"silent: its values kept, its age at most 65535",
         &silent,
         PortState::Open,
         {512, 0xFFFB, 0x0001, 0x2345, 65535, 1, 0x0012, 0xD687, 87, 0, 0, 0, 0, 0, 0, 0}},
        {"check-byte errors",
         &faulty,
         PortState::Open,
         {512, 0xFFFB, 0x0001, 0x2345, 3, 2, 0x0012, 0xD687, 87, 0, 0, 0, 0, 0, 0, 0}},
        {"port lost: no reply, values kept",
         &answering,
         PortState::Lost,
         {512, 0xFFFB, 0x0001, 0x2345, 2, 1, 0x0012, 0xD687, 87, 0, 0, 0, 0, 0, 0, 0}},
        {"port never opened",
         &answering,
         PortState::Unavailable,
         {512, 0xFFFB, 0x0001, 0x2345, 2, 1, 0x0012, 0xD687, 87, 0, 0, 0, 0, 0, 0, 0}},
        {"never asked", &fresh, PortState::Open, {0, 0, 0, 0, 65535, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"not on the roster", nullptr, PortState::Open, {0, 0, 0, 0, 65535, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    };
    for (const Row& r : rows) EXPECT_EQ(readerBlock(r.row, r.port, now), r.registers) << r.what;
}

TEST(RegisterMap, RequestsInsideAndOutsideTheMap) {
    bus::BusRoster roster;
    roster.add(1);
    roster.add(200);
    const GatewayStatus status{2, 480, PortState::Lost};
    struct Row {
        int start, count;
        std::optional<QVector<quint16>> registers;  // nothing: illegal data address
    };
    const Row rows[] = {
        {16 + 4, 2, QVector<quint16>{65535, 3}},   // reader 1: age, state
        {15, 2, QVector<quint16>{0, 0}},           // across two blocks
        {254 * 16 + 15, 1, QVector<quint16>{0}},   // the last register of the last block
        {255 * 16, 1, std::nullopt},               // past the readers' blocks
        {254 * 16 + 10, 10, std::nullopt},         // leaving them
        {0xFFF0, 3, QVector<quint16>{2, 480, 1}},  // readers, round, port
        {0xFFF1, 1, QVector<quint16>{480}},
        {0xFFEF, 2, std::nullopt},
        {0xFFF2, 2, std::nullopt},
        {0x8000, 1, std::nullopt},
        {0, 0, std::nullopt},
    };
    for (const Row& r : rows) {
        const auto got = readRegisters(roster, status, QDateTime::currentDateTime(), r.start, r.count);
        EXPECT_EQ(got, r.registers) << r.start << " " << r.count;
    }
}

// ---- the register map through the program, read by Qt's own Modbus client ----

struct ModbusRead {
    QVector<quint16> values;
    int exception = 0;  // the exception code, 0: none
};

ModbusRead modbusRead(QModbusClient& client, QModbusDataUnit::RegisterType type, int start, int count,
                      int unit = 1) {
    std::unique_ptr<QModbusReply> reply(
        client.sendReadRequest(QModbusDataUnit(type, start, quint16(count)), unit));
    ModbusRead out;
    if (!reply) return out;
    (void)QTest::qWaitFor([&] { return reply->isFinished(); }, 3000);
    // The exception's code is the answer's one data byte (QModbusPdu::exceptionCode reads the function code
    // as a signed byte, which UBSan rightly refuses).
    if (reply->error() == QModbusDevice::ProtocolError)
        out.exception = quint8(reply->rawResult().data().left(1).toHex().toUInt(nullptr, 16));
    out.values = reply->result().values().toVector();
    return out;
}

class GatewayProgram : public ::testing::Test {
  protected:
    void SetUp() override {
        host.setPacing(false);
        host.withBus([](sim::Bus& b) {
            b = sim::Bus();
            sim::Reader five = sim::Bus::defaultReader(5);
            five.serial = 1234567;
            five.wander = false;
            five.live.level = 512;
            five.live.temperature = -5;
            five.live.current = 0x00012345;
            sim::Reader seven = sim::Bus::defaultReader(7, 1);
            seven.serial = 7654321;
            seven.wander = false;
            seven.live.level = 1023;
            seven.live.temperature = 21;
            seven.live.current = 70000;
            b.addReader(five);
            b.addReader(seven);
        });
        ASSERT_TRUE(host.start());
    }
    void TearDown() override {
        if (gateway.state() != QProcess::NotRunning) {
            gateway.kill();
            gateway.waitForFinished();
        }
    }
    // Starts the gateway and waits for its first line, which names where the server listens.
    void start(const QStringList& arguments) {
        gateway.start(KESTREL_CLI_EXE, QStringList{"--port", host.slavePath()} + arguments);
        ASSERT_TRUE(gateway.waitForStarted());
        (void)QTest::qWaitFor([&] { return stderrText().contains("порт " + host.slavePath() + " открыт"); },
                              4000);
        ASSERT_TRUE(stderrText().contains("открыт")) << stderrText().toStdString();
    }
    QString stderrText() {
        errors += QString::fromUtf8(gateway.readAllStandardError());
        return errors;
    }
    sim::PtyHost host;
    QProcess gateway;
    QString errors;
};

TEST_F(GatewayProgram, RegistersHoldTheReadersValuesAsTheMapSays) {
    const quint16 port = freePort();
    start({"gateway", "--addresses", "5,7,9", "--modbus-tcp", QStringLiteral("127.0.0.1:%1").arg(port),
           "--unit", "3", "--timeout", "60", "--retries", "0"});
    QModbusTcpClient client;
    client.setConnectionParameter(QModbusDevice::NetworkAddressParameter, "127.0.0.1");
    client.setConnectionParameter(QModbusDevice::NetworkPortParameter, port);
    EXPECT_TRUE(stderrText().contains(QStringLiteral("Modbus TCP 127.0.0.1:%1, устройство 3").arg(port)));
    client.setTimeout(1000);
    client.setNumberOfRetries(0);
    ASSERT_TRUE(client.connectDevice());
    ASSERT_TRUE(QTest::qWaitFor([&] { return client.state() == QModbusDevice::ConnectedState; }, 3000));
    const auto holding = QModbusDataUnit::HoldingRegisters, input = QModbusDataUnit::InputRegisters;
    // Reader 9 is not on the bus: once it has been asked, every reader's state is known.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return modbusRead(client, holding, 9 * 16 + 5, 1, 3).values == QVector<quint16>{1}; }, 4000));

    struct Row {
        const char* what;
        int start, count;
        QVector<quint16> registers;
    };
    const Row rows[] = {
        {"reader 5: -5 °C, current 0x12345, serial 1234567",
         5 * 16,
         16,
         {512, 0xFFFB, 0x0001, 0x2345, 0, 0, 0x0012, 0xD687, 100, 0, 0, 0, 0, 0, 0, 0}},
        {"reader 7: current 70000, serial 7654321",
         7 * 16,
         16,
         {1023, 21, 0x0001, 0x1170, 0, 0, 0x0074, 0xCBB1, 100, 0, 0, 0, 0, 0, 0, 0}},
        {"reader 9 listed, silent: never answered",
         9 * 16,
         16,
         {0, 0, 0, 0, 65535, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"address 3 not listed", 3 * 16, 16, {0, 0, 0, 0, 65535, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"readers, port open", 0xFFF0, 1, {3}},
        {"port open", 0xFFF2, 1, {0}},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(modbusRead(client, holding, r.start, r.count, 3).values, r.registers) << r.what;
        EXPECT_EQ(modbusRead(client, input, r.start, r.count, 3).values, r.registers) << r.what;
    }
    EXPECT_GT(modbusRead(client, input, 0xFFF1, 1, 3).values.value(0), 0) << "the round's duration";

    // Writes are refused and reach nothing; reads outside the map are told so.
    const qint64 busBytes = host.bytesReceived();
    std::unique_ptr<QModbusReply> write(
        client.sendWriteRequest(QModbusDataUnit(holding, 5 * 16, QList<quint16>{7}), 3));
    ASSERT_TRUE(QTest::qWaitFor([&] { return write->isFinished(); }, 3000));
    EXPECT_EQ(quint8(write->rawResult().data().left(1).toHex().toUInt(nullptr, 16)),
              QModbusPdu::IllegalFunction);
    EXPECT_EQ(modbusRead(client, holding, 255 * 16, 1, 3).exception, QModbusPdu::IllegalDataAddress);
    EXPECT_EQ(modbusRead(client, input, 0xFFF0, 4, 3).exception, QModbusPdu::IllegalDataAddress);
    EXPECT_EQ(modbusRead(client, QModbusDataUnit::Coils, 0, 1, 3).exception, QModbusPdu::IllegalFunction);
    EXPECT_EQ(modbusRead(client, holding, 5 * 16, 126, 3).exception, QModbusPdu::IllegalDataValue);
    // The rounds' own requests go on meanwhile; a write would have been a request the bus never knew.
    EXPECT_EQ(QString::fromUtf8(gateway.readAllStandardOutput()), QString());
    EXPECT_GE(host.bytesReceived(), busBytes);

    // SIGTERM ends it in order, exit code 0.
    ::kill(pid_t(gateway.processId()), SIGTERM);
    ASSERT_TRUE(gateway.waitForFinished(3000));
    EXPECT_EQ(gateway.exitCode(), 0);
    EXPECT_TRUE(stderrText().endsWith("kestrel-cli gateway: шлюз остановлен\n")) << errors.toStdString();
}

// A lost port is waited for: the port's register says so meanwhile, the readers' values stay, and the rounds
// go on when the adapter is back (kestrel-sim hangs up once, then comes back on a new pty behind its link).
TEST(GatewayLostPort, IsWaitedForAndSaidInThePortsRegister) {
    QTemporaryDir dir;
    const QString link = dir.filePath("bus");
    QProcess sim;
    sim.start(KESTREL_SIM_EXE,
              {"--readers", "5", "--no-pacing", "--link", link, "--replug", "1000", "--fault", "hangup"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(link); }, 3000));
    const quint16 port = freePort();
    QProcess gateway;
    gateway.start(KESTREL_CLI_EXE, {"--port", link, "gateway", "--addresses", "5", "--modbus-tcp",
                                    QStringLiteral("127.0.0.1:%1").arg(port)});
    QString said;
    auto saw = [&](const QString& text) {
        return QTest::qWaitFor(
            [&] {
                said += QString::fromUtf8(gateway.readAllStandardError());
                return said.contains(text);
            },
            4000);
    };
    ASSERT_TRUE(saw("порт " + link + " открыт")) << said.toStdString();
    QModbusTcpClient client;
    client.setConnectionParameter(QModbusDevice::NetworkAddressParameter, "127.0.0.1");
    client.setConnectionParameter(QModbusDevice::NetworkPortParameter, port);
    ASSERT_TRUE(client.connectDevice());
    ASSERT_TRUE(QTest::qWaitFor([&] { return client.state() == QModbusDevice::ConnectedState; }, 3000));
    const auto input = QModbusDataUnit::InputRegisters;
    // The line hangs up at the first reply, and comes back 1 s later.
    ASSERT_TRUE(saw("потерян")) << said.toStdString();
    EXPECT_EQ(modbusRead(client, input, 0xFFF2, 1).values, QVector<quint16>{1}) << "port lost";
    EXPECT_NE(modbusRead(client, input, 5 * 16 + 5, 1).values, QVector<quint16>{0})
        << "not answering while lost";
    ASSERT_TRUE(saw("снова открыт")) << said.toStdString();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return modbusRead(client, input, 0xFFF2, 1).values == QVector<quint16>{0}; }, 3000));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return modbusRead(client, input, 5 * 16 + 5, 1).values == QVector<quint16>{0}; }, 3000));
    EXPECT_EQ(modbusRead(client, input, 5 * 16 + 6, 2).values, (QVector<quint16>{0x0001, 0xE240}))
        << "serial 123456";
    gateway.terminate();
    EXPECT_TRUE(gateway.waitForFinished(3000));
    EXPECT_EQ(gateway.exitCode(), 0);
    sim.terminate();
    sim.waitForFinished();
}

// ---- the server's guards, in process ----

TEST(RegisterServerGuards, MisbehavingClientsAreClosedAndTheOthersStillAnswered) {
    RegisterServer server(
        [](int start, int count) -> std::optional<QVector<quint16>> {
            if (start != 0) return std::nullopt;
            return QVector<quint16>(count, 0x0102);
        },
        RegisterServer::Options{4, 400});
    server.setServerAddress(1);
    server.setConnectionParameter(QModbusDevice::NetworkAddressParameter, "127.0.0.1");
    server.setConnectionParameter(QModbusDevice::NetworkPortParameter, freePort());
    ASSERT_TRUE(server.connectDevice());
    const quint16 port = quint16(server.connectionParameter(QModbusDevice::NetworkPortParameter).toInt());
    const QByteArray readTwo = QByteArray::fromHex(
        "00070000000601030000"
        "0002");
    struct Row {
        const char* what;
        QByteArray bytes;
        QByteArray answer;  // empty: the connection is closed
    };
    const Row rows[] = {
        {"a good read", readTwo,
         QByteArray::fromHex("000700000007010304"
                             "01020102")},
        {"a write", QByteArray::fromHex("000800000006010600000001"),
         QByteArray::fromHex("000800000003018601")},
        {"outside the map", QByteArray::fromHex("000900000006010300100001"),
         QByteArray::fromHex("000900000003018302")},
        {"garbage", QByteArray("GET / HTTP/1.0\r\n\r\n"), {}},
        {"a length of 65535",
         QByteArray::fromHex("0001"
                             "0000"
                             "FFFF"
                             "01"
                             "03"),
         {}},
        {"a length of 1",
         QByteArray::fromHex("0001"
                             "0000"
                             "0001"
                             "01"
                             "03"),
         {}},
        {"a short header, then nothing", QByteArray::fromHex("000100"), {}},
    };
    for (const Row& r : rows) {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, port);
        ASSERT_TRUE(QTest::qWaitFor([&] { return socket.state() == QAbstractSocket::ConnectedState; }, 2000));
        socket.write(r.bytes);
        if (r.answer.isEmpty()) {
            EXPECT_TRUE(
                QTest::qWaitFor([&] { return socket.state() == QAbstractSocket::UnconnectedState; }, 2000))
                << r.what;
        } else {
            EXPECT_TRUE(QTest::qWaitFor([&] { return socket.bytesAvailable() >= r.answer.size(); }, 2000))
                << r.what;
            EXPECT_EQ(socket.readAll().toHex(), r.answer.toHex()) << r.what;
        }
    }
    // Six connections at once: four are served, the others closed; a served one still answers.
    std::vector<std::unique_ptr<QTcpSocket>> sockets;
    for (int i = 0; i < 6; ++i) {
        sockets.push_back(std::make_unique<QTcpSocket>());
        sockets.back()->connectToHost(QHostAddress::LocalHost, port);
    }
    QTest::qWait(200);
    int open = 0;
    for (auto& s : sockets) open += s->state() == QAbstractSocket::ConnectedState;
    EXPECT_EQ(open, 4);
    EXPECT_EQ(server.connections(), 4);
    QTcpSocket* served = nullptr;
    for (auto& s : sockets)
        if (s->state() == QAbstractSocket::ConnectedState) served = s.get();
    served->write(readTwo);
    EXPECT_TRUE(QTest::qWaitFor([&] { return served->bytesAvailable() >= 13; }, 2000));
}

// ---- the messages ----

TEST(ReaderMessages, DueOnAChangeOfValueOrStateAndEveryMinute) {
    const QDateTime t0 = QDateTime::fromString("2026-03-01T12:00:00.000Z", Qt::ISODateWithMs);
    bus::ReaderRow r = row(bus::ReaderState::Answering);
    r.lastGoodAt = t0.addMSecs(-250);
    ReaderMessages messages;
    const auto first = messages.due(5, &r, PortState::Open, t0);
    ASSERT_TRUE(first);
    EXPECT_EQ(*first,
              QByteArray(R"({"address":5,"ageMs":250,"current":74565,"level":512,"serial":1234567,)"
                         R"("state":"answering","temperature":-5,"time":"2026-03-01T12:00:00.000Z"})"));
    bus::ReaderRow moved = r;
    moved.live->level = 513;
    struct Step {
        const char* what;
        const bus::ReaderRow* row;
        PortState port;
        qint64 afterMs;
        bool due;
    };
    const Step steps[] = {
        {"the same values a second later", &r, PortState::Open, 1000, false},
        {"the level moved", &moved, PortState::Open, 2000, true},
        {"the same again", &moved, PortState::Open, 3000, false},
        {"the port lost", &moved, PortState::Lost, 4000, true},
        {"still lost, 59 s later", &moved, PortState::Lost, 63000, false},
        {"a minute after the last", &moved, PortState::Lost, 64000, true},
    };
    for (const Step& s : steps)
        EXPECT_EQ(bool(messages.due(5, s.row, s.port, t0.addMSecs(s.afterMs))), s.due) << s.what;
    const auto never = messages.due(9, nullptr, PortState::Open, t0);
    ASSERT_TRUE(never);
    EXPECT_EQ(QJsonDocument::fromJson(*never).object().value("state").toString(), QStringLiteral("notRead"));
    EXPECT_TRUE(QJsonDocument::fromJson(*never).object().value("level").isNull());
}

TEST(MqttBackOff, DoublesFromTheFirstWaitUpToTheLongest) {
    const std::pair<int, int> rows[] = {{0, 0},     {1, 1000},  {2, 2000},  {3, 4000},
                                        {6, 32000}, {7, 60000}, {40, 60000}};
    for (auto [failures, ms] : rows) EXPECT_EQ(backOffMs(failures, 1000, 60000), ms) << failures;
}

// ---- MQTT against a real broker ----

TEST_F(GatewayProgram, RetainedMessagesAndTheLastWillWhenTheGatewayIsKilled) {
    Broker broker;
    ASSERT_TRUE(broker.start());
    start({"gateway", "--addresses", "5", "--mqtt", QStringLiteral("127.0.0.1:%1").arg(broker.port()),
           "--site", "north", "--mqtt-prefix", "plant/levels"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return stderrText().contains("связь с брокером"); }, 3000));
    QStringList got;
    (void)QTest::qWaitFor(
        [&] {
            got = subscribe(broker.port(), "plant/levels/north/#", 2, 1);
            got.sort();
            // The first message after the identification has no live values yet; then they come.
            return got.size() == 2 && got[0].contains("\"level\":512");
        },
        4000);
    ASSERT_EQ(got.size(), 2) << got.join('\n').toStdString();
    EXPECT_TRUE(got[0].startsWith("plant/levels/north/reader/5 {")) << got[0].toStdString();
    const QJsonObject five = QJsonDocument::fromJson(got[0].section(' ', 1).toUtf8()).object();
    EXPECT_EQ(five.value("serial").toInt(), 1234567);
    EXPECT_EQ(five.value("level").toInt(), 512);
    EXPECT_EQ(five.value("temperature").toInt(), -5);
    EXPECT_EQ(five.value("current").toInt(), 0x12345);
    EXPECT_EQ(five.value("state").toString(), QStringLiteral("answering"));
    EXPECT_EQ(got[1], QStringLiteral("plant/levels/north/status online"));

    gateway.kill();  // no word to the broker: the last will
    gateway.waitForFinished();
    QStringList status;
    (void)QTest::qWaitFor(
        [&] {
            status = subscribe(broker.port(), "plant/levels/north/status", 1, 1);
            return status == QStringList{"plant/levels/north/status offline"};
        },
        4000);
    EXPECT_EQ(status, QStringList{"plant/levels/north/status offline"});
}

TEST(MqttPublisherOnABroker, OnlyTheNewestPerReaderIsHeldWhileTheBrokerIsAway) {
    Broker broker;  // not started yet
    MqttOptions o;
    o.host = "127.0.0.1";
    o.port = broker.port();
    o.site = "south";
    o.firstBackOffMs = 100;
    o.maxBackOffMs = 200;
    MqttPublisher publisher(o);
    QStringList events;
    QObject::connect(&publisher, &MqttPublisher::told, [&](const QString& e) { events << e; });
    QString why;
    ASSERT_TRUE(publisher.start(&why)) << why.toStdString();
    // An hour away holds one message per reader, whatever came.
    for (int i = 0; i < 1000; ++i) {
        publisher.offer(5, QByteArray::number(i));
        publisher.offer(6, "six " + QByteArray::number(i));
    }
    EXPECT_EQ(publisher.held(), 2);
    QTest::qWait(500);  // a few attempts
    ASSERT_TRUE(broker.start());
    ASSERT_TRUE(QTest::qWaitFor([&] { return publisher.isConnected() && publisher.held() == 0; }, 3000));
    QStringList got = subscribe(broker.port(), "kestrel/south/#", 3);
    got.sort();
    EXPECT_EQ(got, (QStringList{"kestrel/south/reader/5 999", "kestrel/south/reader/6 six 999",
                                "kestrel/south/status online"}));
    // Unreachable said once however many attempts failed, then the connection.
    ASSERT_EQ(events.size(), 2) << events.join('\n').toStdString();
    EXPECT_TRUE(events[0].startsWith("MQTT: брокер 127.0.0.1:" + QString::number(o.port) + " недоступен"));
    EXPECT_EQ(events[1], "MQTT: связь с брокером 127.0.0.1:" + QString::number(o.port));

    // The broker goes away and comes back: lost said once, the newest sent again.
    broker.stop();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !publisher.isConnected(); }, 3000));
    publisher.offer(5, "after");
    publisher.offer(5, "after, newer");
    EXPECT_EQ(publisher.held(), 1);
    ASSERT_TRUE(broker.start());
    ASSERT_TRUE(QTest::qWaitFor([&] { return publisher.isConnected() && publisher.held() == 0; }, 3000));
    EXPECT_EQ(subscribe(broker.port(), "kestrel/south/reader/5", 1),
              QStringList{"kestrel/south/reader/5 after, newer"});
    EXPECT_TRUE(events.filter("потеряна").size() == 1) << events.join('\n').toStdString();

    // The orderly end: offline, retained.
    QSignalSpy finished(&publisher, &MqttPublisher::finished);
    publisher.finish(2000);
    ASSERT_TRUE(finished.wait(3000));
    EXPECT_EQ(subscribe(broker.port(), "kestrel/south/status", 1),
              QStringList{"kestrel/south/status offline"});
    EXPECT_EQ(finished.count(), 1) << "the end is told once";
}

// Fake brokers: one that closes every connection, one that never acknowledges, one that refuses the login.
TEST(MqttPublisherOnABadBroker, BackOffGrowsAndEachFaultIsSaidOnce) {
    enum class Fake { Closes, Silent, Refuses };
    struct Row {
        Fake fake;
        const char* said;
    };
    const Row rows[] = {{Fake::Closes, "недоступен"},
                        {Fake::Silent, "не подтвердил подключение"},
                        {Fake::Refuses, "отказал в подключении"}};
    for (const Row& r : rows) {
        QTcpServer fake;
        ASSERT_TRUE(fake.listen(QHostAddress::LocalHost, 0));
        QList<qint64> at;
        QElapsedTimer clock;
        clock.start();
        std::vector<QTcpSocket*> kept;
        QObject::connect(&fake, &QTcpServer::newConnection, [&] {
            QTcpSocket* s = fake.nextPendingConnection();
            at << clock.elapsed();
            if (r.fake == Fake::Closes) return s->abort();
            kept.push_back(s);
            if (r.fake == Fake::Refuses)
                QObject::connect(s, &QTcpSocket::readyRead, s, [s] {
                    s->readAll();
                    s->write(QByteArray::fromHex("20020005"));  // CONNACK: not authorised
                });
        });
        MqttOptions o;
        o.host = "127.0.0.1";
        o.port = fake.serverPort();
        o.site = "west";
        o.firstBackOffMs = 80;
        o.ackWaitMs = 100;
        MqttPublisher publisher(o);
        QStringList events;
        QObject::connect(&publisher, &MqttPublisher::told, [&](const QString& e) { events << e; });
        QString why;
        ASSERT_TRUE(publisher.start(&why));
        ASSERT_TRUE(QTest::qWaitFor([&] { return at.size() >= 4; }, 4000)) << r.said;
        EXPECT_FALSE(publisher.isConnected());
        ASSERT_EQ(events.size(), 1) << events.join('\n').toStdString();
        EXPECT_TRUE(events[0].contains(r.said)) << events[0].toStdString();
        // The waits between attempts grow: 80, 160, 320 ms after each failure.
        const qint64 first = at[2] - at[1], second = at[3] - at[2];
        EXPECT_GT(second, first) << r.said << ": " << first << " then " << second;
        for (QTcpSocket* s : kept) delete s;
    }
}

}  // namespace
}  // namespace kestrel::gateway

// ---- the configuration file ----

namespace kestrel::cli {
namespace {

TEST(GatewayConfig, AFileIsTakenWholeOrRefusedWholeWithLineNumbers) {
    QTemporaryDir dir;
    const QString ca = dir.filePath("ca.pem");
    QFile(ca).open(QIODevice::WriteOnly);
    struct Row {
        const char* what;
        QByteArray text;
        QStringList arguments;
        QStringList refusals;  // after "FILE, строка "
    };
    const Row rows[] = {
        {"every key, comments and blanks",
         "# the north tank farm\nport = /dev/ttyUSB0\naddresses = 1-3, 7\n\nmodbus-tcp = 1502  # SCADA\n"
         "unit = 2\nmqtt = broker.local:1883\nmqtt-prefix = plant/levels\nsite = north\ntimeout = 200\r\n"
         "echo = on\ndirection = rts\nmqtt-tls = " +
             ca.toUtf8() + "\n",
         {"--port",        "/dev/ttyUSB0",
          "--addresses",   "1-3, 7",
          "--modbus-tcp",  "1502",
          "--unit",        "2",
          "--mqtt",        "broker.local:1883",
          "--mqtt-prefix", "plant/levels",
          "--site",        "north",
          "--timeout",     "200",
          "--echo",        "on",
          "--direction",   "rts",
          "--mqtt-tls",    ca},
         {}},
        {"every wrong line named",
         "port = /dev/ttyUSB0\nmodbus-tcp 502\nspeed = 9600\nunit = 300\nmqtt = broker\nport = /dev/ttyS0\n"
         "timeout = -1\naddresses = 5,5\nsite = a/b\nmqtt-prefix = x/+\necho = maybe\nmqtt-user =\n"
         "mqtt-password-file = /nonexistent/pw\n",
         {},
         {"2: нужно КЛЮЧ = ЗНАЧЕНИЕ", "3: неизвестный ключ \"speed\"",
          "4: --unit: нужно целое число от 0 до 255, задано \"300\"",
          "5: --mqtt: нужен УЗЕЛ:ПОРТ, порт от 1 до 65535, задано \"broker\"",
          "6: ключ port уже задан в строке 1", "7: --timeout: нужно целое число от 1 до 60000",
          "8: --addresses: адрес 5 указан дважды", "9: --site: одно слово без /, + и #, задано \"a/b\"",
          "10: --mqtt-prefix: уровни темы через /, без + и #, задано \"x/+\"",
          "11: --echo: нужно auto, on или off", "12: у ключа mqtt-user нет значения",
          "13: --mqtt-password-file: файл /nonexistent/pw не читается"}},
        {"not text", QByteArray("port = /dev/tty\xff\n", 16), {}, {"1: не текст в UTF-8"}},
    };
    for (const Row& r : rows) {
        const QString path = dir.filePath("gateway.conf");
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(r.text);
        f.close();
        const ConfigFile got = readGatewayConfig(path);
        EXPECT_EQ(got.arguments.join('|').toStdString(), r.arguments.join('|').toStdString()) << r.what;
        QStringList expected;
        for (const QString& refusal : r.refusals) expected << path + ", строка " + refusal;
        EXPECT_EQ(got.refusals.join('\n').toStdString(), expected.join('\n').toStdString()) << r.what;
    }
    // A file longer than 64 KiB is no configuration; one of 64 KiB is read.
    for (const qint64 size : {qint64(64 * 1024), qint64(64 * 1024 + 1)}) {
        const QString path = dir.filePath("long.conf");
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("port = /dev/ttyUSB0\n" + QByteArray(size - 20, '#'));
        f.close();
        EXPECT_EQ(readGatewayConfig(path).refusals,
                  size > 64 * 1024 ? QStringList{path + ": файл больше 64 КиБ"} : QStringList())
            << size;
    }
    EXPECT_EQ(readGatewayConfig(dir.filePath("none.conf"))
                  .refusals.value(0)
                  .left(dir.filePath("none.conf").size() + 17),
              dir.filePath("none.conf") + ": не открывается:");
}

TEST(GatewayConfig, SettingsThatDoNotGoTogetherAreRefused) {
    struct Row {
        QStringList arguments;
        QString refusal;
    };
    const Row rows[] = {
        {{"gateway"}, "нужен хотя бы один выход: --modbus-tcp [АДРЕС:]ПОРТ или --mqtt УЗЕЛ:ПОРТ"},
        {{"gateway", "--mqtt", "h:1883", "--unit", "2"}, "--unit без --modbus-tcp"},
        {{"gateway", "--modbus-tcp", "502", "--site", "x"}, "--site без --mqtt"},
        {{"gateway", "--modbus-tcp", "0"},
         "--modbus-tcp: нужен [АДРЕС:]ПОРТ, порт от 1 до 65535, задано \"0\""},
        {{"gateway", "--modbus-tcp", "host.example:502"},
         "--modbus-tcp: нужен [АДРЕС:]ПОРТ, порт от 1 до 65535, задано \"host.example:502\""},
        {{"gateway", "--mqtt", "[::1]:1883"}, ""},
        {{"gateway", "--modbus-tcp", "0.0.0.0:502", "--mqtt", "h:1"}, ""},
    };
    for (const Row& r : rows) {
        const ParsedArguments parsed = parseArguments(r.arguments);
        ASSERT_TRUE(parsed.ok()) << parsed.error.toStdString();
        QString refusal;
        const auto settings = gatewaySettings(parsed.invocation, &refusal);
        EXPECT_EQ(refusal, r.refusal) << r.arguments.join(' ').toStdString();
        EXPECT_EQ(bool(settings), r.refusal.isEmpty());
    }
    // The server's address as given: a port alone listens on every address.
    const struct {
        const char* given;
        QHostAddress host;
        quint16 port;
    } listens[] = {{"1502", QHostAddress(QHostAddress::Any), 1502},
                   {"127.0.0.1:15020", QHostAddress(QStringLiteral("127.0.0.1")), 15020},
                   {"localhost:502", QHostAddress(QHostAddress::LocalHost), 502}};
    for (const auto& l : listens) {
        QString refusal;
        const auto settings = gatewaySettings(
            parseArguments({"gateway", "--modbus-tcp", QString::fromLatin1(l.given)}).invocation, &refusal);
        ASSERT_TRUE(settings) << l.given << ": " << refusal.toStdString();
        EXPECT_EQ(settings->modbusHost, l.host) << l.given;
        EXPECT_EQ(settings->modbusPort, l.port) << l.given;
    }
    EXPECT_EQ(parseArguments({"gateway", "--mqtt-password", "secret"}).error,
              "пароль MQTT не задаётся в командной строке: --mqtt-password-file ФАЙЛ или переменная "
              "KESTREL_MQTT_PASSWORD");
}

}  // namespace
}  // namespace kestrel::cli
