// The device session with no window, over the in-memory port: the link's states (open, lost and waited
// for, open again, closed), the addressed device and view, the settings-refresh and tag-follow-up rules,
// and which tag a parameter write goes to.
#include <gtest/gtest.h>

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "device/commands.h"
#include "device/texts.h"
#include "fakeport.h"
#include "protocol/frame.h"
#include "serial/qtserialport.h"
#include "session/devicesession.h"
#include "sim/ptyhost.h"

using namespace kestrel;
using kestrel::test::FakePort;
using kestrel::test::hex;

namespace {

using Link = DeviceSession::Link;

// A USB adapter as the system lists it: the same serial number whatever name it gets.
PortInfo adapter(const QString& name, const QString& serial = QStringLiteral("A10K3X")) {
    return PortInfo{name, QStringLiteral("USB-RS485"), {}, serial, 0x0403, 0x6001, {}};
}

class Session : public ::testing::Test {
  protected:
    Session() {
        DeviceSession::Options o;
        o.timing = ExchangeCycle::Timing{60000, 40, 5};  // ticks only when the test runs one
        o.lookForLostPortMs = 60000;                     // looks only when the test asks
        session = std::make_unique<DeviceSession>(port, o);
        QObject::connect(session.get(), &DeviceSession::linkEvent, [this](const QString& t) { events << t; });
    }
    void list(const QList<PortInfo>& infos) {
        port.infos = infos;
        port.ports.clear();
        for (const PortInfo& p : infos) port.ports << p.name;
    }
    // ttyUSB0 opened at address 5 on the tag view, its identification written; then the adapter pulled
    // while ttyS0 (another port) stays listed.
    void openThenLose() {
        list({adapter(QStringLiteral("ttyUSB0")), PortInfo{QStringLiteral("ttyS0"), {}, {}, {}, {}, {}, {}}});
        ASSERT_TRUE(
            session->open(QStringLiteral("ttyUSB0"), adapter(QStringLiteral("ttyUSB0")).identity()).ok);
        session->setAddress(5);
        session->setView(TabTag);
        tick();
        port.hangUp();
        ASSERT_TRUE(QTest::qWaitFor([this] { return session->waitingForPort(); }, 2000));
        list({PortInfo{QStringLiteral("ttyS0"), {}, {}, {}, {}, {}, {}}});
        port.opened.clear();
    }
    QByteArray tick() {
        port.clearWritten();
        session->cycle().tick();
        EXPECT_TRUE(QTest::qWaitFor([this] { return !session->cycle().tickInProgress(); }, 2000));
        return port.written;
    }
    QByteArray receive(const QByteArray& reply) {
        port.feed(withCheckByte(reply));
        return tick();
    }

