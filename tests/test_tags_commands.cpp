// Tag and bridge-slave commands on the real window over the in-memory port: the requests they leave
// pending (written out byte by byte) and every refusal, with its message and nothing left pending.
#include "input_cases.h"
#include "test_tags_fixture.h"

using namespace kestrel;
using namespace kestrel::test;

namespace {

const QString kNoAddress = QStringLiteral("Установите существующий сетевой адрес");
const QString kModeRange = QStringLiteral("Установите номер режима в диапазоне 1...9");
const QString kWrongData = QStringLiteral("Введены ошибочные данные");
const QString kNotDecimal = QStringLiteral("Идентификатор не является десятичным числом");
const QString kPowerRange = QStringLiteral("Установите значение мощности в диапазоне -125 ... 125 дбм");
const QString kPeriodZero = QStringLiteral("Значение периода не может быть нулевым");
const QString kTooManyId = QStringLiteral("Cлишком много символов Идентификатора");
const QString kNotHex = QStringLiteral("В строке имеются символы не принадлежащие HEX");
const QString kNumberRange = QStringLiteral("Введите число в диапазоне 0....2 000 000");

// The frame of the fixture written as a parameter write: serial 1001, identifier 00 12 34 56, delay 100,
// mode 1, power -10, period 60.
const char* const kBaseWrite = "31 05 E1 0E 00 00 03 E9 00 12 34 56 00 64 01 F6 00 3C 30";

using Commands = TagTab;

// ---------------------------------------------------------------- tag search button

TEST_F(Commands, SearchButtonReplacesThePendingRequestWithTheAnyTagQuery) {
    leaveSomethingPending();
    click(QStringLiteral("Find_metki"));
    EXPECT_EQ(state().wrs, hex("31 05 E0 7A 7A 7A 7A F9"));
    EXPECT_EQ(text(QStringLiteral("CmdBoxText")), QStringLiteral("31_5_E0_7A_7A_7A_7A_F9_"));
    EXPECT_EQ(tickWritten(), hex("31 05 E0 7A 7A 7A 7A F9"));
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(Commands, SearchButtonWithoutUsableAddressLeavesNothingPendingAndSaysNothing) {
    leaveSomethingPending();
    chooseUnusableAddress();
    click(QStringLiteral("Find_metki"));
    EXPECT_TRUE(state().wrs.isEmpty());
    EXPECT_TRUE(dialogs.messages.empty());
}

// ---------------------------------------------------------------- parameter read button

TEST_F(Commands, ReadButtonAsksForTheCurrentTagByItsWholeUnsignedIdentifier) {
    struct Case {
        const char* behaviour;
        const char* outId;
        const char* request;
    } cases[] = {
        {"seven-digit identifier gets its leading zero byte", "0123456", "31 05 E3 00 12 34 56 43"},
        {"six digits", "123456", "31 05 E3 00 12 34 56 43"},
        {"lower-case letters", "abcdef", "31 05 E3 00 AB CD EF F4"},
        {"top bit set is asked for, not dropped", "80000000", "31 05 E3 80 00 00 00 8F"},
        {"largest identifier", "FFFFFFFF", "31 05 E3 FF FF FF FF DB"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.behaviour);
        leaveSomethingPending();
        state().TagParamsPending = 0;
        showId(c.outId);
        click(QStringLiteral("ReadParamMetki"));
        EXPECT_EQ(state().wrs, hex(c.request));
        EXPECT_EQ(state().TagParamsPending, 1);
        EXPECT_TRUE(dialogs.messages.empty());
    }
}

TEST_F(Commands, ReadButtonRefusals) {
    struct Case {
        const char* behaviour;
        const char* outId;
        QString message;
    } cases[] = {
        {"nine characters", "123456789", kTooManyId},
        {"not hexadecimal", "12G4", kNotHex},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.behaviour);
        dialogs.clear();
        leaveSomethingPending();
        state().TagParamsPending = 0;
        showId(c.outId);
        click(QStringLiteral("ReadParamMetki"));
        EXPECT_EQ(dialogs.messageTexts(), QStringList{c.message});
        EXPECT_EQ(state().wrs, hex("31 05 F0 FE")) << "the pending request stays as it was";
        EXPECT_EQ(state().TagParamsPending, 0);
    }
}

TEST_F(Commands, ReadButtonWithoutUsableAddressLeavesTheFlagAlone) {
    chooseUnusableAddress();
    leaveSomethingPending();
    state().TagParamsPending = 0;
    click(QStringLiteral("ReadParamMetki"));
    EXPECT_TRUE(state().wrs.isEmpty());
    EXPECT_EQ(state().TagParamsPending, 0);
    EXPECT_TRUE(dialogs.messages.empty());
}

// ---------------------------------------------------------------- parameter write button

struct FieldCase {
    const char* field;
    Entry entry;
};

void PrintTo(const FieldCase& c, std::ostream* os) {
    *os << c.field << " = ";
    PrintTo(c.entry, os);
}

// One case per entry of the table, all typed into `field`.
std::vector<FieldCase> field(const char* name, const std::vector<Entries>& table) {
    std::vector<FieldCase> out;
    for (const Entry& e : entries(table)) out.push_back({name, e});
    return out;
}

class WriteField : public TagTab, public ::testing::WithParamInterface<FieldCase> {};

TEST_P(WriteField, AcceptsOrRefusesWithItsMessage) {
    const FieldCase& c = GetParam();
    if (QByteArray(c.field) == "ID_Metki decimal") {
        hexIds(false);
        setText(QStringLiteral("ID_Metki"), c.entry.input);
    } else if (QByteArray(c.field) == "SerNumMetki") {
        ctl<QLabel>(QStringLiteral("SerNumMetki"))->setText(c.entry.input);
    } else {
        setText(QString::fromLatin1(c.field), c.entry.input);
    }
    leaveSomethingPending();
    click(QStringLiteral("SetModesMetki"));
    if (c.entry.message.isEmpty()) {
        EXPECT_TRUE(dialogs.messages.empty()) << dialogs.messageTexts().join(QLatin1Char('|')).toStdString();
        EXPECT_EQ(state().wrs.toHex(' ').toUpper(), hex(c.entry.request).toHex(' ').toUpper());
        EXPECT_EQ(tickWritten(), hex(c.entry.request));
    } else {
        expectRefused(c.entry.message);
        EXPECT_TRUE(tickWritten().startsWith(hex("31 05 E0"))) << "only the idle search goes out";
    }
}

INSTANTIATE_TEST_SUITE_P(Mode, WriteField, ::testing::ValuesIn(field("ModeMetki", {
    {notUnsigned("   ") << "" << "0" << "10" << "10,4" << longText('7') << typed("пять"), kModeRange},
    {{" 1 ", "1,4"}, {}, kBaseWrite},
    {{"4"}, {}, "31 05 E1 0E 00 00 03 E9 00 12 34 56 00 64 04 F6 00 3C B1"},
    {{"9"}, {}, "31 05 E1 0E 00 00 03 E9 00 12 34 56 00 64 09 F6 00 3C 2C"}})));

// 70000 is refused, never cut to 16 bits.
INSTANTIATE_TEST_SUITE_P(Delay, WriteField, ::testing::ValuesIn(field("IntervalMetki", {
    {notUnsigned("   ") << "" << "65536" << "70000" << longText('7') << typed("сто"), kWrongData},
    {{"0"}, {}, "31 05 E1 0E 00 00 03 E9 00 12 34 56 00 00 01 F6 00 3C 3E"},
    {{"65535"}, {}, "31 05 E1 0E 00 00 03 E9 00 12 34 56 FF FF 01 F6 00 3C A1"},
    {{"10,4"}, {}, "31 05 E1 0E 00 00 03 E9 00 12 34 56 00 0A 01 F6 00 3C 83"}})));

INSTANTIATE_TEST_SUITE_P(Power, WriteField, ::testing::ValuesIn(field("PowerMetki", {
    {notDecimal("   ") << "" << longText('7') << "2147483648" << typed("минус"), kWrongData},
    {{"-126", "126", "2147483647"}, kPowerRange},
    {{"-125"}, {}, "31 05 E1 0E 00 00 03 E9 00 12 34 56 00 64 01 83 00 3C EA"},
    {{"125"}, {}, "31 05 E1 0E 00 00 03 E9 00 12 34 56 00 64 01 7D 00 3C 93"},
    {{"-1"}, {}, "31 05 E1 0E 00 00 03 E9 00 12 34 56 00 64 01 FF 00 3C BE"},
    {{"0"}, {}, "31 05 E1 0E 00 00 03 E9 00 12 34 56 00 64 01 00 00 3C 6C"},
    {{"10,4"}, {}, "31 05 E1 0E 00 00 03 E9 00 12 34 56 00 64 01 0A 00 3C 06"}})));

INSTANTIATE_TEST_SUITE_P(Period, WriteField, ::testing::ValuesIn(field("sleep_time", {
    {notUnsigned("   ") << "" << "32768" << longText('7') << typed("час"), kWrongData},
    {{"0", "0,4"}, kPeriodZero},
    {{"1"}, {}, "31 05 E1 0E 00 00 03 E9 00 12 34 56 00 64 01 F6 00 01 73"},
    {{"32767"}, {}, "31 05 E1 0E 00 00 03 E9 00 12 34 56 00 64 01 F6 7F FF B6"},
    {{"10,4"}, {}, "31 05 E1 0E 00 00 03 E9 00 12 34 56 00 64 01 F6 00 0A 53"}})));

INSTANTIATE_TEST_SUITE_P(HexIdentifier, WriteField, ::testing::ValuesIn(field("ID_Metki", {
    {{"   ", "xyz", "0x10", "-1", "10,4", typed("ДА")}, kNotHex},
    {{"123456789", longText('7')}, kTooManyId},
    {{""}, {}, "31 05 E1 0E 00 00 03 E9 00 00 00 00 00 64 01 F6 00 3C 80"},
    {{"1e3"}, {}, "31 05 E1 0E 00 00 03 E9 00 00 01 E3 00 64 01 F6 00 3C 3B"},
    {{"FFFFFFFF"}, {}, "31 05 E1 0E 00 00 03 E9 FF FF FF FF 00 64 01 F6 00 3C 20"},
    {{"123456"}, {}, kBaseWrite}})));

// Identifiers are 32-bit unsigned: the upper half of the range is accepted.
INSTANTIATE_TEST_SUITE_P(DecimalIdentifier, WriteField, ::testing::ValuesIn(field("ID_Metki decimal", {
    {notDecimal("   ") << "" << typed("десять"), kNotDecimal},
    {{"-1", "4294967296", longText('7')}, kWrongData},
    {{"0"}, {}, "31 05 E1 0E 00 00 03 E9 00 00 00 00 00 64 01 F6 00 3C 80"},
    {{" 10,4 "}, {}, "31 05 E1 0E 00 00 03 E9 00 00 00 0A 00 64 01 F6 00 3C 0B"},
    {{"2147483648"}, {}, "31 05 E1 0E 00 00 03 E9 80 00 00 00 00 64 01 F6 00 3C D2"},
    {{"4294967295"}, {}, "31 05 E1 0E 00 00 03 E9 FF FF FF FF 00 64 01 F6 00 3C 20"}})));

// The serial comes from the current tag's caption; the full unsigned range a search can show.
INSTANTIATE_TEST_SUITE_P(Serial, WriteField, ::testing::ValuesIn(field("SerNumMetki", {
    {{"4294967295"}, {}, "31 05 E1 0E FF FF FF FF 00 12 34 56 00 64 01 F6 00 3C 01"}})));

TEST_F(Commands, WriteChecksComeInTheUsersOrder) {
    struct Case {
        const char* behaviour;
        const char* field;
        const char* value;
        const char* field2;
        const char* value2;
        QString message;
    } cases[] = {
        {"mode before address", "ModeMetki", "0", "address", "", kModeRange},
        {"address before numbers", "IntervalMetki", "abc", "address", "", kNoAddress},
        {"numbers before identifier", "IntervalMetki", "abc", "ID_Metki", "xyz", kWrongData},
        {"power that is no number before identifier", "PowerMetki", "abc", "ID_Metki", "xyz", kWrongData},
        {"identifier before delay range", "IntervalMetki", "70000", "ID_Metki", "xyz", kNotHex},
        {"delay range before power range", "IntervalMetki", "-1", "PowerMetki", "200", kWrongData},
        {"power range before period", "PowerMetki", "200", "sleep_time", "0", kPowerRange},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.behaviour);
        setFrame();
        chooseAddress(QStringLiteral("5"));
        dialogs.clear();
        setText(QString::fromLatin1(c.field), QString::fromLatin1(c.value));
        if (QByteArray(c.field2) == "address")
            chooseUnusableAddress();
        else
            setText(QString::fromLatin1(c.field2), QString::fromLatin1(c.value2));
        leaveSomethingPending();
        click(QStringLiteral("SetModesMetki"));
        expectRefused(c.message);
    }
}

