// Tag and bridge-slave commands on the real window over the in-memory port: the requests they leave
// pending (written out byte by byte) and every refusal, with its message and nothing left pending.
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
        ctl<QLabel>(QStringLiteral("outID"))->setText(QString::fromLatin1(c.outId));
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
        ctl<QLabel>(QStringLiteral("outID"))->setText(QString::fromLatin1(c.outId));
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
    QString input;
    QString message;      // empty: accepted
    const char* request;  // the expected write when accepted
};

void PrintTo(const FieldCase& c, std::ostream* os) { *os << c.field << " = \"" << c.input.left(20).toStdString() << '"'; }

class WriteField : public TagTab, public ::testing::WithParamInterface<FieldCase> {};

TEST_P(WriteField, AcceptsOrRefusesWithItsMessage) {
    const FieldCase& c = GetParam();
    if (QByteArray(c.field) == "ID_Metki decimal") {
        hexIds(false);
        setText(QStringLiteral("ID_Metki"), c.input);
    } else if (QByteArray(c.field) == "SerNumMetki") {
        ctl<QLabel>(QStringLiteral("SerNumMetki"))->setText(c.input);
    } else {
        setText(QString::fromLatin1(c.field), c.input);
    }
    leaveSomethingPending();
    click(QStringLiteral("SetModesMetki"));
    if (c.message.isEmpty()) {
        EXPECT_TRUE(dialogs.messages.empty()) << dialogs.messageTexts().join(QLatin1Char('|')).toStdString();
        EXPECT_EQ(state().wrs.toHex(' ').toUpper(), hex(c.request).toHex(' ').toUpper());
        EXPECT_EQ(tickWritten(), hex(c.request));
    } else {
        EXPECT_EQ(dialogs.messageTexts(), QStringList{c.message});
        EXPECT_TRUE(state().wrs.isEmpty());
        EXPECT_TRUE(tickWritten().startsWith(hex("31 05 E0"))) << "only the idle search goes out";
    }
}


INSTANTIATE_TEST_SUITE_P(Mode, WriteField, ::testing::Values(
    FieldCase{"ModeMetki", typed(""), kModeRange, nullptr},
    FieldCase{"ModeMetki", typed("   "), kModeRange, nullptr},
    FieldCase{"ModeMetki", typed("abc"), kModeRange, nullptr},
    FieldCase{"ModeMetki", typed("0x10"), kModeRange, nullptr},
    FieldCase{"ModeMetki", typed("1e3"), kModeRange, nullptr},
    FieldCase{"ModeMetki", typed("-1"), kModeRange, nullptr},
    FieldCase{"ModeMetki", typed("0"), kModeRange, nullptr},
    FieldCase{"ModeMetki", typed("10"), kModeRange, nullptr},
    FieldCase{"ModeMetki", typed("10,4"), kModeRange, nullptr},
    FieldCase{"ModeMetki", longText(), kModeRange, nullptr},
    FieldCase{"ModeMetki", typed("пять"), kModeRange, nullptr},
    FieldCase{"ModeMetki", typed(" 1 "), {}, kBaseWrite},
    FieldCase{"ModeMetki", typed("4"), {}, "31 05 E1 0E 00 00 03 E9 00 12 34 56 00 64 04 F6 00 3C B1"},
    FieldCase{"ModeMetki", typed("9"), {}, "31 05 E1 0E 00 00 03 E9 00 12 34 56 00 64 09 F6 00 3C 2C"},
    FieldCase{"ModeMetki", typed("1,4"), {}, kBaseWrite}));

INSTANTIATE_TEST_SUITE_P(Delay, WriteField, ::testing::Values(
    FieldCase{"IntervalMetki", typed(""), kWrongData, nullptr},
    FieldCase{"IntervalMetki", typed("   "), kWrongData, nullptr},
    FieldCase{"IntervalMetki", typed("abc"), kWrongData, nullptr},
    FieldCase{"IntervalMetki", typed("0x10"), kWrongData, nullptr},
    FieldCase{"IntervalMetki", typed("1e3"), kWrongData, nullptr},
    FieldCase{"IntervalMetki", typed("-1"), kWrongData, nullptr},
    FieldCase{"IntervalMetki", typed("65536"), kWrongData, nullptr},
    FieldCase{"IntervalMetki", typed("70000"), kWrongData, nullptr},  // refused, never cut to 16 bits
    FieldCase{"IntervalMetki", longText(), kWrongData, nullptr},
    FieldCase{"IntervalMetki", typed("сто"), kWrongData, nullptr},
    FieldCase{"IntervalMetki", typed("0"), {}, "31 05 E1 0E 00 00 03 E9 00 12 34 56 00 00 01 F6 00 3C 3E"},
    FieldCase{"IntervalMetki", typed("65535"), {}, "31 05 E1 0E 00 00 03 E9 00 12 34 56 FF FF 01 F6 00 3C A1"},
    FieldCase{"IntervalMetki", typed("10,4"), {}, "31 05 E1 0E 00 00 03 E9 00 12 34 56 00 0A 01 F6 00 3C 83"}));

