// Reader commands on the real window over an in-memory port: the requests each button leaves pending,
// what goes on the wire, the trace texts, and every refusal with what it leaves pending.
#include <QCheckBox>
#include <QRadioButton>

#include "window_harness.h"

using namespace kestrel;
using namespace kestrel::test;

namespace {

const QString kNoAddress = QStringLiteral("Установите существующий сетевой адрес");
const QByteArray kEarlier = hex("31 05 FA 30");  // some request another control left pending

class ReaderCommands : public WindowOnFakePort {
protected:
    void SetUp() override {
        openPort();
        useAddress(QStringLiteral("5"));
    }
    // Selects the address and lets its identification go out, so the next tick writes what is pending.
    void useAddress(const QString& address) {
        chooseAddress(address);
        runTick();
        port.clearWritten();
        state().wrs.clear();
        dialogs.clear();
    }
    void selectNoAddress() { ctl<QComboBox>(QStringLiteral("CmbNet"))->setCurrentIndex(-1); }
    void markTraces() {
        ctl<TraceBox>(QStringLiteral("txtRec"))->setTraceText(QStringLiteral("before"));
        ctl<TraceBox>(QStringLiteral("CmdBoxText"))->setTraceText(QStringLiteral("before"));
    }
    // The repeater option stays greyed on every device, so it can only be selected programmatically
    // (as a reported mode selects it); the others are clicked.
    void clickOption(const char* name) {
        auto* option = ctl<QRadioButton>(QString::fromLatin1(name));
        if (option->isEnabled()) option->click();
        else option->setChecked(true);
        ASSERT_TRUE(option->isChecked()) << name;
    }
    void clickCheck(const char* name) { ctl<QCheckBox>(QString::fromLatin1(name))->click(); }
    // Uses the address (none listed when null) with both traces marked and an earlier request pending.
    void startWithEarlierRequest(const char* address) {
        useAddress(QString::fromLatin1(address ? address : "5"));
        if (!address) selectNoAddress();
        markTraces();
        state().wrs = kEarlier;
    }
    // Answers the dialog of `button` with `answer` (null: cancels it).
    void answerDialog(const char* button, const char* answer) {
        dialogs.inputs.clear();
        if (answer) dialogs.inputs = {QString::fromUtf8(answer)};
        click(QString::fromLatin1(button));
    }
    // The next tick writes exactly `bytes`, in one piece.
    void expectOneWrite(const QByteArray& bytes) {
        port.clearWritten();
        runTick();
        ASSERT_EQ(port.pieces.size(), 1u);
        EXPECT_EQ(port.pieces[0], bytes);
    }
    void expectMessage(const QString& message) {
        EXPECT_EQ(dialogs.messageTexts(), message.isEmpty() ? QStringList() : QStringList{message});
    }
};

}  // namespace

// ---- network address -------------------------------------------------------------------------------

TEST_F(ReaderCommands, NetAppendsTheNewAddressFrameAndShowsTheWholePendingRequest) {
    dialogs.inputs = {QStringLiteral("7")};
    click(QStringLiteral("net"));
    EXPECT_EQ(dialogs.prompts,
              QStringList{QStringLiteral("Введите новый сетевой номер|Ввод сетевого номера|5")});
    EXPECT_EQ(state().wrs, hex("31 05 FB 07 CB"));
    EXPECT_EQ(text(QStringLiteral("txtRec")), QString::fromUtf8("31 5 FB 7 CB \r\n\r\n1@\u00FB@\u00CB"));
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(tickWritten(), hex("31 05 FB 07 CB"));
}

TEST_F(ReaderCommands, NetKeepsAnEarlierPendingRequestInFrontAndBothGoInOneWrite) {
    state().wrs = kEarlier;
    dialogs.inputs = {QStringLiteral("200")};
    click(QStringLiteral("net"));
    EXPECT_EQ(state().wrs, hex("31 05 FA 30 31 05 FB C8 40"));
    EXPECT_TRUE(text(QStringLiteral("txtRec")).startsWith(QStringLiteral("31 5 FA 30 31 5 FB C8 40 \r\n\r\n")));
    expectOneWrite(hex("31 05 FA 30 31 05 FB C8 40"));
}

