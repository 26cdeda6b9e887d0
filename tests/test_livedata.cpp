// The current-parameters reply on the reader tab: read-outs, level bar, rotation indicator, refresh.
#include <QProgressBar>
#include <QRadioButton>

#include "input_cases.h"
#include "protocol/crc.h"
#include "window_harness.h"

using namespace kestrel;
using namespace kestrel::test;

namespace {

// A current-parameters reply from address 5 with a correct check byte. Fields least significant first.
QByteArray f0(quint8 temp, quint16 level, quint32 current, quint32 empty = 0, quint32 tagId = 0,
              quint16 second = 0, std::optional<QByteArray> settings = std::nullopt) {
    QByteArray r = hex("3E 05 F0");
    r += char(temp);
    auto lsbFirst = [&r](quint32 v, int bytes) {
        for (int i = 0; i < bytes; ++i) r += char((v >> (8 * i)) & 0xFF);
    };
    lsbFirst(level, 2);
    for (quint32 v : {current, empty, tagId}) lsbFirst(v, 4);
    lsbFirst(second, 2);
    if (settings) r += *settings;
    return Control_summ(r);
}

class LiveData : public WithTexts<WindowOnFakePort> {
protected:
    void SetUp() override {
        openPort();
        state().mode_yes = 0;
    }
    void receive(const QByteArray& reply) {
        port.feed(reply);
        runTick();
    }
    int bar() { return ctl<QProgressBar>(QStringLiteral("ProgressBar1"))->value(); }
};

}  // namespace

TEST_F(LiveData, ReadOutsShowTheReplyFields) {
    receive(f0(0x19, 512, 16909060, 1000, 0x000C0B0A, 4660));
    expectTexts({{"tek", "16909060"}, {"temp", "25 °C"}, {"ne", "5"}, {"uroven", "512"}, {"lo", "1000"},
                 {"hi", "00C0B0A"}, {"ko", "4660"}});
    EXPECT_EQ(bar(), 512);
}

TEST_F(LiveData, TemperatureIsASignedByte) {
    struct Case {
        quint8 byte;
        const char* text;
    } cases[] = {{0xFF, "-1 °C"}, {0x80, "-128 °C"}, {0x7F, "127 °C"}, {0x00, "0 °C"}};
    for (const auto& c : cases) {
        receive(f0(c.byte, 10, 1));
        expectTexts({{"temp", c.text}});
    }
}

TEST_F(LiveData, LevelOf1024OrMoreLeavesTheBarButIsShown) {
    receive(f0(20, 1023, 1));
    EXPECT_EQ(bar(), 1023);
    receive(f0(20, 1024, 1));
    EXPECT_EQ(bar(), 1023);
    EXPECT_EQ(text(QStringLiteral("uroven")), QStringLiteral("1024"));
    receive(f0(20, 65535, 1));
    EXPECT_EQ(bar(), 1023);
    receive(f0(20, 0, 1));
    EXPECT_EQ(bar(), 0);
}

TEST_F(LiveData, ZeroCurrentValueUpdatesOnlyTheLaterFields) {
    receive(f0(20, 300, 7, 1, 2, 3));
    receive(f0(30, 900, 0, 11, 0x12345678, 33));
    expectTexts({{"tek", "7"}, {"temp", "20 °C"}, {"uroven", "300"}, {"lo", "11"}, {"hi", "12345678"}, {"ko", "33"}});
    EXPECT_EQ(bar(), 300);
}

TEST_F(LiveData, AWrongCheckByteChangesNoReadOut) {
    QByteArray bad = f0(20, 300, 7);
    bad[bad.size() - 1] = char(bad.back() ^ 0x01);
    receive(bad);
    expectTexts({{"tek", "нет данных"}});
    EXPECT_EQ(bar(), 0);
}