INSTANTIATE_TEST_SUITE_P(Power, WriteField, ::testing::Values(
    FieldCase{"PowerMetki", typed(""), kWrongData, nullptr},
    FieldCase{"PowerMetki", typed("   "), kWrongData, nullptr},
    FieldCase{"PowerMetki", typed("abc"), kWrongData, nullptr},
    FieldCase{"PowerMetki", typed("0x10"), kWrongData, nullptr},
    FieldCase{"PowerMetki", typed("1e3"), kWrongData, nullptr},
    FieldCase{"PowerMetki", longText(), kWrongData, nullptr},
    FieldCase{"PowerMetki", typed("2147483648"), kWrongData, nullptr},
    FieldCase{"PowerMetki", typed("минус"), kWrongData, nullptr},
    FieldCase{"PowerMetki", typed("-126"), kPowerRange, nullptr},
    FieldCase{"PowerMetki", typed("126"), kPowerRange, nullptr},
    FieldCase{"PowerMetki", typed("2147483647"), kPowerRange, nullptr},
    FieldCase{"PowerMetki", typed("-125"), {}, "31 05 E1 0E 00 00 03 E9 00 12 34 56 00 64 01 83 00 3C EA"},
    FieldCase{"PowerMetki", typed("125"), {}, "31 05 E1 0E 00 00 03 E9 00 12 34 56 00 64 01 7D 00 3C 93"},
    FieldCase{"PowerMetki", typed("-1"), {}, "31 05 E1 0E 00 00 03 E9 00 12 34 56 00 64 01 FF 00 3C BE"},
    FieldCase{"PowerMetki", typed("0"), {}, "31 05 E1 0E 00 00 03 E9 00 12 34 56 00 64 01 00 00 3C 6C"},
    FieldCase{"PowerMetki", typed("10,4"), {}, "31 05 E1 0E 00 00 03 E9 00 12 34 56 00 64 01 0A 00 3C 06"}));

INSTANTIATE_TEST_SUITE_P(Period, WriteField, ::testing::Values(
    FieldCase{"sleep_time", typed(""), kWrongData, nullptr},
    FieldCase{"sleep_time", typed("   "), kWrongData, nullptr},
    FieldCase{"sleep_time", typed("abc"), kWrongData, nullptr},
    FieldCase{"sleep_time", typed("0x10"), kWrongData, nullptr},
    FieldCase{"sleep_time", typed("1e3"), kWrongData, nullptr},
    FieldCase{"sleep_time", typed("-1"), kWrongData, nullptr},
    FieldCase{"sleep_time", typed("32768"), kWrongData, nullptr},
    FieldCase{"sleep_time", longText(), kWrongData, nullptr},
    FieldCase{"sleep_time", typed("час"), kWrongData, nullptr},
    FieldCase{"sleep_time", typed("0"), kPeriodZero, nullptr},
    FieldCase{"sleep_time", typed("0,4"), kPeriodZero, nullptr},
    FieldCase{"sleep_time", typed("1"), {}, "31 05 E1 0E 00 00 03 E9 00 12 34 56 00 64 01 F6 00 01 73"},
    FieldCase{"sleep_time", typed("32767"), {}, "31 05 E1 0E 00 00 03 E9 00 12 34 56 00 64 01 F6 7F FF B6"},
    FieldCase{"sleep_time", typed("10,4"), {}, "31 05 E1 0E 00 00 03 E9 00 12 34 56 00 64 01 F6 00 0A 53"}));

INSTANTIATE_TEST_SUITE_P(HexIdentifier, WriteField, ::testing::Values(
    FieldCase{"ID_Metki", typed(""), {}, "31 05 E1 0E 00 00 03 E9 00 00 00 00 00 64 01 F6 00 3C 80"},
    FieldCase{"ID_Metki", typed("   "), kNotHex, nullptr},
    FieldCase{"ID_Metki", typed("xyz"), kNotHex, nullptr},
    FieldCase{"ID_Metki", typed("0x10"), kNotHex, nullptr},
    FieldCase{"ID_Metki", typed("-1"), kNotHex, nullptr},
    FieldCase{"ID_Metki", typed("10,4"), kNotHex, nullptr},
    FieldCase{"ID_Metki", typed("ДА"), kNotHex, nullptr},
    FieldCase{"ID_Metki", typed("123456789"), kTooManyId, nullptr},
    FieldCase{"ID_Metki", longText(), kTooManyId, nullptr},
    FieldCase{"ID_Metki", typed("1e3"), {}, "31 05 E1 0E 00 00 03 E9 00 00 01 E3 00 64 01 F6 00 3C 3B"},
    FieldCase{"ID_Metki", typed("FFFFFFFF"), {}, "31 05 E1 0E 00 00 03 E9 FF FF FF FF 00 64 01 F6 00 3C 20"},
    FieldCase{"ID_Metki", typed("123456"), {}, kBaseWrite}));

