// The window renders what the device layer decoded, and its buttons leave pending what the device layer
// built: one test per feature, over the in-memory port (replies are fed and read by real ticks).
#include <QGroupBox>
#include <QProgressBar>
#include <QRadioButton>
#include <QSignalSpy>

#include "device/commands.h"
#include "device/requests.h"
#include "device/texts.h"
#include "protocol/frame.h"
#include "ui/controlgroups.h"
#include "ui/readertab.h"
#include "ui/trend.h"
#include "window_harness.h"

using namespace kestrel;
using namespace kestrel::test;

namespace {

// A current-parameters reply from reader 5: state byte, level, current, empty level, tag ID, second value,
// then (when `settings`) mode 0x82, network 1, channel 5, power 10.
QByteArray liveReply(const char* state = "19", const char* level = "00 02",
                     const char* current = "01 00 00 00", bool settings = true) {
    QByteArray r =
        hex("3E 05 F0") + hex(state) + hex(level) + hex(current) + hex("10 00 00 00 0A 0B 0C 00 07 00");
    if (settings) r += hex("82 01 00 05 0A");
    return withCheckByte(r);
}

class Views : public WindowOnFakePort {
  protected:
    void SetUp() override {
        openAtFive();  // the identification of the newly chosen address goes out first
        dialogs.clear();
    }
    QString status() { return text(QStringLiteral("MsgCom")); }
    bool checked(const char* name) { return ctl<QAbstractButton>(QString::fromLatin1(name))->isChecked(); }
};

}  // namespace

TEST_F(Views, LiveReadingLandsInTheReadOutsAndTheLevelBar) {
    setText(QStringLiteral("ModeMetki"), QStringLiteral("1"));
    receive(liveReply("FF"));
    expectTexts(
        {"ne", "5", "temp", "-1 °C", "uroven", "512", "tek", "1", "lo", "16", "hi", "00C0B0A", "ko", "7"});
    EXPECT_EQ(ctl<QProgressBar>(QStringLiteral("ProgressBar1"))->value(), 512);
    receive(liveReply("19", "00 04"));
    EXPECT_EQ(text(QStringLiteral("uroven")), QStringLiteral("1024"));
    EXPECT_EQ(ctl<QProgressBar>(QStringLiteral("ProgressBar1"))->value(), 512) << "1024 leaves the bar";
    receive(liveReply("05", "00 01", "00 00 00 00"));
    expectTexts({"temp", "25 °C", "uroven", "1024"});  // a zero current value leaves the live read-outs
    runTick();                                         // no reply
    const auto& trend = window->findChild<TrendWindow*>()->series().samples();
    ASSERT_EQ(trend.size(), 3u) << "each reading that answers a live request, and the silence";
    EXPECT_EQ(trend[0].level, 1024.0);
    EXPECT_EQ(trend[2].gap, TrendGap::NoReply);
}

TEST_F(Views, TheTrendsGapSaysTheTagTabWasOpenAndThenThePortClosed) {
    for (int i = 0; i < 2; ++i) receive(liveReply("FF"));  // the identification, then a reading
    selectTab(1);
    receive(liveReply("FF"));  // the reader's poll written before the switch answers
    runTick();                 // the tag view's poll
    window->closePort();
    auto* trend = window->findChild<TrendWindow*>();
    const auto gaps = trend->series().gaps(5);
    ASSERT_EQ(gaps.size(), 2u);
    EXPECT_EQ(gaps[0].reason, TrendGap::TagView);
    EXPECT_EQ(gaps[0].to, gaps[1].from);
    EXPECT_EQ(gaps[1].reason, TrendGap::PortClosed);
    EXPECT_FALSE(gaps[1].to) << "closed until a reading comes";
}

