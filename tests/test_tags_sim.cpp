// The tag and bridge tabs of the real window against the simulated bus (reader 5 hearing two tags,
// with a bridge slave). A reply is read on the tick after its request.
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
    void exchanges(int n) {
        for (int i = 0; i < n; ++i) exchange();
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
        exchanges(3);
        ASSERT_EQ(text(QStringLiteral("outID")), QStringLiteral("0123456"));
    }
};

TEST_F(TagsOnBus, SearchFollowsTheTagThatAnswers) {
    selectTab(1);
    exchanges(2);  // identification out, then its answer read and the first search out
    struct Expect {
        const char* serial;
        const char* id;
        const char* level;
    } turns[] = {{"1001", "0123456", "-70"}, {"1002", "0ABCDEF", "-85"}, {"1001", "0123456", "-70"}};
    for (const Expect& e : turns) {
        SCOPED_TRACE(e.serial);
        exchange();
        expectTexts({"MsgCom", "Был ПИНГ.", "SerNumMetki", e.serial, "outID", e.id, "UrPr", e.level});
    }
}

TEST_F(TagsOnBus, ReadWriteAndReadBackTheCurrentTag) {
    oneTagOnTheTagTab();
    ASSERT_EQ(text(QStringLiteral("SerNumMetki")), QStringLiteral("1001"));

    click(QStringLiteral("ReadParamMetki"));
    exchange();  // the read goes out
    exchange();  // its answer comes in
    expectTexts({"MsgCom", "Считаны данные.", "outSN", "1001", "ID_Metki", "0123456", "IntervalMetki", "100",
                 "ModeMetki", "1", "PowerMetki", "-10", "outPower", "246", "outVer", "1.2.3.", "sleep_time",
                 "60"});
    exchange();  // the next search answer fills the identifier box once more, then no more
    setText(QStringLiteral("ID_Metki"), QStringLiteral("typed"));
    exchanges(2);
    EXPECT_EQ(text(QStringLiteral("ID_Metki")), QStringLiteral("typed"));

    setFrame({"654321", "300", "3", "-40", "90"});
    click(QStringLiteral("SetModesMetki"));
    const QByteArray expected = hex("31 05 E1 0E 00 00 03 E9 00 65 43 21 01 2C 03 D8 00 5A 50");
    ASSERT_EQ(pending().size(), 19);
    for (int i = 0; i < 19; ++i) EXPECT_EQ(quint8(pending()[i]), quint8(expected[i])) << "byte " << i + 1;
    exchange();  // the write goes out
    exchange();  // its acknowledgement
    expectTexts({"MsgCom", "Считаны параметры метки."});
    exchange();  // a search answer names the tag by its new identifier
    EXPECT_EQ(text(QStringLiteral("outID")), QStringLiteral("0654321"));

    setFrame({"x"});
    click(QStringLiteral("ReadParamMetki"));
    exchanges(2);
    expectTexts({"MsgCom", "Считаны данные.", "ID_Metki", "0654321", "IntervalMetki", "300", "ModeMetki", "3",
                 "PowerMetki", "-40", "outPower", "216", "sleep_time", "90"});
}

TEST_F(TagsOnBus, NewSerialNumberReachesTheTag) {
    oneTagOnTheTagTab();
    dialogs.inputs.push_back(QStringLiteral("2000000"));
    click(QStringLiteral("InstSN"));
    EXPECT_EQ(pending(), hex("31 05 E2 00 12 34 56 00 1E 84 80 EA"));
    exchanges(3);  // out, its answer, a search answer
    EXPECT_EQ(text(QStringLiteral("SerNumMetki")), QStringLiteral("2000000"));
    quint32 serial = 0;
    host.withBus([&serial](sim::Bus& b) { serial = b.reader(5)->tags[0].serial; });
    EXPECT_EQ(serial, 2000000u);
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
        exchanges(3);  // both polls answered, whichever came first
        expectTexts({"MsgCom", "Приняты данные моста", "sn_sl", c.serial, "Temp_sl", c.temperature, "fr_sl",
                     QString::number(c.slave.frequency), "ur_sl", c.level, "RR_SL_data", c.rs485});
        EXPECT_EQ(ctl<QCheckBox>(QStringLiteral("Check_sl"))->isChecked(), c.contact);
    }
}

}  // namespace