    FakePort port;
    std::unique_ptr<DeviceSession> session;
    QStringList events;
};

TEST_F(Session, ALostPortStaysTheSessionsPortAndOpenNeverTakesAnother) {
    openThenLose();
    EXPECT_EQ(session->link(), Link::Waiting);
    EXPECT_EQ(session->portName(), QStringLiteral("ttyUSB0"));
    EXPECT_EQ(events, QStringList{QStringLiteral("Порт ttyUSB0 потерян (hung up), ожидание его возвращения")})
        << "the port's own reason";
    EXPECT_FALSE(session->open(QStringLiteral("ttyS0"), QString()).ok);
    session->lookForLostPort();
    EXPECT_TRUE(port.opened.isEmpty()) << "nothing that is not the lost adapter is opened";
    EXPECT_TRUE(session->waitingForPort());
    EXPECT_EQ(session->portName(), QStringLiteral("ttyUSB0"));
}

TEST_F(Session, ALostAdapterIsOpenedAgainUnderANewNameAndIdentifiedAgain) {
    QSignalSpy reopened(session.get(), &DeviceSession::reopened);
    openThenLose();
    session->setAddress(0);  // the window shows a closed port's address meanwhile
    session->setView(TabReader);
    // Neither another adapter under the lost one's name nor an identical one that stayed is taken for it.
    list({adapter(QStringLiteral("ttyUSB0"), QStringLiteral("OTHER1"))});
    session->lookForLostPort();
    EXPECT_TRUE(port.opened.isEmpty());
    // Back under a new name, but held by another program, then not permitted: each said once.
    list({adapter(QStringLiteral("ttyUSB1"))});
    port.openResult = {false, OpenFailure::Busy, QStringLiteral("занят"), 16};
    session->lookForLostPort();
    session->lookForLostPort();
    port.openResult = {false, OpenFailure::PermissionDenied, QStringLiteral("нет прав"), 13};
    session->lookForLostPort();
    const QString back = QStringLiteral("Порт ttyUSB1 вернулся, но не открывается: %1; ожидание");
    EXPECT_EQ(events.mid(1),
              (QStringList{back.arg(QStringLiteral("занят")), back.arg(QStringLiteral("нет прав"))}));
    EXPECT_TRUE(session->waitingForPort());

    port.openResult = {true, OpenFailure::None, {}, 0};
    session->lookForLostPort();
    EXPECT_EQ(session->link(), Link::Open);
    EXPECT_EQ(reopened.count(), 1);
    EXPECT_EQ(events.last(), QStringLiteral("Порт ttyUSB1 снова открыт"));
    EXPECT_EQ(session->portName(), QStringLiteral("ttyUSB1"));
    EXPECT_EQ(session->address(), std::optional<quint8>(5));
    EXPECT_EQ(session->view(), TabTag);
    EXPECT_EQ(tick(), hex("31 05 FC 5D")) << "the reopened device is asked who it is first";
    receive(hex("3E 05 FC 40 E2 01 00 86 00"));
    ASSERT_TRUE(session->model().identity().value);
    EXPECT_EQ(session->model().identity().value->serial, std::optional<quint32>(123456));
    EXPECT_TRUE(session->model().identity().at.isValid());
}

TEST_F(Session, CloseEndsTheWaitingAndStaysUsableAndWithReconnectOffTheLossIsAFailure) {
    openThenLose();
    session->close();
    EXPECT_EQ(session->link(), Link::Closed);
    list({adapter(QStringLiteral("ttyUSB0"))});
    session->lookForLostPort();
    EXPECT_TRUE(port.opened.isEmpty()) << "not waited for any more";
    ASSERT_TRUE(session->open(QStringLiteral("ttyUSB0"), adapter(QStringLiteral("ttyUSB0")).identity()).ok);
    EXPECT_EQ(session->link(), Link::Open);
    session->close();
    EXPECT_EQ(session->link(), Link::Closed);
    EXPECT_FALSE(port.isOpen());

    QSignalSpy failed(session.get(), &DeviceSession::linkFailed);
    session->setReconnect(false);
    ASSERT_TRUE(session->open(QStringLiteral("ttyUSB0"), {}).ok);
    tick();
    port.hangUp();
    ASSERT_TRUE(failed.wait(2000));
    EXPECT_EQ(failed.at(0).at(0).toString(), QStringLiteral("hung up"));
    EXPECT_FALSE(session->waitingForPort());
}

// What was queued for the bus when the port closes goes nowhere: opened again (on whatever bus is there now),
// the port carries only what is asked after the open.
TEST_F(Session, ClosingThePortDropsEveryQueuedRequestAndNothingOfItGoesOutAfterTheNextOpen) {
    ASSERT_TRUE(session->open(QStringLiteral("ttyUSB0"), {}).ok);
    const QByteArray identify = hex("31 05 FC 5D"), write = hex("31 05 E5 01 02 03");
    ExchangeRequest first, queued;
    first.frames = identify;
    queued.frames = write;
    ExchangeReply* inFlight = session->queue().submit(first);
    ExchangeReply* waiting = session->queue().submit(queued);
    session->close();
    EXPECT_TRUE(inFlight->isFinished() && waiting->isFinished());
    EXPECT_TRUE(waiting->cancelled());
    port.clearWritten();
    ASSERT_TRUE(session->open(QStringLiteral("ttyUSB0"), {}).ok);
    QTest::qWait(50);
    EXPECT_FALSE(port.written.contains(write)) << port.written.toHex(' ').toStdString();
}

// A current-parameters reply from reader 5 with its settings: mode 0x82, network 1, channel 5, power 10.
QByteArray liveWithSettings() {
    return hex("3E 05 F0 19 00 02 01 00 00 00 10 00 00 00 0A 0B 0C 00 07 00 82 01 00 05 0A");
}

TEST_F(Session, SettingsRefreshAnnouncesThenHandsTheSettingsOverOnceAndAModeAcknowledgementEndsIt) {
    QSignalSpy announced(session.get(), &DeviceSession::settingsAnnounced);
    QSignalSpy panels(session.get(), &DeviceSession::settingsForPanels);
    ASSERT_TRUE(session->open(QStringLiteral("COM3"), {}).ok);
    session->setAddress(5);
    tick();
    for (int i = 0; i < 3; ++i) receive(liveWithSettings());
    EXPECT_EQ(announced.count(), 1);
    ASSERT_EQ(panels.count(), 1) << "later replies leave the panels to the engineer";
    const auto settings = panels.at(0).at(0).value<device::LiveReading::Settings>();
    EXPECT_EQ(settings.mode, std::optional<quint8>(0x82));
    EXPECT_EQ(settings.network, std::optional<quint16>(1));
    EXPECT_FALSE(session->settingsRefreshPending());

    session->requestSettingsRefresh();
    port.feed(hex("3E 05 F2 41"));  // four bytes: the mode, and no check byte after it
    tick();
    EXPECT_FALSE(session->settingsRefreshPending()) << "the acknowledged mode is the reader's";
    EXPECT_EQ(session->model().settings().value->mode, std::optional<quint8>(0x41));
}

// A search answer naming the tag `serial` (identifier 0x123456 + serial - 1001), and its parameters read.
QByteArray tagAnswer(quint32 serial) {
    const quint32 id = 0x123456 + serial - 1001;
    return hex("3E 05 E0") + QByteArray::fromHex(QByteArray::number(serial, 16).rightJustified(8, '0')) +
           QByteArray::fromHex(QByteArray::number(id, 16).rightJustified(8, '0')) + hex("D8");
}
QByteArray tagParameters(quint32 serial) {
    QByteArray r = tagAnswer(serial);
    r[2] = char(cmd::kTagRead);
    return r.left(12) + hex("00 64 01 F6 7B 00 3C D8");
}

TEST_F(Session, AParameterWriteGoesToTheTagWhoseParametersWereReadAndTheReadFollowsUpOnce) {
    QSignalSpy toFrame(session.get(), &DeviceSession::tagIdForFrame);
    ASSERT_TRUE(session->open(QStringLiteral("COM3"), {}).ok);
    session->setAddress(5);
    session->setView(TabTag);
    tick();
    EXPECT_EQ(session->tagWriteSerial(), QStringLiteral("0")) << "no tag has answered";
    receive(tagAnswer(1001));
    EXPECT_EQ(session->tagWriteSerial(), QStringLiteral("1001")) << "before a read: the current tag";

    const device::Request read = session->readTagParameters();
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(read.frame, device::tagRequest(5, 0x123456, cmd::kTagRead)) << "the current tag is named";
    EXPECT_EQ(tick(), read.frame);
    receive(tagParameters(1001));
    receive(tagAnswer(1002));  // the search moves the current tag on
    receive(tagAnswer(1003));
    EXPECT_EQ(session->model().currentTag().value->serial, std::optional<quint32>(1003));
    EXPECT_EQ(session->tagWriteSerial(), QStringLiteral("1001"));
    ASSERT_EQ(toFrame.count(), 1) << "only the first search answer after the read";
    EXPECT_EQ(toFrame.at(0).at(0).toUInt(), 0x123457u);

    receive(tagParameters(1003));
    EXPECT_EQ(session->tagWriteSerial(), QStringLiteral("1003"));
    receive(tagAnswer(1002));
    EXPECT_EQ(session->tagWriteSerial(), QStringLiteral("1003"));
    session->setAddress(7);
    EXPECT_EQ(session->tagWriteSerial(), QStringLiteral("1002")) << "another reader: the current tag again";
    EXPECT_FALSE(session->model().readTag().value);
}

// What the views show admits its age: a request the addressed device leaves without a good reply marks
// every value shown stale since that request; any good reply of the device ends that. Another address marks
// them as the former device's, and only a reply of each kind from the new device (for the panels: the
// settings refresh it asks for) makes that kind current again.
TEST_F(Session, ValuesShownAreStaleSinceTheFirstUnansweredRequestOrAnotherAddressUntilAReplyOfTheirKind) {
    using Why = Staleness::Why;
    const DeviceModel& m = session->model();
    QSignalSpy marked(&m, &DeviceModel::stalenessChanged);
    ASSERT_TRUE(session->open(QStringLiteral("COM3"), {}).ok);
    session->setAddress(5);
    tick();
    receive(hex("3E 05 FC 40 E2 01 00 86 00"));
    receive(liveWithSettings());  // announced
    const QDateTime beforeWrite = QDateTime::currentDateTime();
    receive(liveWithSettings());  // the panels filled; the next poll written, whose reply does not come
    const QDateTime afterWrite = QDateTime::currentDateTime();
    EXPECT_EQ(marked.count(), 0) << "nothing stale while the device answers";
    EXPECT_TRUE(session->lastReplyAt().isValid());
    EXPECT_FALSE(session->silentSince().isValid());

    tick();
    ASSERT_TRUE(m.staleness(Reading::Live));
    const Staleness silence = *m.staleness(Reading::Live);
    EXPECT_EQ(silence.why, Why::NoReply);
    EXPECT_EQ(silence.since, session->silentSince());
    EXPECT_TRUE(silence.since >= beforeWrite.addMSecs(-1) && silence.since <= afterWrite.addMSecs(1))
        << "since the unanswered request was written";
    EXPECT_EQ(silence.valueAt, m.live().at);
    EXPECT_EQ(silence.from, std::optional<quint8>(5));
    for (Reading r : {Reading::Identity, Reading::Settings}) EXPECT_TRUE(m.staleness(r)) << int(r);
    EXPECT_FALSE(m.staleness(Reading::CurrentTag)) << "no tag was shown";
    tick();
    EXPECT_EQ(m.staleness(Reading::Live)->since, silence.since) << "still since the first";
    EXPECT_EQ(marked.count(), 1) << "one signal for the marks of one silence";

    session->setView(TabTag);
    receive(liveWithSettings());
    for (Reading r : {Reading::Identity, Reading::Live, Reading::Settings})
        EXPECT_FALSE(m.staleness(r)) << "the device answers again: " << int(r);
    // A silent tag leaves only the tags' values unconfirmed: the reader itself is not in doubt.
    receive(tagAnswer(1001));
    tick();
    EXPECT_EQ(m.staleness(Reading::CurrentTag)->why, Why::NoReply);
    EXPECT_FALSE(m.staleness(Reading::Identity));
    receive(tagAnswer(1001));
    EXPECT_FALSE(m.staleness(Reading::CurrentTag));
    session->setView(TabReader);

    // Another device: everything shown is reader 5's, also while nothing answers at 9.
    const QDateTime beforeChange = QDateTime::currentDateTime();
    session->setAddress(9);
    EXPECT_FALSE(session->lastReplyAt().isValid());
    EXPECT_FALSE(session->settingsRefreshPending()) << "the boxes keep what they hold until a refresh";
    for (Reading r : {Reading::Identity, Reading::Live, Reading::Settings}) {
        ASSERT_TRUE(m.staleness(r)) << int(r);
        EXPECT_EQ(m.staleness(r)->why, Why::OtherAddress);
        EXPECT_EQ(m.staleness(r)->from, std::optional<quint8>(5));
        EXPECT_GE(m.staleness(r)->since, beforeChange);
    }
    EXPECT_EQ(tick(), device::identifyRequest(9)) << "9 is asked who it is";
    tick();
    EXPECT_TRUE(session->silentSince().isValid());
    EXPECT_EQ(m.staleness(Reading::Identity)->why, Why::OtherAddress) << "still the former device's";
    receive(hex("3E 09 FC 41 E2 01 00 86 00"));
    EXPECT_FALSE(m.staleness(Reading::Identity)) << "9 told who it is";
    EXPECT_TRUE(m.staleness(Reading::Live)) << "a reply of another kind leaves the live reading reader 5's";
    QByteArray live9 = liveWithSettings();
    live9[1] = 9;
    receive(live9);
    EXPECT_FALSE(m.staleness(Reading::Live));
    receive(live9);
    EXPECT_TRUE(m.staleness(Reading::Settings)) << "no refresh asked: the panels still hold reader 5's";
    session->requestSettingsRefresh();  // as the bus search asks
    receive(live9);
    EXPECT_TRUE(m.staleness(Reading::Settings)) << "announced only";
    receive(live9);
    EXPECT_FALSE(m.staleness(Reading::Settings));

    // A close: nothing answers any more.
    session->close();
    EXPECT_EQ(m.staleness(Reading::Live)->why, Why::NoReply);
}

TEST_F(Session, PollingPausedKeepsThePortOpenAndWritesNothingUntilResumedOrClosed) {
    QSignalSpy paused(session.get(), &DeviceSession::pollingPausedChanged);
    session->setPollingPaused(true);
    EXPECT_FALSE(session->pollingPaused()) << "nothing to pause while closed";
    ASSERT_TRUE(session->open(QStringLiteral("COM3"), {}).ok);
    session->setPollingPaused(true);
    EXPECT_TRUE(session->pollingPaused());
    EXPECT_FALSE(session->cycle().isRunning());
    EXPECT_EQ(session->link(), Link::Open);
    EXPECT_TRUE(port.isOpen());
    session->setPollingPaused(false);
    EXPECT_TRUE(session->cycle().isRunning());
    session->setPollingPaused(true);
    session->close();
    EXPECT_FALSE(session->pollingPaused());
    ASSERT_EQ(paused.count(), 4);
    EXPECT_FALSE(paused.at(3).at(0).toBool()) << "a close ends the pause";
}

// The simulator killed and started again, reached through a link as /dev/serial/by-id reaches an adapter.
TEST(SessionOnSimBus, TheSimulatorKilledAndBackIsWaitedForReopenedAndItsReaderIdentifiedAgain) {
    sim::PtyHost host;
    host.setPacing(false);
    ASSERT_TRUE(host.start());
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("ttyRS485"));
    ASSERT_TRUE(QFile::link(host.slavePath(), link));
    QtSerialPort serial;
    serial.setLeadingPaths({link});
    QString identity;
    for (const PortInfo& p : serial.portInfos())
        if (p.name == link) identity = p.identity();
    DeviceSession::Options o;
    o.timing = ExchangeCycle::Timing{60000, 60, 10};
    o.lookForLostPortMs = 60000;
    DeviceSession session(serial, o);
    QSignalSpy identified(&session.model(), &DeviceModel::identityChanged);
    auto exchange = [&session] {
        session.cycle().tick();
        EXPECT_TRUE(QTest::qWaitFor([&session] { return !session.cycle().tickInProgress(); }, 2000));
        QTest::qWait(25);  // the simulated reader answers; the next tick reads it
    };
    ASSERT_TRUE(session.open(link, identity).ok);
    session.setAddress(5);
    exchange();
    exchange();
    ASSERT_EQ(identified.count(), 1);