// The read-outs of a device that stopped answering, or that is no longer the addressed one, keep their
// texts but are greyed (a box stays usable), with since when in their tooltips; a reply takes the mark away.
// The rule itself is the session's (test_session.cpp).
TEST_F(Views, ReadOutsNoLongerCurrentAreGreyedWithSinceWhenAndKeepTheirTexts) {
    const QStringList shown{"sn", "vv", "ne", "hi", "ProgressBar1", "uroven", "num_net", "R485"};
    const auto stale = [this](const QStringList& names) {
        QStringList out;
        for (const QString& name : names)
            if (ctl(name)->property("stale").toBool()) out << name;
        return out;
    };
    receive(withCheckByte(hex("3E 05 FC 40 E2 01 00 86 00")));
    receive(liveReply());  // the settings refresh announced
    receive(liveReply());  // and the panels filled
    EXPECT_EQ(stale(shown), QStringList());

    runTick();  // the device does not answer
    EXPECT_EQ(stale(shown), shown);
    const QString since = partOf<DeviceSession>(*window).silentSince().toString(QStringLiteral("HH:mm:ss"));
    EXPECT_TRUE(ctl(QStringLiteral("sn"))->toolTip().startsWith(QStringLiteral("Нет ответа с ") + since))
        << ctl(QStringLiteral("sn"))->toolTip().toStdString();
    const QString scale = ctl(QStringLiteral("ProgressBar1"))->property("kestrelOwnToolTip").toString();
    EXPECT_TRUE(scale.startsWith(QStringLiteral("Уровень")));
    EXPECT_TRUE(
        ctl(QStringLiteral("ProgressBar1"))->toolTip().startsWith(scale + QStringLiteral("\nНет ответа с ")))
        << "the bar's own tooltip first";
    auto* address = ctl<QLabel>(QStringLiteral("ne"));
    EXPECT_EQ(address->palette().color(QPalette::Active, QPalette::WindowText),
              address->palette().color(QPalette::Disabled, QPalette::WindowText));
    expectTexts({"sn", "123456", "ne", "5", "num_net", "1"});
    auto* network = ctl<QLineEdit>(QStringLiteral("num_net"));
    EXPECT_TRUE(network->isEnabled() && !network->isReadOnly()) << "the engineer can still type";

    receive(liveReply());
    EXPECT_EQ(stale(shown), QStringList());
    EXPECT_TRUE(ctl(QStringLiteral("sn"))->toolTip().isEmpty());
    EXPECT_EQ(ctl(QStringLiteral("ProgressBar1"))->toolTip(), scale);
    EXPECT_FALSE(address->testAttribute(Qt::WA_SetPalette)) << "the window's colours again";

    // Reader 9 chosen, and silent: what is shown is reader 5's.
    chooseAddress(QStringLiteral("9"));
    EXPECT_EQ(stale(shown), shown);
    EXPECT_TRUE(address->toolTip().startsWith(QStringLiteral("Значение адреса 5, выбран другой адрес в ")))
        << address->toolTip().toStdString();
    runTick();  // 9 is asked who it is
    receive(withCheckByte(hex("3E 09 FC 41 E2 01 00 86 00")));
    EXPECT_EQ(stale({"sn", "vv", "ne"}), QStringList{"ne"}) << "9 told who it is; no live reading yet";
    expectTexts({"sn", "123457", "ne", "5", "num_net", "1"});
}

TEST_F(Views, RotationIndicatorFollowsTheTagModeAndState) {
    window->show();
    // Tag mode, state byte, the rotation text, the arrow shown ("" with the indicator hidden).
    const char* cases[][4] = {{"5", "01", "ЛЕВОЕ", "Image1"},
                              {"4", "02", "ПРАВОЕ", "Image2"},
                              {"5", "00", "СТОП", "Image3"},
                              {"3", "01", "СТОП", ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c[0]) + " " + c[1]);
        setText(QStringLiteral("ModeMetki"), QString::fromLatin1(c[0]));
        receive(liveReply(c[1]));
        EXPECT_EQ(ctl(QStringLiteral("vraa"))->isVisible(), *c[3] != 0);
        EXPECT_EQ(text(QStringLiteral("vraa")), QString::fromUtf8(c[2]));
        if (*c[3] == 0) continue;
        for (const char* p : {"Image1", "Image2", "Image3", "Image6"})
            EXPECT_EQ(ctl(QString::fromLatin1(p))->isVisible(),
                      qstrcmp(p, c[3]) == 0 || qstrcmp(p, "Image6") == 0)
                << p;
    }
}

