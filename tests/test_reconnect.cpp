// The window when its port goes away: with reconnecting on, no box, the port waited for and opened again
// when its adapter is back, under its old name or a new one, at the same address and tab; with it off,
// the box and the close as before.

#include <QAction>

#include "ui/portpanel.h"
#include "ui/trafficlog.h"
#include "ui/widgets.h"
#include "window_harness.h"

using namespace kestrel;
using namespace kestrel::test;

namespace {

class Reconnect : public WindowOnFakePort {
  protected:
    void plugIn(const QString& name) {
        port.ports = {name};
        port.infos = {adapter(name)};
    }
    void pullOut() {
        port.hangUp();
        // The loss is reported after the cycle's tick: the waiting or the box follows.
        ASSERT_TRUE(QTest::qWaitFor(
            [this] { return partOf<DeviceSession>(*window).waitingForPort() || !dialogs.messages.empty(); },
            2000));
    }
    QStringList events() {
        window->trafficLog().flush();
        QStringList out;
        const TrafficLogModel& m = window->trafficLog().model();
        for (int i = 0; i < m.rowCount(); ++i)
            if (m.record(i).event) out << m.record(i).meaning;
        return out;
    }
};

// The waiting, the tries and the reopening are the session's (test_session.cpp); here the window's part.
TEST_F(Reconnect, TheWindowShowsTheWaitingKeepsTheLostPortSelectedAndComesBackWhereItWas) {
    plugIn(QStringLiteral("ttyUSB0"));
    port.ports << QStringLiteral("ttyS0");
    port.infos << PortInfo{QStringLiteral("ttyS0"), {}, {}, {}, {}, {}, {}};
    openPort();
    chooseAddress(QStringLiteral("5"));
    selectTab(TabTag);
    pullOut();
    port.ports = {QStringLiteral("ttyS0")};
    port.infos = {PortInfo{QStringLiteral("ttyS0"), {}, {}, {}, {}, {}, {}}};
    window->scanPorts();
    EXPECT_TRUE(dialogs.messages.empty()) << "no box";
    const QString lost =
        QStringLiteral("Порт ttyUSB0 потерян (hung up), ожидание его возвращения");  // the port's reason
    EXPECT_EQ(text(QStringLiteral("MsgCom")), lost);
    EXPECT_EQ(events(), QStringList{lost});
    EXPECT_EQ(ctl<QComboBox>(QStringLiteral("CmbPort"))->currentText(), QStringLiteral("ttyUSB0"));
    EXPECT_EQ(ctl<Lamp>(QStringLiteral("Pic"))->colour(), 0x0080FFu);
    EXPECT_TRUE(ctl(QStringLiteral("BTNCloseCom"))->isEnabled()) << "the close ends the waiting";
    EXPECT_FALSE(ctl(QStringLiteral("BTNOpenCom"))->isEnabled()) << "the lost port is being opened already";
    EXPECT_FALSE(ctl(QStringLiteral("net"))->isEnabled()) << "operation controls off, as after a close";
    EXPECT_TRUE(partOf<PortPanel>(*window).scanTimer().isActive());
    const auto* look = window->findChild<QTimer*>(QStringLiteral("lookForLostPort"));
    ASSERT_TRUE(look && look->isActive()) << "a lost port is looked for more often than the list is scanned";

    plugIn(QStringLiteral("ttyUSB1"));
    // The session's own look finds it; no period has passed, yet the port is polled at once.
    ASSERT_TRUE(QTest::qWaitFor([this] { return port.isOpen(); }, 2000));
    EXPECT_TRUE(QTest::qWaitFor([this] { return partOf<ExchangeCycle>(*window).tickInProgress(); }, 1000));
    EXPECT_FALSE(partOf<PortPanel>(*window).scanTimer().isActive());
    EXPECT_EQ(ctl<QComboBox>(QStringLiteral("CmbPort"))->currentText(), QStringLiteral("ttyUSB1"));
    EXPECT_EQ(ctl<QComboBox>(QStringLiteral("CmbNet"))->currentText(), QStringLiteral("5"));
    EXPECT_EQ(window->openTab(), TabTag);
    EXPECT_EQ(events().last(), QStringLiteral("Порт ttyUSB1 снова открыт"));
    EXPECT_TRUE(ctl(QStringLiteral("BTNCloseCom"))->isEnabled());
    EXPECT_FALSE(ctl(QStringLiteral("BTNOpenCom"))->isEnabled());
    EXPECT_TRUE(ctl(QStringLiteral("net"))->isEnabled());
}

TEST_F(Reconnect, CloseEndsTheWaitingAndWithReconnectOffTheBoxAndTheCloseComeAsBefore) {
    plugIn(QStringLiteral("ttyUSB0"));
    openPort();
    pullOut();
    ASSERT_TRUE(partOf<DeviceSession>(*window).waitingForPort());
    click(QStringLiteral("BTNCloseCom"));
    EXPECT_FALSE(partOf<DeviceSession>(*window).waitingForPort());
    EXPECT_FALSE(ctl(QStringLiteral("BTNCloseCom"))->isEnabled());
    openPort();
    pullOut();
    emit ctl<QComboBox>(QStringLiteral("CmbPort"))->activated(0);  // the engineer picks a port
    EXPECT_FALSE(partOf<DeviceSession>(*window).waitingForPort());
    EXPECT_FALSE(ctl(QStringLiteral("BTNCloseCom"))->isEnabled());

    auto* reconnect = window->findChild<QAction*>(QStringLiteral("actionReconnect"));
    ASSERT_NE(reconnect, nullptr);  // on by default: the verified starting states (test_language.cpp)
    reconnect->setChecked(false);
    openPort();
    pullOut();
    EXPECT_EQ(dialogs.messageTexts(), QStringList{QStringLiteral("hung up")}) << "the port's reason";
    EXPECT_FALSE(partOf<DeviceSession>(*window).waitingForPort());
    EXPECT_FALSE(ctl(QStringLiteral("BTNCloseCom"))->isEnabled());
}

}  // namespace