TEST_F(Commands, WriteShowsItsRequestInTheRequestBox) {
    click(QStringLiteral("SetModesMetki"));
    EXPECT_EQ(text(QStringLiteral("CmdBoxText")), QStringLiteral("31 5 E1 E 0 0 3 E9 0 12 34 56 0 64 1 F6 0 3C 30 "));
}

TEST_F(Commands, RefusedWriteShowsNothingInTheRequestBox) {
    ctl<TraceBox>(QStringLiteral("CmdBoxText"))->setTraceText(QStringLiteral("before"));
    chooseUnusableAddress();
    click(QStringLiteral("SetModesMetki"));
    EXPECT_EQ(text(QStringLiteral("CmdBoxText")), QStringLiteral("before"));
}

// ---------------------------------------------------------------- new serial number

// Both number dialogs: an empty answer is a cancel; these answers are refused with the same message.
std::vector<Entries> dialogAnswers(std::vector<Entries> accepted) {
    accepted.insert(accepted.begin(), {{{""}, {}}, {notUnsigned("   ") << "2000001" << longText('7') << typed("сорок"), kNumberRange}});
    return accepted;
}

class NumberDialog : public TagTab, public ::testing::WithParamInterface<Entry> {
protected:
    // Answers the dialog of `button` with the case's entry, then checks the prompt, the message, what is
    // left pending and the request shown (its start) or the trace left as it was.
    void answerWith(const char* button, const QString& prompt, const QString& shownStart) {
        const Entry& c = GetParam();
        leaveSomethingPending();
        markTrace();
        dialogs.inputs.push_back(c.input);
        click(QString::fromLatin1(button));
        EXPECT_EQ(dialogs.prompts, QStringList{prompt});
        if (c.request) {
            EXPECT_TRUE(dialogs.messages.empty());
            EXPECT_EQ(state().wrs, hex(c.request));
            EXPECT_TRUE(text(QStringLiteral("txtRec")).startsWith(shownStart));
        } else {
            EXPECT_EQ(dialogs.messageTexts(), c.message.isEmpty() ? QStringList{} : QStringList{c.message});
            EXPECT_TRUE(state().wrs.isEmpty());
            EXPECT_EQ(text(QStringLiteral("txtRec")), QStringLiteral("before"));
        }
    }
};