// When the session's settings refresh announces and hands over (test_session.cpp), the tab shows them.
TEST_F(Views, SettingsRefreshAnnouncesThenFillsThePanels) {
    receive(liveReply());
    EXPECT_EQ(status(), text::settingsReceived());
    EXPECT_EQ(text(QStringLiteral("num_net")), QString());
    receive(liveReply());
    expectTexts({"num_net", "1", "n_kan", "5", "ppow", "10"});
    EXPECT_TRUE(checked("R_a"));
    // The panels are the engineer's again; a mode write asks for the next refresh.
    ctl<QLineEdit>(QStringLiteral("num_net"))->setText(QStringLiteral("77"));
    receive(liveReply());
    receive(liveReply());
    EXPECT_EQ(text(QStringLiteral("num_net")), QStringLiteral("77"));
    click(QStringLiteral("Set_mode"));
    receive(liveReply());
    receive(liveReply());
    EXPECT_EQ(text(QStringLiteral("num_net")), QStringLiteral("1"));
}

TEST_F(Views, ModeByteSelectsItsOptionAndBoxes) {
    struct Case {
        quint8 mode;
        const char* option;
        bool master, frequency, boxesVisible;
    } cases[] = {
        {0x40, "R485", false, true, true},     {0xC0, "R485", true, true, true},
        {0x82, "R_a", false, false, false},    {0x06, "R_p", false, false, false},
        {0x10, "R_p485", false, false, false}, {0x41, "R_f", false, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.mode));
        partOf<ReaderTab>(*window).showMode(c.mode);
        EXPECT_TRUE(checked(c.option));
        EXPECT_EQ(checked("iinv"), c.master);
        EXPECT_EQ(checked("usredn"), c.frequency);
        EXPECT_EQ(ctl(QStringLiteral("usred"))->isVisibleTo(window.get()), c.boxesVisible);
        const quint8 option = c.mode & 0x1F;
        EXPECT_EQ(partOf<ReaderTab>(*window).modeByte(),
                  option | (c.master ? 0x80 : 0) | (c.frequency ? 0x40 : 0));
    }
    partOf<ReaderTab>(*window).showMode(0x40);
    partOf<ReaderTab>(*window).showMode(0x83);  // no such mode: the option stays, the boxes follow the byte
    EXPECT_TRUE(checked("R485"));
    EXPECT_TRUE(checked("iinv"));
    EXPECT_FALSE(checked("usredn"));
    receive(withCheckByte(hex("3E 05 F2 01")));
    EXPECT_EQ(status(), text::modeSet());
    EXPECT_TRUE(checked("R_f")) << "the acknowledged mode is shown";
}

TEST_F(Views, EveryButtonLeavesPendingWhatTheCodecBuilt) {
    using namespace device;
    fillEveryBox();
    const TagWriteTexts tag{5, "1001", "123456", true, "100", "1", "-10", "60"};
    dialogs.inputs = {QStringLiteral("77"), QStringLiteral("2000")};
    const std::pair<const char*, QByteArray> cases[] = {
        {"param", setRadioParamsRequest(5, {"1000", "7", "10"}).frame},
        {"Command2", setResetDelayRequest(5, "300").frame},
        {"Command3", writeBoundIdRequest(5, "3", "A1B2").frame},
        {"ids_r", plainRequest(5, cmd::kReadBoundIds).frame},
        {"ids_clr", plainRequest(5, cmd::kClearBoundIds).frame},
        {"RD_DP", plainRequest(5, cmd::kReadResetDelay).frame},
        {"SetModesMetki", tagWriteRequest(tag).frame},
        {"InstSN", tagSetSerialRequest(5, "0123456", "77").frame},
        {"Set_ident", tagSetIdRequest(tag, "2000").frame},
        {"Find_metki", tagRequest(5, cmd::kAnyTag, cmd::kTagQuery)},
        {"zapr_data_sl", plainRequest(5, cmd::kBridgeData).frame},
        {"sl_zapros", plainRequest(5, cmd::kBridgeRs485).frame},
    };
    for (const auto& [button, built] : cases) {
        SCOPED_TRACE(button);
        partOf<ExchangeCycle>(*window).clearPending();
        click(QString::fromLatin1(button));
        EXPECT_EQ(pending(), built);
        EXPECT_TRUE(dialogs.messages.empty());
        if (qstrcmp(button, "Command3") == 0) {
            EXPECT_EQ(text(QStringLiteral("txtRec")), QStringLiteral("0 0 A1 B2 \r\n\r\n@@\u00A1\u00B2"));
        }
    }
    EXPECT_EQ(text(QStringLiteral("CmdBoxText")), QStringLiteral("31_5_E0_7A_7A_7A_7A_F9_"));
}