INSTANTIATE_TEST_SUITE_P(DecimalIdentifier, WriteField, ::testing::Values(
    FieldCase{"ID_Metki decimal", typed(""), kNotDecimal, nullptr},
    FieldCase{"ID_Metki decimal", typed("   "), kNotDecimal, nullptr},
    FieldCase{"ID_Metki decimal", typed("abc"), kNotDecimal, nullptr},
    FieldCase{"ID_Metki decimal", typed("0x10"), kNotDecimal, nullptr},
    FieldCase{"ID_Metki decimal", typed("1e3"), kNotDecimal, nullptr},
    FieldCase{"ID_Metki decimal", typed("десять"), kNotDecimal, nullptr},
    FieldCase{"ID_Metki decimal", typed("-1"), kWrongData, nullptr},
    FieldCase{"ID_Metki decimal", typed("4294967296"), kWrongData, nullptr},
    FieldCase{"ID_Metki decimal", longText(), kWrongData, nullptr},
    FieldCase{"ID_Metki decimal", typed("0"), {}, "31 05 E1 0E 00 00 03 E9 00 00 00 00 00 64 01 F6 00 3C 80"},
    FieldCase{"ID_Metki decimal", typed(" 10,4 "), {}, "31 05 E1 0E 00 00 03 E9 00 00 00 0A 00 64 01 F6 00 3C 0B"},
    // Identifiers are 32-bit unsigned: the upper half of the range is accepted.
    FieldCase{"ID_Metki decimal", typed("2147483648"), {}, "31 05 E1 0E 00 00 03 E9 80 00 00 00 00 64 01 F6 00 3C D2"},
    FieldCase{"ID_Metki decimal", typed("4294967295"), {}, "31 05 E1 0E 00 00 03 E9 FF FF FF FF 00 64 01 F6 00 3C 20"}));

INSTANTIATE_TEST_SUITE_P(Serial, WriteField, ::testing::Values(
    // The serial comes from the current tag's caption; the full unsigned range a search can show.
    FieldCase{"SerNumMetki", typed("4294967295"), {}, "31 05 E1 0E FF FF FF FF 00 12 34 56 00 64 01 F6 00 3C 01"}));

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
        EXPECT_EQ(dialogs.messageTexts(), QStringList{c.message});
        EXPECT_TRUE(state().wrs.isEmpty());
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

struct DialogCase {
    QString answer;
    QString message;      // empty: accepted (or cancelled when request is null too)
    const char* request;  // expected request; null with no message: cancelled
};

void PrintTo(const DialogCase& c, std::ostream* os) { *os << '"' << c.answer.left(20).toStdString() << '"'; }

class SerialDialog : public TagTab, public ::testing::WithParamInterface<DialogCase> {};

TEST_P(SerialDialog, AnswerIsSentOrRefused) {
    const DialogCase& c = GetParam();
    leaveSomethingPending();
    ctl<TraceBox>(QStringLiteral("txtRec"))->setTraceText(QStringLiteral("before"));
    dialogs.inputs.push_back(c.answer);
    click(QStringLiteral("InstSN"));
    EXPECT_EQ(dialogs.prompts, QStringList{QStringLiteral("Введите серийный номер метки|Ввод серийного номера метки|0")});
    if (c.request) {
        EXPECT_TRUE(dialogs.messages.empty());
        EXPECT_EQ(state().wrs, hex(c.request));
        EXPECT_TRUE(text(QStringLiteral("txtRec")).startsWith(QStringLiteral("31 5 E2 0 12 34 56 ")));
    } else {
        EXPECT_EQ(dialogs.messageTexts(), c.message.isEmpty() ? QStringList{} : QStringList{c.message});
        EXPECT_TRUE(state().wrs.isEmpty());
        EXPECT_EQ(text(QStringLiteral("txtRec")), QStringLiteral("before"));
    }
}