TEST_F(LiveData, RotationIndicatorFollowsTheTagModeAndState) {
    window->show();
    auto visible = [this](const char* name) { return ctl(QString::fromLatin1(name))->isVisible(); };
    setText(QStringLiteral("ModeMetki"), QString());
    receive(f0(1, 10, 1));
    EXPECT_FALSE(visible("vra")) << "an empty tag mode leaves the indicator alone";

    struct Case {
        const char* mode;
        quint8 state;
        const char* caption;
        bool right, left, stop, truck;
    } cases[] = {
        {"5", 1, "ЛЕВОЕ", true, false, false, true},
        {"5", 2, "ПРАВОЕ", false, true, false, true},
        {"4", 0, "СТОП", false, false, true, true},
        {"4.4", 0, "СТОП", false, false, true, true},
        {"4", 7, "СТОП", false, false, false, false},  // unknown state: no picture, caption kept
    };
    for (const auto& c : cases) {
        setText(QStringLiteral("ModeMetki"), QString::fromLatin1(c.mode));
        receive(f0(c.state, 10, 1));
        EXPECT_TRUE(visible("vra")) << c.mode;
        EXPECT_TRUE(visible("vraa"));
        expectTexts({{"vraa", c.caption}});
        EXPECT_EQ(visible("Image1"), c.right) << "arrow pointing right for ЛЕВОЕ";
        EXPECT_EQ(visible("Image2"), c.left);
        EXPECT_EQ(visible("Image3"), c.stop);
        EXPECT_EQ(visible("Image6"), c.truck);
    }
    receive(f0(1, 10, 1));
    setText(QStringLiteral("ModeMetki"), QStringLiteral("3"));
    receive(f0(2, 10, 1));
    EXPECT_FALSE(visible("vra"));
    EXPECT_FALSE(visible("vraa"));
    EXPECT_TRUE(visible("Image1")) << "the pictures keep their state";
    setText(QStringLiteral("ModeMetki"), QStringLiteral("abc"));
    receive(f0(2, 10, 1));
    EXPECT_FALSE(visible("vra"));
}

TEST_F(LiveData, SettingsRefreshTakesTwoReplies) {
    const QByteArray settings = hex("C0 E8 FD 05 0A");  // bridge + master + frequency, net 65000, ch 5, power 10
    state().mode_yes = 2;
    receive(f0(20, 10, 1, 0, 0, 0, settings));
    expectTexts({{"MsgCom", "Приняты данные"}, {"num_net", ""}});
    EXPECT_EQ(state().mode_yes, 1);
    receive(f0(20, 10, 1, 0, 0, 0, settings));
    EXPECT_EQ(state().mode_yes, 0);
    expectTexts({{"num_net", "65000"}, {"n_kan", "5"}, {"ppow", "10"}});
    for (const char* option : {"R485", "iinv", "usredn"})
        EXPECT_TRUE(ctl<QAbstractButton>(QString::fromLatin1(option))->isChecked()) << option;
    setText(QStringLiteral("num_net"), QStringLiteral("12"));
    receive(f0(20, 10, 1, 0, 0, 0, settings));
    EXPECT_EQ(text(QStringLiteral("num_net")), QStringLiteral("12")) << "later replies leave the panels to the user";
}

TEST_F(LiveData, ShortRepliesDecodeWhatIsCompleteAndNeverCrash) {
    state().mode_yes = 2;
    receive(Control_summ(hex("3E 05 F0 19 10 00")));  // no current value
    expectTexts({{"tek", "нет данных"}});
    receive(Control_summ(hex("3E 05 F0 19 10 00 01 00 00 00")));
    expectTexts({{"tek", "1"}, {"uroven", "16"}});
    EXPECT_EQ(state().mode_yes, 2) << "no settings part";
    // 23 characters: the mode byte and one byte of the network number; the rest is left as it was.
    state().mode_yes = 1;
    receive(Control_summ(f0(20, 10, 1).left(20) + hex("10 07")));
    EXPECT_TRUE(ctl<QRadioButton>(QStringLiteral("R_p485"))->isChecked());
    expectTexts({{"num_net", ""}});
    for (int n = 4; n < 30; ++n) receive(Control_summ(hex("3E 05 F0") + QByteArray(n - 4, '\x01')));
}
