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
    QString status() { return text(QStringLiteral("MsgCom")); }
    void setFrame(const QString& v) {
        for (const char* name : {"ID_Metki", "IntervalMetki", "ModeMetki", "PowerMetki", "sleep_time"})
            setText(QString::fromLatin1(name), v);
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
        EXPECT_EQ(status(), QStringLiteral("Был ПИНГ."));
        EXPECT_EQ(text(QStringLiteral("SerNumMetki")), QString::fromLatin1(e.serial));
        EXPECT_EQ(text(QStringLiteral("outID")), QString::fromLatin1(e.id));
        EXPECT_EQ(text(QStringLiteral("UrPr")), QString::fromLatin1(e.level));
    }
}

TEST_F(TagsOnBus, ReadWriteAndReadBackTheCurrentTag) {
    host.withBus([](sim::Bus& b) { b.reader(5)->tags.resize(1); });  // one tag: the current tag stays put
    selectTab(1);
    exchanges(3);
    ASSERT_EQ(text(QStringLiteral("outID")), QStringLiteral("0123456"));
    ASSERT_EQ(text(QStringLiteral("SerNumMetki")), QStringLiteral("1001"));

    click(QStringLiteral("ReadParamMetki"));
    EXPECT_EQ(state().TagParamsPending, 1);
    exchange();  // the read goes out
    exchange();  // its answer comes in
    EXPECT_EQ(status(), QStringLiteral("Считаны данные."));
    EXPECT_EQ(text(QStringLiteral("outSN")), QStringLiteral("1001"));
    EXPECT_EQ(text(QStringLiteral("ID_Metki")), QStringLiteral("0123456"));
    EXPECT_EQ(text(QStringLiteral("IntervalMetki")), QStringLiteral("100"));
    EXPECT_EQ(text(QStringLiteral("ModeMetki")), QStringLiteral("1"));
    EXPECT_EQ(text(QStringLiteral("PowerMetki")), QStringLiteral("-10"));
    EXPECT_EQ(text(QStringLiteral("outPower")), QStringLiteral("246"));
    EXPECT_EQ(text(QStringLiteral("outVer")), QStringLiteral("1.2.3."));
    EXPECT_EQ(text(QStringLiteral("sleep_time")), QStringLiteral("60"));
    exchange();  // the next search answer clears the read flag
    EXPECT_EQ(state().TagParamsPending, 0);

    setText(QStringLiteral("ID_Metki"), QStringLiteral("654321"));
    setText(QStringLiteral("IntervalMetki"), QStringLiteral("300"));
    setText(QStringLiteral("ModeMetki"), QStringLiteral("3"));
    setText(QStringLiteral("PowerMetki"), QStringLiteral("-40"));
    setText(QStringLiteral("sleep_time"), QStringLiteral("90"));
    click(QStringLiteral("SetModesMetki"));
    const QByteArray expected = hex("31 05 E1 0E 00 00 03 E9 00 65 43 21 01 2C 03 D8 00 5A 50");
    ASSERT_EQ(state().wrs.size(), 19);
    for (int i = 0; i < 19; ++i) EXPECT_EQ(quint8(state().wrs[i]), quint8(expected[i])) << "byte " << i + 1;
    exchange();  // the write goes out
    exchange();  // its acknowledgement
    EXPECT_EQ(status(), QStringLiteral("Считаны параметры метки."));
    exchange();  // a search answer names the tag by its new identifier
    EXPECT_EQ(text(QStringLiteral("outID")), QStringLiteral("0654321"));

    setFrame(QStringLiteral("x"));
    click(QStringLiteral("ReadParamMetki"));
    exchange();
    exchange();
    EXPECT_EQ(status(), QStringLiteral("Считаны данные."));
    EXPECT_EQ(text(QStringLiteral("ID_Metki")), QStringLiteral("0654321"));
    EXPECT_EQ(text(QStringLiteral("IntervalMetki")), QStringLiteral("300"));
    EXPECT_EQ(text(QStringLiteral("ModeMetki")), QStringLiteral("3"));
    EXPECT_EQ(text(QStringLiteral("PowerMetki")), QStringLiteral("-40"));
    EXPECT_EQ(text(QStringLiteral("outPower")), QStringLiteral("216"));
    EXPECT_EQ(text(QStringLiteral("sleep_time")), QStringLiteral("90"));
}

TEST_F(TagsOnBus, NewSerialNumberReachesTheTag) {
    host.withBus([](sim::Bus& b) { b.reader(5)->tags.resize(1); });
    selectTab(1);
    exchanges(3);
    ASSERT_EQ(text(QStringLiteral("outID")), QStringLiteral("0123456"));
    dialogs.inputs.push_back(QStringLiteral("2000000"));
    click(QStringLiteral("InstSN"));
    EXPECT_EQ(state().wrs, hex("31 05 E2 00 12 34 56 00 1E 84 80 EA"));
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
        EXPECT_EQ(status(), QStringLiteral("Приняты данные моста"));
        EXPECT_EQ(text(QStringLiteral("sn_sl")), QString::fromLatin1(c.serial));
        EXPECT_EQ(text(QStringLiteral("Temp_sl")), c.temperature);
        EXPECT_EQ(text(QStringLiteral("fr_sl")), QString::number(c.slave.frequency));
        EXPECT_EQ(ctl<QCheckBox>(QStringLiteral("Check_sl"))->isChecked(), c.contact);
        EXPECT_EQ(text(QStringLiteral("ur_sl")), QString::fromLatin1(c.level));
        EXPECT_EQ(text(QStringLiteral("RR_SL_data")), QString::fromLatin1(c.rs485));
    }
}

}  // namespace