TEST_F(Views, ModeCalibrationAndSerialAskAndAppendOrReplace) {
    partOf<ExchangeCycle>(*window).replacePending(hex("31 05 FA 30"));
    ctl<QRadioButton>(QStringLiteral("R485"))->click();
    ctl<QCheckBox>(QStringLiteral("iinv"))->click();
    ctl<TraceBox>(QStringLiteral("txtRec"))->setTraceText(QStringLiteral("before"));
    click(QStringLiteral("Set_mode"));
    EXPECT_EQ(pending(), hex("31 05 FA 30") + device::setModeRequest(5, 0x80)) << "the mode is appended";
    EXPECT_TRUE(text(QStringLiteral("txtRec")).startsWith(QStringLiteral("31 5 FA 30 31 5 F2 80 ")))
        << "the requests to go out are shown: " << text(QStringLiteral("txtRec")).toStdString();

    dialogs.yesNo = {false, true};
    click(QStringLiteral("hig"));
    EXPECT_EQ(dialogs.questions.size(), 1);
    click(QStringLiteral("low"));
    EXPECT_EQ(pending(), device::calibrateRequest(5, false));

    dialogs.inputs = {QStringLiteral("123456")};
    click(QStringLiteral("Command1"));
    EXPECT_EQ(dialogs.prompts.last(), QStringLiteral("Введите серийный номер|Ввод серийного номера|0"));
    EXPECT_EQ(pending(), device::setSerialRequest(5, "123456").frame);
}

TEST_F(Views, BoundIdsResetDelayAndAcknowledgementsAreShown) {
    receive(withCheckByte(hex("3E 05 E6") + QByteArray(40, '\x07')));    // ten cells
    ctl<QLabel>(QStringLiteral("m1(2)"))->setText(QStringLiteral("-"));  // told apart from any cell read
    receive(withCheckByte(hex("3E 05 E6 44 33 22 11 0A 0B 0C 00 01")));  // two: the rest stay
    expectTexts({"m1(0)", "11223344", "m1(1)", "00C0B0A", "m1(2)", "-", "m1(9)", "7070707"});
    receive(withCheckByte(hex("3E 05 F1 2C 01")));
    expectTexts({"MsgCom", text::resetDelayReceived(), "Zad2", "300"});
    for (quint8 code :
         {cmd::kSetNetAddress, cmd::kCalibrateUpper, cmd::kAveragingCleared, cmd::kLampFrequencyChanged}) {
        receive(withCheckByte(hex("3E 05") + char(code)));
        EXPECT_EQ(status(), device::Acknowledgement{code}.statusText());
    }
}

TEST_F(Views, IdentificationShowsSerialAndVersion) {
    receive(withCheckByte(hex("3E 05 FC 40 E2 01 00 86 00")));
    expectTexts({"sn", "123456", "vv", "1.3.4."});
    receive(withCheckByte(hex("3E 05 FC 40")));
    EXPECT_EQ(text(QStringLiteral("sn")), QStringLiteral("????????"));
}

TEST_F(Views, BusSearchListsTheAnswersAndIdentifiesTheFirst) {
    dialogs.inputs = {QStringLiteral("7")};
    click(QStringLiteral("net"));
    EXPECT_EQ(dialogs.prompts,
              QStringList{QStringLiteral("Введите новый сетевой номер|Ввод сетевого номера|5")});
    EXPECT_EQ(pending(), hex("31 05 FB 07 CB"));
    click(QStringLiteral("Opros"));
    EXPECT_EQ(tickWritten(), hex("31 FF DC"));
    receive(hex("07 03"));
    auto* list = ctl<QComboBox>(QStringLiteral("CmbNet"));
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->currentText(), QStringLiteral("7"));
    expectTexts({"netdev", "7 3 ", "MsgCom", text::networkPolled(), "txtRec", "7 3 "});
    EXPECT_EQ(pending(), hex("31 07 FC CC")) << "the first device found is identified next";
    dialogs.prompts.clear();
    dialogs.inputs = {QString()};  // cancelled
    click(QStringLiteral("net"));
    EXPECT_EQ(dialogs.prompts,
              QStringList{QStringLiteral("Введите новый сетевой номер|Ввод сетевого номера|7")})
        << "the first entry's address offered";
}