// ---------------------------------------------------------------- new serial number

class SerialDialog : public NumberDialog {};

TEST_P(SerialDialog, AnswerIsSentOrRefused) {
    answerWith("InstSN", QStringLiteral("Введите серийный номер метки|Ввод серийного номера метки|0"),
               QStringLiteral("31 5 E2 0 12 34 56 "));
}

INSTANTIATE_TEST_SUITE_P(Answers, SerialDialog, ::testing::ValuesIn(entries(dialogAnswers({
    {{"0"}, {}, "31 05 E2 00 12 34 56 00 00 00 00 CC"},
    {{"10,4"}, {}, "31 05 E2 00 12 34 56 00 00 00 0A B2"},
    {{"2000000"}, {}, "31 05 E2 00 12 34 56 00 1E 84 80 EA"}}))));

TEST_F(Commands, SerialNumberTraceIsTheHexAndPrintableForm) {
    dialogs.inputs.push_back(QStringLiteral("2000000"));
    click(QStringLiteral("InstSN"));
    const QString trace = text(QStringLiteral("txtRec"));
    EXPECT_TRUE(trace.startsWith(QStringLiteral("31 5 E2 0 12 34 56 0 1E 84 80 EA \r\n\r\n1@"))) << trace.toStdString();
}

TEST_F(Commands, SerialNumberForTheCurrentTagIdentifier) {
    struct Case {
        const char* behaviour;
        const char* outId;
        const char* request;
    } cases[] = {
        {"no tag found yet: identifier 0", "0", "31 05 E2 00 00 00 00 00 1E 84 80 53"},
        {"seven characters get a leading zero byte", "1234567", "31 05 E2 01 23 45 67 00 1E 84 80 66"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.behaviour);
        showId(c.outId);
        dialogs.inputs.push_back(QStringLiteral("2000000"));
        click(QStringLiteral("InstSN"));
        EXPECT_EQ(state().wrs, hex(c.request));
    }
}