    host.stop();
    for (int i = 0; i < 4 && !session.waitingForPort(); ++i) exchange();
    ASSERT_TRUE(QTest::qWaitFor([&session] { return session.waitingForPort(); }, 2000));
    EXPECT_EQ(session.portName(), link);
    session.open(QStringLiteral("/dev/ttyS0"), QString());
    EXPECT_FALSE(serial.isOpen()) << "the lost link is not back, and no other port is opened";

    ASSERT_TRUE(host.start());
    QFile::remove(link);
    ASSERT_TRUE(QFile::link(host.slavePath(), link));
    session.lookForLostPort();
    ASSERT_EQ(session.link(), DeviceSession::Link::Open);
    exchange();
    exchange();
    EXPECT_EQ(identified.count(), 2) << "the reader is asked who it is again";
    EXPECT_EQ(session.model().identity().value->serial, std::optional<quint32>(123456));
}

// A serial device server whose connection drops: the session waits for it as for an adapter, looks for it
// without ever waiting on a connection, and polls again once it accepts one.
TEST(SessionOnSimBus, AServerWhoseConnectionDropsIsWaitedForAndPolledAgain) {
    sim::PtyHost host;
    host.setPacing(false);
    ASSERT_TRUE(host.startTcp(QStringLiteral("127.0.0.1"), 0));
    const QString name = host.slavePath();
    QtSerialPort serial;
    DeviceSession::Options o;
    o.timing = ExchangeCycle::Timing{100, 60, 10};
    o.lookForLostPortMs = 50;
    DeviceSession session(serial, o);
    QSignalSpy identified(&session.model(), &DeviceModel::identityChanged);
    ASSERT_TRUE(session.open(name, QStringLiteral("path:") + name).ok);
    session.setAddress(5);
    ASSERT_TRUE(QTest::qWaitFor([&] { return identified.count() == 1; }, 3000));

    host.injectFault(sim::FaultKind::HangUp, 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return session.waitingForPort(); }, 3000));
    EXPECT_EQ(session.portName(), name);
    ASSERT_TRUE(QTest::qWaitFor([&] { return session.link() == DeviceSession::Link::Open; }, 3000))
        << "the server listens on: the connection is made again";
    ASSERT_TRUE(QTest::qWaitFor([&] { return identified.count() == 2; }, 3000))
        << "and the reader asked again";
    EXPECT_EQ(session.model().identity().value->serial, std::optional<quint32>(123456));
}

}  // namespace