// A search answered first by the device already addressed leaves its address alone: no change is told and
// what is shown of it is not marked as another device's. Answered first by another, the address moves once.
TEST_F(Views, ASearchMovesTheAddressOnlyWhenAnotherDeviceAnswersFirst) {
    receive(withCheckByte(hex("3E 05 FC 40 E2 01 00 86 00")));
    QSignalSpy changed(&partOf<DeviceSession>(*window), &DeviceSession::addressChanged);
    for (const auto& [answer, address, changes] : {std::tuple("05 03", 5, 0), std::tuple("03 05", 3, 1)}) {
        SCOPED_TRACE(answer);
        changed.clear();
        click(QStringLiteral("Opros"));
        EXPECT_EQ(tickWritten(), hex("31 FF DC"));
        receive(hex(answer));
        EXPECT_EQ(partOf<DeviceSession>(*window).address(), std::optional<quint8>(quint8(address)));
        EXPECT_EQ(changed.count(), changes);
        // Marked as another device's only when the address moved (the search's own tick went without the
        // device's reply, which marks it silent either way).
        EXPECT_EQ(ctl(QStringLiteral("sn"))
                      ->toolTip()
                      .startsWith(QStringLiteral("Значение адреса 5, выбран другой")),
                  changes > 0)
            << ctl(QStringLiteral("sn"))->toolTip().toStdString();
    }
    // A typed address is one a device can have: 254 is taken, 255 (the bus search) is not.
    auto* list = ctl<QComboBox>(QStringLiteral("CmbNet"));
    list->setCurrentIndex(0);
    const QString first = list->itemText(0);
    list->setEditText(QStringLiteral("9x"));
    QTest::keyClick(list->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(list->currentText(), first) << "a text that is no address gives way to the address selected";
    for (const auto& [typed, taken] : {std::pair("254", 254), std::pair("255", 254)}) {
        list->setEditText(QString::fromLatin1(typed));
        QTest::keyClick(list->lineEdit(), Qt::Key_Return);
        EXPECT_EQ(partOf<DeviceSession>(*window).address(), std::optional<quint8>(quint8(taken))) << typed;
    }
}

TEST_F(Views, SilenceShowsTheTabsMessageAndTheEarlierTextComesBack) {
    receive(withCheckByte(hex("3E 05 FB")));
    const QString before = status();
    const QStringList messages = {QStringLiteral("Нет данных со считывателя с номером 5"),
                                  QStringLiteral("Нет связи с меткой "),
                                  QStringLiteral("Нет связи с удаленным считывателем")};
    for (int tab = 0; tab < 3; ++tab) {
        selectTab(tab);
        runTick();
        EXPECT_EQ(status(), messages[tab]);
    }
    receive(withCheckByte(hex("3E 05 77")));
    EXPECT_EQ(status(), before);
}

TEST_F(Views, EitherBridgeReplyIsAnnouncedAndShown) {
    selectTab(2);
    const std::pair<const char*, const char*> replies[] = {
        {"3E 05 06 00 01 00", "RR_SL_data"},                  // the slave's RS-485 value: 1
        {"3E 05 E8 01 00 00 00 01 90 DC 05 CD 9C", "sn_sl"},  // its data: serial 1
    };
    for (const auto& [reply, field] : replies) {
        receive(withCheckByte(hex(reply)));
        EXPECT_EQ(status(), QStringLiteral("Приняты данные моста")) << reply;
        EXPECT_EQ(text(QString::fromLatin1(field)), QStringLiteral("1")) << reply;
    }
}

TEST_F(Views, TagAnswersAndParametersLandInTheTagTab) {
    selectTab(1);
    click(QStringLiteral("ReadParamMetki"));  // the current tag's identifier is still "0"
    EXPECT_EQ(pending(), device::tagRequest(5, 0, cmd::kTagRead));
    receive(withCheckByte(hex("3E 05 E0 00 00 03 E9 00 12 34 56 D8")));
    expectTexts({"MsgCom", text::tagPing(), "SerNumMetki", "1001", "outID", "0123456", "UrPr", "-40",
                 "ID_Metki", "0123456", "textOutCmd", "E0"});
    receive(withCheckByte(hex("3E 05 E3 00 00 03 E9 00 12 34 56 00 64 01 F6 7B 00 3C D8")));
    expectTexts({"MsgCom", text::tagDataRead(), "outSN", "1001", "IntervalMetki", "100", "outTime", "100"});
    EXPECT_EQ(ctl<QGroupBox>(QStringLiteral("Frame6"))->title(),
              QStringLiteral("Параметры метки, сер. № 1001"))
        << "the frame names the tag a write goes to";
    expectTexts({"ModeMetki", "1", "PowerMetki", "-10", "outPower", "246", "outVer", "1.2.3.", "sleep_time",
                 "60", "textOutCmd", "E3"});
    ctl<QCheckBox>(QStringLiteral("Hex_id"))->setChecked(false);
    receive(withCheckByte(hex("3E 05 E3 00 00 03 E9 00 12 34 56")));
    EXPECT_EQ(text(QStringLiteral("ID_Metki")), QStringLiteral("1193046")) << "decimal without the hex box";
}

TEST_F(Views, ARefusedCommandKeepsOrDropsWhatWasPendingAsEachButtonDoes) {
    const QByteArray earlier = hex("31 05 FA 30");
    struct Case {
        const char* button;
        const char* answer;  // the dialog's answer, when the button asks
        bool withAddress;    // false: no listed address is selected
        QString message;
        bool keepsEarlier;
        bool emptiesTrace;  // the trace box shows an empty dump
    } cases[] = {
        {"net", "7", false, text::noListedAddress(), true, false},
        {"net", "201", true, text::addressRange(), true, false},
        {"Command1", "5", false, text::noListedAddress(), false, true},
        {"Command1", "x", true, text::serialRange(), false, false},
        {"param", nullptr, false, text::noListedAddress(), false, false},
        {"Command2", nullptr, false, text::noListedAddress(), false, false},
        {"Command3", nullptr, false, text::noListedAddress(), true, false},
        {"ids_r", nullptr, false, text::noListedAddress(), true, false},
        {"RD_DP", nullptr, false, text::noListedAddress(), true, false},
        {"Set_mode", nullptr, false, {}, true, false},
        {"hig", nullptr, false, {}, true, false},
        {"SetModesMetki", nullptr, false, text::modeRange(), false, false},
        {"ReadParamMetki", nullptr, false, {}, false, false},
        {"InstSN", "5", false, text::noListedAddress(), false, true},
        {"Set_ident", "5", false, text::noListedAddress(), false, true},
        {"zapr_data_sl", nullptr, false, text::noListedAddress(), false, false},
        {"Find_metki", nullptr, false, {}, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.button) + " " + (c.answer ? c.answer : ""));
        chooseAddress(QStringLiteral("5"));
        if (!c.withAddress) ctl<QComboBox>(QStringLiteral("CmbNet"))->setCurrentIndex(-1);
        partOf<ExchangeCycle>(*window).replacePending(earlier);
        ctl<TraceBox>(QStringLiteral("txtRec"))->setTraceText(QStringLiteral("before"));
        dialogs.clear();
        dialogs.inputs.clear();
        if (c.answer) dialogs.inputs = {QString::fromLatin1(c.answer)};
        click(QString::fromLatin1(c.button));
        EXPECT_EQ(dialogs.messageTexts(), c.message.isEmpty() ? QStringList() : QStringList{c.message});
        EXPECT_TRUE(dialogs.questions.isEmpty());
        EXPECT_EQ(pending(), c.keepsEarlier ? earlier : QByteArray());
        EXPECT_EQ(text(QStringLiteral("txtRec")),
                  c.emptiesTrace ? QStringLiteral("\r\n\r\n") : QStringLiteral("before"));
    }
}
// Another address chosen, the former reader's trend says why its values stop; the reply to its last poll,
// read after the change, keeps to its own time.
TEST_F(Views, TheTrendsGapSaysAnotherAddressWasPolled) {
    for (int i = 0; i < 2; ++i) receive(liveReply("FF"));  // the identification, then a reading
    QTest::qWait(3);  // the change a moment after reader 5's poll was written (not in the same millisecond)
    chooseAddress(QStringLiteral("7"));
    receive(liveReply("FF"));  // reader 5's poll written before the change answers
    runTick();                 // 7 is asked who it is, and says nothing
    const auto& series = window->findChild<TrendWindow*>()->series();
    const auto gaps = series.gaps(5);
    ASSERT_EQ(gaps.size(), 1u);
    EXPECT_EQ(gaps[0].reason, TrendGap::OtherAddress);
    EXPECT_FALSE(gaps[0].to) << "until reader 5's values come again";
    EXPECT_TRUE(std::none_of(series.samples().begin(), series.samples().end(),
                             [](const TrendSeries::Sample& x) { return x.address == 0; }))
        << "the first address chosen leaves no gap for an address never shown";
}
