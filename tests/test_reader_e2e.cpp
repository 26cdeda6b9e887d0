// The typical road over the simulated bus: search the bus, identify the reader found, see its live
// data, then give it a new network address.
#include "window_harness.h"

using namespace kestrel;
using namespace kestrel::test;

namespace {
class ReaderRoad : public WindowOnSimBus {};
}  // namespace

TEST_F(ReaderRoad, SearchIdentifyLiveDataThenNewAddress) {
    ASSERT_TRUE(started);
    openPort();
    click(QStringLiteral("Opros"));
    EXPECT_EQ(pending(), hex("31 FF DC"));
    auto* cmb = ctl<QComboBox>(QStringLiteral("CmbNet"));
    for (int i = 0; i < 3 && text(QStringLiteral("MsgCom")) != QStringLiteral("Произошел опрос сети."); ++i)
        exchange();
    ASSERT_EQ(text(QStringLiteral("MsgCom")), QStringLiteral("Произошел опрос сети."));
    ASSERT_EQ(cmb->count(), 1);
    EXPECT_EQ(cmb->currentText(), QStringLiteral("5"));
    EXPECT_EQ(text(QStringLiteral("netdev")), QStringLiteral("5 "));

    for (int i = 0; i < 8; ++i) exchange();
    const quint32 serial = host.withBus([](sim::Bus& b) { return b.reader(5)->serial; });
    EXPECT_EQ(text(QStringLiteral("sn")), QString::number(serial));
    EXPECT_EQ(text(QStringLiteral("vv")), QStringLiteral("1.3.4."));
    EXPECT_NE(text(QStringLiteral("tek")), QStringLiteral("нет данных"));

    dialogs.inputs = {QStringLiteral("7")};
    click(QStringLiteral("net"));
    EXPECT_TRUE(pending().endsWith(hex("31 05 FB 07 CB")));
    bool shown = false;
    for (int i = 0; i < 4 && !shown; ++i) {
        exchange();
        shown = text(QStringLiteral("MsgCom")) == QStringLiteral(" Установлен сетевой номер.");
    }
    EXPECT_TRUE(shown);
    EXPECT_TRUE(host.withBus([](sim::Bus& b) { return b.reader(7) != nullptr; }));
    EXPECT_TRUE(host.withBus([](sim::Bus& b) { return b.reader(5) == nullptr; }));
    EXPECT_TRUE(dialogs.messages.empty());
}