// The link's settings are the session's: what restore() takes comes back from linkSettings(), a close
// leaves the address at 0 but keeps the address of the port open for the next run, and the remembered port
// (by identity) or the awaited one (by name) is picked once from the ports listed, never after the engineer
// chose one.
TEST_F(Session, TheLinkSettingsAreKeptHereAndTheRememberedPortIsPickedOnce) {
    LinkSettings remembered;
    remembered.portIdentity = adapter(QStringLiteral("ttyUSB0")).identity();
    remembered.address = 7;
    remembered.reconnect = false;
    remembered.servers = {QStringLiteral("tcp://10.0.0.7:4001")};
    remembered.echo = EchoMode::Off;
    remembered.direction = DirectionLine::Dtr;
    QSignalSpy changed(session.get(), &DeviceSession::linkSettingsChanged);
    session->restore(remembered, true);
    EXPECT_FALSE(changed.isEmpty());
    const LinkSettings back = session->linkSettings();
    EXPECT_EQ(back.portIdentity, remembered.portIdentity);
    EXPECT_EQ(back.address, std::optional<quint8>(7));
    EXPECT_FALSE(back.reconnect);
    EXPECT_EQ(back.servers, remembered.servers);
    EXPECT_EQ(back.echo, EchoMode::Off);
    EXPECT_EQ(back.direction, DirectionLine::Dtr);
    EXPECT_EQ(port.directionLine(), DirectionLine::Dtr);
    EXPECT_EQ(session->address(), std::optional<quint8>(7));

    // The adapter comes back under another name: picked once by its identity.
    const QList<PortInfo> listed = {PortInfo{QStringLiteral("ttyS0"), {}, {}, {}, {}, {}, {}},
                                    adapter(QStringLiteral("ttyUSB3"))};
    EXPECT_EQ(session->portToSelect(listed), QStringLiteral("ttyUSB3"));
    EXPECT_EQ(session->portToSelect(listed), QString()) << "once";
    session->awaitPort(QStringLiteral("ttyS0"));
    session->forgetPortToSelect();  // the engineer chose a port meanwhile
    EXPECT_EQ(session->portToSelect(listed), QString());
    session->awaitPort(QStringLiteral("ttyS0"));
    EXPECT_EQ(session->portToSelect(listed), QStringLiteral("ttyS0"));
    EXPECT_EQ(events.last(), QStringLiteral("Порт ttyS0 появился и выбран."));

    // Open at 9, then closed: the address is 0 now, and 9 is what the next run takes.
    list(listed);
    ASSERT_TRUE(session->open(QStringLiteral("ttyUSB3"), adapter(QStringLiteral("ttyUSB3")).identity()).ok);
    session->setAddress(9);
    QSignalSpy moved(session.get(), &DeviceSession::addressChanged);
    session->close();
    EXPECT_EQ(moved.count(), 1);
    EXPECT_EQ(session->address(), std::optional<quint8>(0));
    EXPECT_EQ(session->linkSettings().address, std::optional<quint8>(9));
    EXPECT_EQ(session->portToSelect(listed), QString()) << "an open ends the remembered port's pick";
    QString refusal;
    EXPECT_FALSE(session->addServer(QStringLiteral("tcp://10.0.0.8"), &refusal));
    EXPECT_FALSE(refusal.isEmpty());
    EXPECT_TRUE(session->addServer(QStringLiteral("tcp://10.0.0.7:4001"), &refusal));
    EXPECT_EQ(session->addServer(QStringLiteral(" 10.0.0.9:23 ")), QStringLiteral("tcp://10.0.0.9:23"))
        << "typed without its scheme";
    EXPECT_FALSE(session->addServer(QStringLiteral("/dev/ttyUSB0"))) << "a device is no server";
    EXPECT_EQ(session->linkSettings().servers,
              (QStringList{QStringLiteral("tcp://10.0.0.7:4001"), QStringLiteral("tcp://10.0.0.9:23")}))
        << "no server twice, the latest last";
}