TEST_F(Commands, SerialNumberRefusalsBeforeTheNumberShowTheEmptyRequest) {
    struct Case {
        const char* behaviour;
        bool usableAddress;
        const char* outId;
        QString message;
    } cases[] = {
        {"no address", false, "123456", kNoAddress},
        {"identifier too long", true, "123456789", kTooManyId},
        {"identifier not hexadecimal", true, "12G4", kNotHex},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.behaviour);
        dialogs.clear();
        chooseAddress(QStringLiteral("5"));
        if (!c.usableAddress) chooseUnusableAddress();
        showId(c.outId);
        markTrace();
        leaveSomethingPending();
        dialogs.inputs.push_back(QStringLiteral("abc"));  // would be refused too, but later
        click(QStringLiteral("InstSN"));
        expectRefused(c.message);
        EXPECT_EQ(text(QStringLiteral("txtRec")), QStringLiteral("\r\n\r\n"));
    }
}

// ---------------------------------------------------------------- new identification number

class IdentDialog : public NumberDialog {};

TEST_P(IdentDialog, AnswerIsWrittenAsTheNewIdentifierOrRefused) {
    answerWith("Set_ident", QStringLiteral("Введите ID номер метки|Ввод ID номера метки|0"),
               QStringLiteral("31 5 E1 E 0 0 3 E9 "));
}

