// Reader replies on the real window over an in-memory port: identification, acknowledgements, the mode
// acknowledgement, the bound-ID table, the reset delay, and the answer to the network poll.
#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <memory>

#include "input_cases.h"
#include "ui/controlgroups.h"
#include "window_harness.h"

using namespace kestrel;
using namespace kestrel::test;

namespace {

class ReaderReplies : public WithTexts<WindowOnFakePort> {
protected:
    void SetUp() override {
        openPort();
        chooseAddress(QStringLiteral("5"));
        runTick();
        state().wrs.clear();
        dialogs.clear();
    }
    void receive(const QByteArray& reply) {
        port.feed(reply);
        runTick();
    }
    // A status text set by the test survives only once the cycle has no no-reply text to restore.
    void markStatus() {
        receive(hex("3E 05 E7 11"));  // a code without a decoder: changes nothing
        ctl<QLabel>(QStringLiteral("MsgCom"))->setText(QStringLiteral("before"));
    }
    bool checked(const char* name) { return ctl<QAbstractButton>(QString::fromLatin1(name))->isChecked(); }
    QString cell(int i) { return text(QStringLiteral("m1(%1)").arg(i)); }
    // A disabled button on the window for each panel set given; gone with the returned list.
    std::vector<std::unique_ptr<QPushButton>> panelButtons(std::initializer_list<int> sets) {
        std::vector<std::unique_ptr<QPushButton>> buttons;
        for (int set : sets) {
            buttons.emplace_back(new QPushButton(window.get()));
            setTag(buttons.back().get(), set);
            buttons.back()->setEnabled(false);
        }
        return buttons;
    }
};

}  // namespace

// ---- identification --------------------------------------------------------------------------------

TEST_F(ReaderReplies, IdentificationOfTenBytesShowsSerialAndVersion) {
    struct Case {
        const char* behaviour;
        QByteArray reply;
        QString serial;
        QString version;
    } cases[] = {
        {"serial least significant first", hex("3E 05 FC 40 E2 01 00 86 00 11"), QStringLiteral("123456"),
         QStringLiteral("1.3.4.")},
        {"serial is unsigned", hex("3E 05 FC FF FF FF FF 83 00 11"), QStringLiteral("4294967295"),
         QStringLiteral("1.3.1.")},
        {"a prefix byte goes in front", hex("3E 05 FC 01 00 00 00 86 02 11"), QStringLiteral("1"),
         QStringLiteral("21.3.4.")},
        {"type 129", hex("3E 05 FC 00 00 00 00 81 00 11"), QStringLiteral("0"), QStringLiteral("1.2.9.")},
        {"a one-digit type keeps its dots", hex("3E 05 FC 00 00 00 01 05 00 11"), QStringLiteral("16777216"),
         QStringLiteral("5...")},
        {"largest prefix and type", hex("3E 05 FC 00 00 01 00 FF FF 11"), QStringLiteral("65536"),
         QStringLiteral("2552.5.5.")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.behaviour);
        receive(c.reply);
        expectTexts({{"sn", c.serial}, {"vv", c.version}});
    }
}