TEST_F(ReaderCommands, NetRefusalsLeaveThePendingRequest) {
    const QString range = QStringLiteral("Введите число в диапазоне 0....200");
    struct Case {
        const char* behaviour;
        const char* address;  // nullptr: none listed; the default answer is then empty
        const char* answer;   // nullptr: the dialog is cancelled
        QString message;      // empty: no message
    } cases[] = {
        {"cancel changes nothing", "5", nullptr, {}},
        {"OK on an empty field changes nothing", "5", "", {}},
        {"no listed address is refused", nullptr, "7", kNoAddress},
        {"no listed address and cancel asks nothing more", nullptr, nullptr, {}},
        {"201 is out of range", "5", "201", range},
        {"300 does not fit a byte", "5", "300", range},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.behaviour);
        startWithEarlierRequest(c.address);
        answerDialog("net", c.answer);
        EXPECT_EQ(dialogs.prompts, QStringList{QStringLiteral("Введите новый сетевой номер|Ввод сетевого номера|") +
                                               QString::fromLatin1(c.address)});
        expectMessage(c.message);
        EXPECT_EQ(state().wrs, kEarlier);
        EXPECT_EQ(text(QStringLiteral("txtRec")), QStringLiteral("before"));
    }
}

// ---- serial number ---------------------------------------------------------------------------------

TEST_F(ReaderCommands, Command1SetsTheSerialFrameMostSignificantFirst) {
    state().wrs = kEarlier;
    dialogs.inputs = {QStringLiteral("2000000")};
    click(QStringLiteral("Command1"));
    EXPECT_EQ(dialogs.prompts, QStringList{QStringLiteral("Введите серийный номер|Ввод серийного номера|0")});
    EXPECT_EQ(state().wrs, hex("31 05 F6 00 1E 84 80 DE"));
    EXPECT_EQ(text(QStringLiteral("txtRec")),
              QString::fromUtf8("31 5 F6 0 1E 84 80 DE \r\n\r\n1@\u00F6@@\u0084\u0080\u00DE"));
    EXPECT_EQ(tickWritten(), hex("31 05 F6 00 1E 84 80 DE"));
}

TEST_F(ReaderCommands, Command1EmptiesThePendingRequestFirstWhateverFollows) {
    const QString range = QStringLiteral("Введите число в диапазоне 0....2 000 000");
    const QString before = QStringLiteral("before");
    struct Case {
        const char* behaviour;
        const char* address;  // nullptr: none listed
        const char* answer;
        QString message;
        QString trace;  // txtRec afterwards
    } cases[] = {
        {"cancel still discards the earlier request", "5", nullptr, {}, before},
        {"no listed address shows an empty dump", nullptr, "12", kNoAddress, QStringLiteral("\r\n\r\n")},
        {"2000001 is refused", "5", "2000001", range, before},
        {"-1 is refused", "5", "-1", range, before},
        {"abc is refused", "5", "abc", range, before},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.behaviour);
        startWithEarlierRequest(c.address);
        answerDialog("Command1", c.answer);
        expectMessage(c.message);
        EXPECT_TRUE(state().wrs.isEmpty());
        EXPECT_EQ(text(QStringLiteral("txtRec")), c.trace);
    }
}

// ---- calibration -----------------------------------------------------------------------------------