INSTANTIATE_TEST_SUITE_P(Answers, SerialDialog, ::testing::Values(
    DialogCase{typed(""), {}, nullptr},
    DialogCase{typed("   "), kNumberRange, nullptr},
    DialogCase{typed("abc"), kNumberRange, nullptr},
    DialogCase{typed("0x10"), kNumberRange, nullptr},
    DialogCase{typed("1e3"), kNumberRange, nullptr},
    DialogCase{typed("-1"), kNumberRange, nullptr},
    DialogCase{typed("2000001"), kNumberRange, nullptr},
    DialogCase{longText(), kNumberRange, nullptr},
    DialogCase{typed("сорок"), kNumberRange, nullptr},
    DialogCase{typed("0"), {}, "31 05 E2 00 12 34 56 00 00 00 00 CC"},
    DialogCase{typed("10,4"), {}, "31 05 E2 00 12 34 56 00 00 00 0A B2"},
    DialogCase{typed("2000000"), {}, "31 05 E2 00 12 34 56 00 1E 84 80 EA"}));

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
        ctl<QLabel>(QStringLiteral("outID"))->setText(QString::fromLatin1(c.outId));
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
        ctl<QLabel>(QStringLiteral("outID"))->setText(QString::fromLatin1(c.outId));
        ctl<TraceBox>(QStringLiteral("txtRec"))->setTraceText(QStringLiteral("before"));
        leaveSomethingPending();
        dialogs.inputs.push_back(QStringLiteral("abc"));  // would be refused too, but later
        click(QStringLiteral("InstSN"));
        EXPECT_EQ(dialogs.messageTexts(), QStringList{c.message});
        EXPECT_TRUE(state().wrs.isEmpty());
        EXPECT_EQ(text(QStringLiteral("txtRec")), QStringLiteral("\r\n\r\n"));
    }
}

// ---------------------------------------------------------------- new identification number

class IdentDialog : public TagTab, public ::testing::WithParamInterface<DialogCase> {};

TEST_P(IdentDialog, AnswerIsWrittenAsTheNewIdentifierOrRefused) {
    const DialogCase& c = GetParam();
    leaveSomethingPending();
    ctl<TraceBox>(QStringLiteral("txtRec"))->setTraceText(QStringLiteral("before"));
    dialogs.inputs.push_back(c.answer);
    click(QStringLiteral("Set_ident"));
    EXPECT_EQ(dialogs.prompts, QStringList{QStringLiteral("Введите ID номер метки|Ввод ID номера метки|0")});
    if (c.request) {
        EXPECT_TRUE(dialogs.messages.empty());
        EXPECT_EQ(state().wrs, hex(c.request));
        EXPECT_TRUE(text(QStringLiteral("txtRec")).startsWith(QStringLiteral("31 5 E1 E 0 0 3 E9 ")));
    } else {
        EXPECT_EQ(dialogs.messageTexts(), c.message.isEmpty() ? QStringList{} : QStringList{c.message});
        EXPECT_TRUE(state().wrs.isEmpty());
        EXPECT_EQ(text(QStringLiteral("txtRec")), QStringLiteral("before"));
    }
}

INSTANTIATE_TEST_SUITE_P(Answers, IdentDialog, ::testing::Values(
    DialogCase{typed(""), {}, nullptr},
    DialogCase{typed("   "), kNumberRange, nullptr},
    DialogCase{typed("abc"), kNumberRange, nullptr},
    DialogCase{typed("0x10"), kNumberRange, nullptr},
    DialogCase{typed("1e3"), kNumberRange, nullptr},
    DialogCase{typed("-1"), kNumberRange, nullptr},
    DialogCase{typed("2000001"), kNumberRange, nullptr},
    DialogCase{longText(), kNumberRange, nullptr},
    DialogCase{typed("сорок"), kNumberRange, nullptr},
    DialogCase{typed("0"), {}, "31 05 E1 0E 00 00 03 E9 00 00 00 00 00 64 01 F6 00 3C 80"},
    DialogCase{typed("10,4"), {}, "31 05 E1 0E 00 00 03 E9 00 00 00 0A 00 64 01 F6 00 3C 0B"},
    DialogCase{typed("2000000"), {}, "31 05 E1 0E 00 00 03 E9 00 1E 84 80 00 64 01 F6 00 3C 84"}));

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
            EXPECT_EQ(dialogs.messageTexts(), QStringList{c.message});
            EXPECT_TRUE(state().wrs.isEmpty());
        }
    }
}

TEST_F(Commands, IdentificationWithoutAddressIsRefusedBeforeTheNumber) {
    chooseUnusableAddress();
    leaveSomethingPending();
    dialogs.inputs.push_back(QStringLiteral("abc"));
    click(QStringLiteral("Set_ident"));
    EXPECT_EQ(dialogs.messageTexts(), QStringList{kNoAddress});
    EXPECT_TRUE(state().wrs.isEmpty());
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
        EXPECT_EQ(dialogs.messageTexts(), QStringList{kNoAddress});
        EXPECT_TRUE(state().wrs.isEmpty());
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