TEST_F(ReaderReplies, IdentificationAppliesEveryPanelSetTheTypeReaches) {
    struct Case {
        quint8 type;
        bool set130, set131, set134;
    } cases[] = {{129, false, false, false}, {130, true, false, false}, {131, true, true, false},
                 {134, true, true, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        const auto buttons = panelButtons({130, 131, 134});
        receive(hex("3E 05 FC 01 00 00 00") + char(c.type) + hex("00 11"));
        EXPECT_EQ(buttons[0]->isEnabled(), c.set130);
        EXPECT_EQ(buttons[1]->isEnabled(), c.set131);
        EXPECT_EQ(buttons[2]->isEnabled(), c.set134);
    }
}

TEST_F(ReaderReplies, IdentificationShorterOrLongerThanTenBytes) {
    struct Case {
        const char* behaviour;
        QByteArray reply;
        QString serial;
    } cases[] = {
        {"4 bytes is too short", hex("3E 05 FC 11"), QStringLiteral("????????")},
        {"5 bytes is too short", hex("3E 05 FC 40 11"), QStringLiteral("????????")},
        {"6 bytes lacks serial bytes", hex("3E 05 FC 40 E2 11"), QStringLiteral("????????")},
        {"7 bytes lacks a serial byte", hex("3E 05 FC 40 E2 01 11"), QStringLiteral("????????")},
        {"8 bytes updates the serial only", hex("3E 05 FC 40 E2 01 00 11"), QStringLiteral("123456")},
        {"9 bytes updates the serial only", hex("3E 05 FC 41 E2 01 00 86 11"), QStringLiteral("123457")},
        {"11 bytes updates the serial only", hex("3E 05 FC 42 E2 01 00 86 00 00 11"), QStringLiteral("123458")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.behaviour);
        ctl<QLabel>(QStringLiteral("vv"))->setText(QStringLiteral("before"));
        const auto buttons = panelButtons({130});
        receive(c.reply);
        expectTexts({{"sn", c.serial}, {"vv", "before"}});
        EXPECT_FALSE(buttons[0]->isEnabled()) << "no panel set";
    }
}

// ---- acknowledgements ------------------------------------------------------------------------------

TEST_F(ReaderReplies, AcknowledgementsShowTheirStatusWhateverTheCheckByte) {
    struct Case {
        QByteArray reply;
        QString status;
    } cases[] = {
        {hex("3E 05 FB CC"), QStringLiteral(" Установлен сетевой номер.")},
        {hex("3E 05 F6 CC"), QStringLiteral("Установлен серийный номер.")},
        {hex("3E 05 F5 CC"), QStringLiteral(" Установлен верхний уровень.")},
        {hex("3E 05 FA CC"), QStringLiteral(" Установлен нижний уровень.")},
        {hex("3E 05 F8 CC"), QStringLiteral(" Установлено кол. усреднение.")},
        {hex("3E 05 F3 CC"), QStringLiteral(" Снято усреднение.")},
        {hex("3E 05 FD CC"), QStringLiteral("Изменена инверсия.")},
        {hex("3E 05 00 CC"), QStringLiteral("Изменено состояние лампа/частота.")},
        {hex("3E 05 F2 CC"), QStringLiteral(" Установлен новый режим.")},
        {hex("3E 05 F1 CC"), QStringLiteral("Приняты доп. параметры считывателя")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status.toStdString());
        ctl<QLabel>(QStringLiteral("MsgCom"))->setText(QStringLiteral("before"));
        receive(c.reply);
        EXPECT_EQ(text(QStringLiteral("MsgCom")), c.status);
    }
}

TEST_F(ReaderReplies, ModeAcknowledgementShowsTheModeInForce) {
    ctl<QRadioButton>(QStringLiteral("R_a"))->click();
    state().mode_yes = 2;
    receive(hex("3E 05 F2 C0 11"));
    EXPECT_EQ(text(QStringLiteral("MsgCom")), QStringLiteral(" Установлен новый режим."));
    EXPECT_TRUE(checked("R485"));
    EXPECT_TRUE(checked("iinv"));
    EXPECT_TRUE(checked("usredn"));
    EXPECT_EQ(state().mode_yes, 0);

    receive(hex("3E 05 F2 06 11"));
    EXPECT_TRUE(checked("R_p"));
    EXPECT_FALSE(checked("iinv"));
    EXPECT_FALSE(checked("usredn"));
}

TEST_F(ReaderReplies, ModeAcknowledgementWithoutAModeByteShowsTheTextOnly) {
    ctl<QRadioButton>(QStringLiteral("R_a"))->click();
    state().mode_yes = 2;
    receive(hex("3E 05 F2 C0"));  // the byte after the code is the check byte
    EXPECT_EQ(text(QStringLiteral("MsgCom")), QStringLiteral(" Установлен новый режим."));
    EXPECT_TRUE(checked("R_a"));
    EXPECT_EQ(state().mode_yes, 2);
}

// ---- bound-ID table and reset delay ----------------------------------------------------------------

TEST_F(ReaderReplies, TableReplyFillsTheTenCellsMostSignificantFirst) {
    QByteArray reply = hex("3E 05 E6");
    reply += hex("3C 2B 1A 00");
    reply += hex("FF 0A 00 1F");
    for (int i = 2; i < 10; ++i) reply += QByteArray(1, char(i)) + hex("00 00 00");
    reply += hex("11");
    ASSERT_EQ(reply.size(), 44);
    markStatus();
    receive(reply);
    // The status keeps the marked text: a table reply shows none.
    expectTexts({{"m1(0)", "01A2B3C"}, {"m1(1)", "1F000AFF"}, {"m1(2)", "0000002"}, {"m1(9)", "0000009"},
                 {"MsgCom", "before"}});
}

TEST_F(ReaderReplies, ShortTableReplyFillsTheCompleteCellsOnly) {
    // Two whole cells, two bytes of the third, then the check byte.
    receive(hex("3E 05 E6 3C 2B 1A 00 05 00 00 00 77 77 11"));
    expectTexts({{"m1(0)", "01A2B3C"}, {"m1(1)", "0000005"}});
    for (int i = 2; i < 10; ++i) EXPECT_EQ(cell(i), QStringLiteral("0")) << i;
    // The check byte never completes a cell.
    receive(hex("3E 05 E6 01 00 00 00 02 00 00 00 03 00 00"));
    expectTexts({{"m1(1)", "0000002"}, {"m1(2)", "0"}});
}

TEST_F(ReaderReplies, ParameterReplyShowsTheDelayLeastSignificantFirst) {
    receive(hex("3E 05 F1 F4 01 11"));
    expectTexts({{"MsgCom", "Приняты доп. параметры считывателя"}, {"Zad2", "500"}});
    receive(hex("3E 05 F1 70 17 11"));
    EXPECT_EQ(text(QStringLiteral("Zad2")), QStringLiteral("6000"));
    receive(hex("3E 05 F1 FF FF 11"));
    EXPECT_EQ(text(QStringLiteral("Zad2")), QStringLiteral("65535"));
}

TEST_F(ReaderReplies, ParameterReplyWithoutItsSecondByteShowsTheStatusOnly) {
    setText(QStringLiteral("Zad2"), QStringLiteral("before"));
    ctl<QLabel>(QStringLiteral("MsgCom"))->setText(QStringLiteral("x"));
    receive(hex("3E 05 F1 F4 11"));
    expectTexts({{"MsgCom", "Приняты доп. параметры считывателя"}, {"Zad2", "before"}});
}

// ---- network poll ----------------------------------------------------------------------------------

TEST_F(ReaderReplies, OprosReplacesThePendingRequestWithThePoll) {
    state().wrs = hex("31 05 FA 30");
    state().mode_yes = 0;
    click(QStringLiteral("Opros"));
    EXPECT_EQ(state().wrs, hex("31 FF DC"));
    EXPECT_TRUE(state().net_opr);
    EXPECT_EQ(state().mode_yes, 2);
    EXPECT_EQ(text(QStringLiteral("txtRec")), QString::fromUtf8("31 FF DC \r\n\r\n1\u00FF\u00DC"));
    EXPECT_TRUE(dialogs.messages.empty());
    port.clearWritten();
    runTick();
    EXPECT_EQ(port.written, hex("31 FF DC"));
}

TEST_F(ReaderReplies, PollAnswerRefillsTheAddressListAndIdentifiesTheFirst) {
    chooseAddress(QStringLiteral("1"));
    runTick();
    click(QStringLiteral("Opros"));
    runTick();  // writes the poll
    receive(hex("03 07 0C 07"));
    auto* cmb = ctl<QComboBox>(QStringLiteral("CmbNet"));
    QStringList items;
    for (int i = 0; i < cmb->count(); ++i) items << cmb->itemText(i);
    EXPECT_EQ(items, (QStringList{"3", "7", "12", "7"})) << "arrival order, duplicates kept";
    EXPECT_EQ(cmb->currentIndex(), 0);
    expectTexts({{"netdev", "3 7 12 7 "}, {"txtRec", "3 7 C 7 "}, {"MsgCom", "Произошел опрос сети."}});
    EXPECT_EQ(state().wrs, hex("31 03 FC F7"));
    EXPECT_FALSE(state().net_opr);
    EXPECT_EQ(tickWritten(), hex("31 03 FC F7"));
}

TEST_F(ReaderReplies, PollAnswerOfOneAddress) {
    click(QStringLiteral("Opros"));
    runTick();
    receive(hex("05"));
    auto* cmb = ctl<QComboBox>(QStringLiteral("CmbNet"));
    ASSERT_EQ(cmb->count(), 1);
    EXPECT_EQ(cmb->currentText(), QStringLiteral("5"));
    expectTexts({{"netdev", "5 "}, {"txtRec", "5 "}});
    EXPECT_EQ(tickWritten(), hex("31 05 FC 5D"));
}

TEST_F(ReaderReplies, PollAnswerSizesAndOrdinaryRepliesInBetween) {
    QByteArray nineteen;
    for (int i = 1; i <= 19; ++i) nineteen += char(i);
    struct Case {
        const char* behaviour;
        QByteArray answer;
        int entries;  // the list size afterwards; the fixture's list holds 0 and 5
        bool stillPolling;
    } cases[] = {
        {"19 bytes fill 19 entries", nineteen, 19, false},
        {"20 bytes are dropped", nineteen + hex("14"), 2, false},
        {"a framed reply is no poll answer", hex("3E 05 FB CC"), 2, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.behaviour);
        auto* cmb = ctl<QComboBox>(QStringLiteral("CmbNet"));
        cmb->clear();
        cmb->addItems({"0", "5"});
        cmb->setCurrentIndex(1);
        click(QStringLiteral("Opros"));
        runTick();
        receive(c.answer);
        EXPECT_EQ(cmb->count(), c.entries);
        EXPECT_EQ(state().net_opr, c.stillPolling);
        state().net_opr = false;
    }
}

TEST_F(ReaderReplies, UnframedReplyWithoutAPollIsIgnored) {
    markStatus();
    receive(hex("03 07"));
    EXPECT_EQ(ctl<QComboBox>(QStringLiteral("CmbNet"))->count(), 2);
    expectTexts({{"netdev", "Не определены"}, {"MsgCom", "before"}});
}
