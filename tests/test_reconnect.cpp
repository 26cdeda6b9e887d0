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
        ASSERT_TRUE(
            QTest::qWaitFor([this] { return window->waitingForPort() || !dialogs.messages.empty(); }, 2000));
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

TEST_F(Reconnect, ALostPortIsWaitedForAndOpenedAgainUnderItsNewNameAtTheSameAddressAndTab) {
    plugIn(QStringLiteral("ttyUSB0"));
    openPort();
    chooseAddress(QStringLiteral("5"));
    selectTab(TabTag);
    port.ports << QStringLiteral("ttyUSB5");  // an identical adapter (one serial number) beside it
    port.infos << adapter(QStringLiteral("ttyUSB5"));
    pullOut();
    EXPECT_TRUE(dialogs.messages.empty()) << "no box";
    EXPECT_TRUE(window->waitingForPort());
    EXPECT_FALSE(port.isOpen());
    const QString lost =
        QStringLiteral("Порт ttyUSB0 потерян (Ошибка записи в порт), ожидание его возвращения");
    EXPECT_EQ(text(QStringLiteral("MsgCom")), lost);
    EXPECT_EQ(events(), QStringList{lost});
    EXPECT_EQ(ctl<Lamp>(QStringLiteral("Pic"))->colour(), 0x0080FFu);
    EXPECT_TRUE(ctl(QStringLiteral("BTNCloseCom"))->isEnabled()) << "the close ends the waiting";
    EXPECT_FALSE(ctl(QStringLiteral("net"))->isEnabled()) << "operation controls off, as after a close";
    EXPECT_TRUE(window->portPanel().scanTimer().isActive());
    const auto* look = window->findChild<QTimer*>(QStringLiteral("lookForLostPort"));
    ASSERT_TRUE(look && look->isActive()) << "a lost port is looked for more often than the list is scanned";

    // Neither another adapter under the lost one's name nor the identical one that stayed is taken for it.
    port.ports = {QStringLiteral("ttyUSB0"), QStringLiteral("ttyUSB5")};
    port.infos = {PortInfo{QStringLiteral("ttyUSB0"), {}, {}, QStringLiteral("OTHER1"), 0x0403, 0x6001, {}},
                  adapter(QStringLiteral("ttyUSB5"))};
    window->scanPorts();
    EXPECT_FALSE(port.isOpen());
    // Back under a new name, but held by another program, then not permitted: each said once, and the
    // port waited for still.
    plugIn(QStringLiteral("ttyUSB1"));
    port.openResult = {false, OpenFailure::Busy, QStringLiteral("порт занят другой программой (PID 42)"), 16};
    window->scanPorts();
    window->scanPorts();
    port.openResult = {false, OpenFailure::PermissionDenied,
                       QStringLiteral("нет прав доступа; группа dialout"), 13};
    window->scanPorts();
    window->scanPorts();
    const QString back = QStringLiteral("Порт ttyUSB1 вернулся, но не открывается: %1; ожидание");
    EXPECT_EQ(events(), (QStringList{lost, back.arg(QStringLiteral("порт занят другой программой (PID 42)")),
                                     back.arg(QStringLiteral("нет прав доступа; группа dialout"))}));
    EXPECT_TRUE(window->waitingForPort());

    port.openResult = {true, OpenFailure::None, {}, 0};
    window->scanPorts();
    EXPECT_TRUE(port.isOpen());
    EXPECT_FALSE(window->waitingForPort());
    EXPECT_TRUE(window->cycle().isRunning());
    QCoreApplication::processEvents();  // no period has passed, yet the port is polled at once
    EXPECT_TRUE(window->cycle().tickInProgress());
    EXPECT_FALSE(window->portPanel().scanTimer().isActive());
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
    ASSERT_TRUE(window->waitingForPort());
    click(QStringLiteral("BTNCloseCom"));
    EXPECT_FALSE(window->waitingForPort());
    window->scanPorts();
    EXPECT_FALSE(port.isOpen()) << "not waited for any more";
    openPort();
    pullOut();
    emit ctl<QComboBox>(QStringLiteral("CmbPort"))->activated(0);  // the engineer picks a port
    EXPECT_FALSE(window->waitingForPort());
    EXPECT_FALSE(ctl(QStringLiteral("BTNCloseCom"))->isEnabled());

    auto* reconnect = window->findChild<QAction*>(QStringLiteral("actionReconnect"));
    ASSERT_NE(reconnect, nullptr);  // on by default: the verified starting states (test_language.cpp)
    reconnect->setChecked(false);
    openPort();
    pullOut();
    EXPECT_EQ(dialogs.messageTexts(), QStringList{QStringLiteral("Ошибка записи в порт")});
    EXPECT_FALSE(window->waitingForPort());
    EXPECT_FALSE(ctl(QStringLiteral("BTNCloseCom"))->isEnabled());
}

}  // namespace