TEST_F(ReaderCommands, CalibrationAsksAndYesReplacesThePendingRequest) {
    struct Case {
        const char* button;
        QString question;
        QByteArray request;
    } cases[] = {
        {"hig",
         QStringLiteral("Сейчас будет произведена перекалибровка верхнего уровня. Вы уверены что это нужно?"),
         hex("31 01 F5 FA")},
        {"low",
         QStringLiteral("Сейчас будет произведена перекалибровка нижнего уровня. Вы уверены что это нужно?"),
         hex("31 01 FA BB")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        startWithEarlierRequest("1");
        dialogs.yesNo = {false};
        click(QString::fromLatin1(c.button));
        EXPECT_EQ(dialogs.questions, QStringList{c.question});
        EXPECT_EQ(state().wrs, kEarlier) << "No leaves the pending request";

        dialogs.clear();
        dialogs.yesNo = {true};
        click(QString::fromLatin1(c.button));
        EXPECT_EQ(dialogs.questions, QStringList{c.question});
        EXPECT_EQ(state().wrs, c.request) << "Yes replaces it";
        EXPECT_TRUE(dialogs.messages.empty());
        EXPECT_EQ(text(QStringLiteral("txtRec")), QStringLiteral("before"));
        EXPECT_EQ(text(QStringLiteral("CmdBoxText")), QStringLiteral("before"));
        EXPECT_EQ(tickWritten(), c.request);
    }
}

TEST_F(ReaderCommands, CalibrationWithoutAListedAddressDoesNothingAtAll) {
    for (const char* button : {"hig", "low"}) {
        SCOPED_TRACE(button);
        selectNoAddress();
        state().wrs.clear();
        dialogs.yesNo = {true};
        click(QString::fromLatin1(button));
        EXPECT_TRUE(dialogs.questions.isEmpty());
        EXPECT_TRUE(dialogs.messages.empty());
        EXPECT_TRUE(state().wrs.isEmpty());
        EXPECT_TRUE(tickWritten().isEmpty());
    }
}

// ---- mode ------------------------------------------------------------------------------------------

TEST_F(ReaderCommands, SetModeBuildsTheModeByteFromTheControls) {
    struct Case {
        const char* behaviour;
        const char* address;
        std::vector<const char*> clicks;  // options (R_*) and check boxes, in order
        QByteArray request;
    } cases[] = {
        {"bridge with master and frequency output", "1", {"R485", "iinv", "usredn"}, hex("31 01 F2 C0 AE")},
        {"reader on address 0", "0", {"R485", "iinv", "R_a"}, hex("31 00 F2 02 73")},
        {"another option clears master", "1", {"R485", "iinv", "R_p"}, hex("31 01 F2 06 B9")},
        {"powered tag", "1", {"R_p485"}, hex("31 01 F2 10 F9")},
        {"bridge with frequency output only", "1", {"R485", "usredn"}, hex("31 01 F2 40 22")},
        {"bridge with master only", "1", {"R485", "iinv"}, hex("31 01 F2 80 E8")},
        {"bridge alone", "5", {"R485"}, hex("31 05 F2 00 FA")},
        {"reader indicator", "5", {"R_f"}, hex("31 05 F2 01 A4")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.behaviour);
        useAddress(QString::fromLatin1(c.address));
        clickOption("R_a");  // a clean start: no check box left over from the case before
        for (const char* name : c.clicks) {
            if (name[0] == 'R') clickOption(name);
            else clickCheck(name);
        }
        state().mode_yes = 0;
        click(QStringLiteral("Set_mode"));
        EXPECT_EQ(state().wrs, c.request);
        EXPECT_EQ(state().mode_yes, 2);
        EXPECT_TRUE(dialogs.messages.empty());
        EXPECT_EQ(tickWritten(), c.request);
    }
}

TEST_F(ReaderCommands, SetModeAppendsAndShowsTheWholePendingRequest) {
    useAddress(QStringLiteral("1"));
    clickOption("R_p");
    click(QStringLiteral("Set_mode"));
    EXPECT_EQ(text(QStringLiteral("txtRec")), QString::fromUtf8("31 1 F2 6 B9 \r\n\r\n1@\u00F2@\u00B9"));
    click(QStringLiteral("Set_mode"));
    EXPECT_EQ(state().wrs, hex("31 01 F2 06 B9 31 01 F2 06 B9"));
    EXPECT_TRUE(text(QStringLiteral("txtRec")).startsWith(QStringLiteral("31 1 F2 6 B9 31 1 F2 6 B9 \r\n\r\n")));
    expectOneWrite(hex("31 01 F2 06 B9 31 01 F2 06 B9"));
}

TEST_F(ReaderCommands, SetModeWithoutAListedAddressIsSilent) {
    selectNoAddress();
    markTraces();
    state().mode_yes = 0;
    click(QStringLiteral("Set_mode"));
    EXPECT_TRUE(state().wrs.isEmpty());
    EXPECT_EQ(state().mode_yes, 0);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(text(QStringLiteral("txtRec")), QStringLiteral("before"));
    EXPECT_TRUE(tickWritten().isEmpty());
}

// ---- radio parameters ------------------------------------------------------------------------------

TEST_F(ReaderCommands, ParamReplacesThePendingRequestAndShowsItWithBlanks) {
    startWithEarlierRequest("1");
    setText(QStringLiteral("num_net"), QStringLiteral("1"));
    setText(QStringLiteral("n_kan"), QStringLiteral("5"));
    setText(QStringLiteral("ppow"), QStringLiteral("10"));
    click(QStringLiteral("param"));
    EXPECT_EQ(state().wrs, hex("31 01 F4 00 01 05 0A 8D"));
    EXPECT_EQ(text(QStringLiteral("CmdBoxText")), QStringLiteral("31 1 F4 0 1 5 A 8D "));
    EXPECT_EQ(text(QStringLiteral("txtRec")), QStringLiteral("before"));
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(tickWritten(), hex("31 01 F4 00 01 05 0A 8D"));
}

TEST_F(ReaderCommands, ParamRangesAreCheckedBoxByBox) {
    struct Case {
        const char* behaviour;
        const char* net;
        const char* channel;
        const char* power;
        QByteArray request;  // empty: refused with "error"
    } cases[] = {
        {"highest network number", "65000", "5", "10", hex("31 01 F4 FD E8 05 0A 28")},
        {"network number past the top", "65001", "5", "10", {}},
        {"network number 0", "0", "5", "10", {}},
        {"lowest values", "1", "1", "3", hex("31 01 F4 00 01 01 03 2A")},
        {"highest values", "65000", "255", "255", hex("31 01 F4 FD E8 FF FF 1D")},
        {"channel 0", "1", "0", "10", {}},
        {"channel 256", "1", "256", "10", {}},
        {"power 2", "1", "5", "2", {}},
        {"power 256", "1", "5", "256", {}},
        {"channel not a number", "1", "five", "10", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.behaviour);
        startWithEarlierRequest("1");
        setText(QStringLiteral("num_net"), QString::fromLatin1(c.net));
        setText(QStringLiteral("n_kan"), QString::fromLatin1(c.channel));
        setText(QStringLiteral("ppow"), QString::fromLatin1(c.power));
        click(QStringLiteral("param"));
        EXPECT_EQ(state().wrs, c.request);
        EXPECT_EQ(dialogs.messageTexts(),
                  c.request.isEmpty() ? QStringList{QStringLiteral("error")} : QStringList());
        const QByteArray written = tickWritten();
        if (c.request.isEmpty()) EXPECT_EQ(written, hex("31 01 F0 C5")) << "only the idle poll goes out";
        else EXPECT_EQ(written, c.request);
    }
}

TEST_F(ReaderCommands, ParamWithoutAListedAddressIsRefusedAndSendsNothing) {
    selectNoAddress();
    state().wrs = kEarlier;
    setText(QStringLiteral("num_net"), QStringLiteral("1"));
    setText(QStringLiteral("n_kan"), QStringLiteral("5"));
    setText(QStringLiteral("ppow"), QStringLiteral("10"));
    click(QStringLiteral("param"));
    EXPECT_EQ(dialogs.messageTexts(), QStringList{kNoAddress});
    EXPECT_TRUE(state().wrs.isEmpty());
    EXPECT_TRUE(tickWritten().isEmpty());
}

// ---- bound IDs and reset delay ---------------------------------------------------------------------

TEST_F(ReaderCommands, PlainTableAndDelayRequestsReplaceThePendingRequestSilently) {
    struct Case {
        const char* button;
        QByteArray request;
    } cases[] = {
        {"ids_clr", hex("31 01 E9 C4")},
        {"ids_r", hex("31 01 E7 DB")},
        {"RD_DP", hex("31 01 F7 46")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        startWithEarlierRequest("1");
        click(QString::fromLatin1(c.button));
        EXPECT_EQ(state().wrs, c.request);
        EXPECT_TRUE(dialogs.messages.empty());
        EXPECT_EQ(text(QStringLiteral("txtRec")), QStringLiteral("before"));
        EXPECT_EQ(text(QStringLiteral("CmdBoxText")), QStringLiteral("before"));
        EXPECT_EQ(tickWritten(), c.request);
    }
}

TEST_F(ReaderCommands, TableAndDelayButtonsRefuseWithoutAListedAddress) {
    setText(QStringLiteral("plm"), QStringLiteral("1"));
    setText(QStringLiteral("iddm"), QStringLiteral("1A2B3C"));
    setText(QStringLiteral("Zad2"), QStringLiteral("500"));
    for (const char* button : {"ids_clr", "ids_r", "RD_DP", "Command3", "Command2"}) {
        SCOPED_TRACE(button);
        selectNoAddress();
        markTraces();
        state().wrs.clear();
        dialogs.clear();
        click(QString::fromLatin1(button));
        EXPECT_EQ(dialogs.messageTexts(), QStringList{kNoAddress});
        EXPECT_TRUE(state().wrs.isEmpty());
        EXPECT_EQ(text(QStringLiteral("txtRec")), QStringLiteral("before"));
        EXPECT_TRUE(tickWritten().isEmpty());
    }
}

TEST_F(ReaderCommands, Command3WritesOneCellAndShowsTheIdBytes) {
    struct Case {
        const char* behaviour;
        const char* cell;
        const char* id;
        QByteArray request;
        QString trace;
    } cases[] = {
        {"cell 1", "1", "1A2B3C", hex("31 01 E6 00 00 1A 2B 3C C6"), QStringLiteral("0 1A 2B 3C \r\n\r\n@@@<")},
        {"cell 10 is sent as 9", "10", "ffffffff", hex("31 01 E6 09 FF FF FF FF 67"),
         QString::fromUtf8("FF FF FF FF \r\n\r\n\u00FF\u00FF\u00FF\u00FF")},
        {"cell 10.4 rounds to 10", "10.4", "1A2B3C", hex("31 01 E6 09 00 1A 2B 3C 35"),
         QStringLiteral("0 1A 2B 3C \r\n\r\n@@@<")},
        {"an empty ID is four zero bytes", "1", "", hex("31 01 E6 00 00 00 00 00 19"),
         QStringLiteral("0 0 0 0 \r\n\r\n@@@@")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.behaviour);
        startWithEarlierRequest("1");
        setText(QStringLiteral("plm"), QString::fromLatin1(c.cell));
        setText(QStringLiteral("iddm"), QString::fromLatin1(c.id));
        click(QStringLiteral("Command3"));
        EXPECT_TRUE(dialogs.messages.empty());
        EXPECT_EQ(state().wrs, c.request);
        EXPECT_EQ(text(QStringLiteral("txtRec")), c.trace);
        EXPECT_EQ(tickWritten(), c.request);
    }
}

TEST_F(ReaderCommands, Command3RefusalsLeaveThePendingRequest) {
    const QString cellMsg = QStringLiteral("номер ячейки должен быть от 1 до10");
    const QString tooLong = QStringLiteral("Cлишком много символов Идентификатора");
    const QString notHex = QStringLiteral("В строке имеются символы не принадлежащие HEX");
    struct Case {
        const char* behaviour;
        const char* cell;
        const char* id;
        QString message;
    } cases[] = {
        {"cell 0", "0", "1A2B3C", cellMsg},
        {"cell 11", "11", "1A2B3C", cellMsg},
        {"cell 300", "300", "1A2B3C", cellMsg},
        {"cell not a number", "x", "1A2B3C", cellMsg},
        {"the cell is checked before the ID", "0", "123456789", cellMsg},
        {"nine ID digits", "1", "123456789", tooLong},
        {"length before characters", "1", "12G456789", tooLong},
        {"a letter past F", "1", "12G4", notHex},
        {"a hex prefix", "1", "0x10", notHex},
        {"a blank inside", "1", "12 4", notHex},
        {"a minus sign", "1", "-1", notHex},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.behaviour);
        startWithEarlierRequest("1");
        setText(QStringLiteral("plm"), QString::fromLatin1(c.cell));
        setText(QStringLiteral("iddm"), QString::fromLatin1(c.id));
        click(QStringLiteral("Command3"));
        EXPECT_EQ(dialogs.messageTexts(), QStringList{c.message});
        EXPECT_EQ(state().wrs, kEarlier);
        EXPECT_EQ(text(QStringLiteral("txtRec")), QStringLiteral("before")) << "nothing shown for a refused ID";
    }
}

TEST_F(ReaderCommands, Command2SendsTheDelayHighByteFirst) {
    struct Case {
        const char* delay;
        QByteArray request;
        QString shown;
    } cases[] = {
        {"500", hex("31 01 F1 01 F4 31"), QStringLiteral("31 1 F1 1 F4 31 ")},
        {"6000", hex("31 01 F1 17 70 9A"), QStringLiteral("31 1 F1 17 70 9A ")},
        {"0", hex("31 01 F1 00 00 E0"), QStringLiteral("31 1 F1 0 0 E0 ")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.delay);
        startWithEarlierRequest("1");
        setText(QStringLiteral("Zad2"), QString::fromLatin1(c.delay));
        click(QStringLiteral("Command2"));
        EXPECT_TRUE(dialogs.messages.empty());
        EXPECT_EQ(state().wrs, c.request);
        EXPECT_EQ(text(QStringLiteral("CmdBoxText")), c.shown);
        EXPECT_EQ(tickWritten(), c.request);
    }
}

TEST_F(ReaderCommands, Command2RefusalEmptiesThePendingRequest) {
    for (const char* delay : {"6001", "-1", "abc"}) {
        SCOPED_TRACE(delay);
        startWithEarlierRequest("1");
        setText(QStringLiteral("Zad2"), QString::fromLatin1(delay));
        click(QStringLiteral("Command2"));
        EXPECT_EQ(dialogs.messageTexts(), QStringList{QStringLiteral("error")});
        EXPECT_TRUE(state().wrs.isEmpty());
        EXPECT_EQ(tickWritten(), hex("31 01 F0 C5"));
    }
}