INSTANTIATE_TEST_SUITE_P(Answers, IdentDialog, ::testing::ValuesIn(entries(dialogAnswers({
    {{"0"}, {}, "31 05 E1 0E 00 00 03 E9 00 00 00 00 00 64 01 F6 00 3C 80"},
    {{"10,4"}, {}, "31 05 E1 0E 00 00 03 E9 00 00 00 0A 00 64 01 F6 00 3C 0B"},
    {{"2000000"}, {}, "31 05 E1 0E 00 00 03 E9 00 1E 84 80 00 64 01 F6 00 3C 84"}}))));

TEST_F(Commands, IdentificationIgnoresTheIdentifierBoxButNotTheOtherBoxes) {
    struct Case {
        const char* behaviour;
        const char* field;
        const char* value;
        QString message;
    } cases[] = {
        {"identifier box is not read", "ID_Metki", "not hex at all", {}},
        {"mode box checked", "ModeMetki", "0", kModeRange},
        {"delay box checked", "IntervalMetki", "70000", kWrongData},
        {"power box checked", "PowerMetki", "-126", kPowerRange},
        {"period box checked", "sleep_time", "0", kPeriodZero},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.behaviour);
        setFrame();
        dialogs.clear();
        setText(QString::fromLatin1(c.field), QString::fromLatin1(c.value));
        leaveSomethingPending();
        dialogs.inputs.push_back(QStringLiteral("2000000"));
        click(QStringLiteral("Set_ident"));
        if (c.message.isEmpty()) {
            EXPECT_TRUE(dialogs.messages.empty());
            EXPECT_EQ(state().wrs, hex("31 05 E1 0E 00 00 03 E9 00 1E 84 80 00 64 01 F6 00 3C 84"));
        } else {
            expectRefused(c.message);
        }
    }
}

TEST_F(Commands, IdentificationWithoutAddressIsRefusedBeforeTheNumber) {
    chooseUnusableAddress();
    leaveSomethingPending();
    dialogs.inputs.push_back(QStringLiteral("abc"));
    click(QStringLiteral("Set_ident"));
    expectRefused(kNoAddress);
}

// ---------------------------------------------------------------- bridge slave buttons

TEST_F(Commands, SlaveButtonsReplaceThePendingRequest) {
    struct Case {
        const char* button;
        const char* request;
    } cases[] = {{"zapr_data_sl", "31 05 E8 A1"}, {"sl_zapros", "31 05 06 57"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        leaveSomethingPending();
        click(QString::fromLatin1(c.button));
        EXPECT_EQ(state().wrs, hex(c.request));
        EXPECT_EQ(tickWritten(), hex(c.request));
        EXPECT_TRUE(dialogs.messages.empty());
    }
}

TEST_F(Commands, SlaveButtonsWithoutAddressAreRefused) {
    for (const char* button : {"zapr_data_sl", "sl_zapros"}) {
        SCOPED_TRACE(button);
        dialogs.clear();
        chooseUnusableAddress();
        leaveSomethingPending();
        click(QString::fromLatin1(button));
        expectRefused(kNoAddress);
    }
}

TEST_F(Commands, SlaveButtonKeepsTheBridgeAlternationGoing) {
    selectTab(2);
    EXPECT_EQ(tickWritten(), hex("31 05 E8 A1"));
    click(QStringLiteral("zapr_data_sl"));
    EXPECT_EQ(tickWritten(), hex("31 05 E8 A1"));
    EXPECT_EQ(tickWritten(), hex("31 05 06 57"));
    EXPECT_EQ(tickWritten(), hex("31 05 E8 A1"));
}

}  // namespace
