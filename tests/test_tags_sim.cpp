// The tag and bridge tabs of the real window against the simulated bus (reader 5 hearing two tags,
// with a bridge slave). A reply is read on the tick after its request. The exact frames the buttons leave
// pending, and every field a reply fills, are checked over the in-memory port in test_views.cpp; here the
// round trips.
#include <QLocale>

#include "sim/bus.h"
#include "window_harness.h"

using namespace kestrel;
using namespace kestrel::test;

namespace {

class TagsOnBus : public WindowOnSimBus {
  protected:
    void SetUp() override {
        ASSERT_TRUE(started);
        host.withBus([](sim::Bus& b) { b.reader(5)->wander = false; });  // steady reception levels
        openPort();
        chooseAddress(QStringLiteral("5"));
    }
    // Identifier, interval, mode, power and period typed into the frame.
    void setFrame(const QStringList& values) {
        const char* names[] = {"ID_Metki", "IntervalMetki", "ModeMetki", "PowerMetki", "sleep_time"};
        for (int i = 0; i < 5; ++i) setText(QString::fromLatin1(names[i]), values.value(i, values.value(0)));
    }
    // One tag heard, so the current tag stays put; the tag tab shown until that tag is named.
    void oneTagOnTheTagTab() {
        host.withBus([](sim::Bus& b) { b.reader(5)->tags.resize(1); });
        selectTab(1);
        exchange(3);
        ASSERT_EQ(text(QStringLiteral("outID")), QStringLiteral("0123456"));
    }
};

TEST_F(TagsOnBus, ReadWriteAndReadBackTheCurrentTag) {
    oneTagOnTheTagTab();
    ASSERT_EQ(text(QStringLiteral("SerNumMetki")), QStringLiteral("1001"));

    click(QStringLiteral("ReadParamMetki"));
    exchange();  // the read goes out
    exchange();  // its answer comes in
    expectTexts({"MsgCom", "Считаны данные.", "ID_Metki", "0123456", "IntervalMetki", "100"});
    exchange();  // the next search answer fills the identifier box once more, then no more
    setText(QStringLiteral("ID_Metki"), QStringLiteral("typed"));
    exchange(2);
    EXPECT_EQ(text(QStringLiteral("ID_Metki")), QStringLiteral("typed"));

    setFrame({"654321", "300", "3", "-40", "90"});
    click(QStringLiteral("SetModesMetki"));
    exchange();  // the write goes out
    exchange();  // its acknowledgement
    expectTexts({"MsgCom", "Считаны параметры метки."});
    exchange();  // a search answer names the tag by its new identifier
    EXPECT_EQ(text(QStringLiteral("outID")), QStringLiteral("0654321"));

    setFrame({"x"});
    click(QStringLiteral("ReadParamMetki"));
    exchange(2);
    expectTexts({"MsgCom", "Считаны данные.", "ID_Metki", "0654321", "IntervalMetki", "300", "ModeMetki", "3",
                 "PowerMetki", "-40", "outPower", "216", "sleep_time", "90"});
}

TEST_F(TagsOnBus, NewSerialNumberReachesTheTag) {
    oneTagOnTheTagTab();
    dialogs.inputs.push_back(QStringLiteral("2000000"));
    click(QStringLiteral("InstSN"));
    exchange(3);  // out, its answer, a search answer
    EXPECT_EQ(text(QStringLiteral("SerNumMetki")), QStringLiteral("2000000"));
    EXPECT_EQ(host.withBus([](sim::Bus& b) { return b.reader(5)->tags[0].serial; }), 2000000u);
}

TEST_F(TagsOnBus, BridgeTabAlternatesAndShowsTheSlave) {
    const QString dp = QLocale::system().decimalPoint();
    struct Case {
        const char* behaviour;
        sim::Slave slave;
        const char* serial;
        QString temperature;
        bool contact;
        const char* level;
        const char* rs485;
    } cases[] = {
        {"half a degree, contact closed", sim::Slave{16777216, 0x0008, 1500, 0xCD, -100, 4660}, "16777216",
         QStringLiteral("0") + dp + "5", true, "-100", "4660"},
        {"largest temperature, contact open", sim::Slave{1, 0xFFFF, 7, 0xCC, 5, 1}, "1",
         QStringLiteral("4095") + dp + "9375", false, "5", "1"},
    };
    selectTab(2);
    exchange();  // the identification
    for (const Case& c : cases) {
        SCOPED_TRACE(c.behaviour);
        host.withBus([&c](sim::Bus& b) { b.reader(5)->slave = c.slave; });
        exchange(3);  // both polls answered, whichever came first
        expectTexts({"MsgCom", "Приняты данные моста", "sn_sl", c.serial, "Temp_sl", c.temperature, "fr_sl",
                     QString::number(c.slave.frequency), "ur_sl", c.level, "RR_SL_data", c.rs485});
        EXPECT_EQ(ctl<QCheckBox>(QStringLiteral("Check_sl"))->isChecked(), c.contact);
    }
}

}  // namespace
