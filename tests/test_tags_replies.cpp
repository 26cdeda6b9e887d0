// Replies of the tag and bridge-slave commands, fed to the real window over the in-memory port: every
// read-out they fill, and short replies decoded as far as they go.
#include <QLocale>

#include "tags/slave_data.h"
#include "tags/tag_params.h"
#include "test_tags_fixture.h"

using namespace kestrel;
using namespace kestrel::test;

namespace {

class Replies : public TagTab {
protected:
    bool contact() { return ctl<QCheckBox>(QStringLiteral("Check_sl"))->isChecked(); }
};

// ---------------------------------------------------------------- tag search answer

TEST_F(Replies, SearchAnswerNamesTheCurrentTag) {
    struct Case {
        const char* behaviour;
        const char* reply;
        const char* serial;
        const char* id;
        const char* level;
    } cases[] = {
        {"first byte of identifier zero, level -2", "3E 05 E0 00 00 01 00 00 12 34 56 FE", "256", "0123456", "-2"},
        {"largest serial, lowest level", "3E 05 E0 FF FF FF FF 1F 00 0A FF 80", "4294967295", "1F000AFF", "-128"},
        {"zeros, highest level", "3E 05 E0 00 00 00 00 00 00 00 00 7F", "0", "0000000", "127"},
        {"serial most significant first, level -1", "3E 05 E0 00 0F 42 40 00 00 00 05 FF", "1000000", "0000005", "-1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.behaviour);
        receive(replyOf(c.reply));
        expectTexts({{"MsgCom", "Был ПИНГ."}, {"SerNumMetki", c.serial}, {"outID", c.id}, {"UrPr", c.level},
                     {"textOutCmd", "E0"}});
    }
}

TEST_F(Replies, SearchAnswerCopiesTheIdentifierOnlyAfterAParameterRead) {
    struct Case {
        const char* behaviour;
        quint8 pending;
        bool hexIds;
        const char* idBox;
    } cases[] = {
        {"no read asked: the box keeps its text", 0, true, "typed"},
        {"read asked, hex view", 1, true, "0123456"},
        {"read asked, decimal view still gets hex", 1, false, "0123456"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.behaviour);
        hexIds(c.hexIds);
        setText(QStringLiteral("ID_Metki"), QStringLiteral("typed"));
        state().TagParamsPending = c.pending;
        receive(replyOf("3E 05 E0 00 00 03 E9 00 12 34 56 BA"));
        EXPECT_EQ(text(QStringLiteral("ID_Metki")), QString::fromLatin1(c.idBox));
        EXPECT_EQ(state().TagParamsPending, 0);
    }
}

TEST_F(Replies, ShortSearchAnswersDecodeWhatIsComplete) {
    setCurrentTag(QStringLiteral("old"), QStringLiteral("old"));
    ctl<QLabel>(QStringLiteral("UrPr"))->setText(QStringLiteral("old"));
    state().TagParamsPending = 1;
    // Serial complete, identifier cut: the check byte is never taken for a field.
    receive(hex("3E 05 E0 00 00 01 00 00 12 34 56"));
    expectTexts({{"MsgCom", "Был ПИНГ."}, {"SerNumMetki", "256"}, {"outID", "old"}});
    EXPECT_EQ(state().TagParamsPending, 1) << "the copy waits for an answer that carries the identifier";
    // Identifier complete, level cut.
    receive(hex("3E 05 E0 00 00 01 00 00 12 34 56 FE"));
    expectTexts({{"outID", "0123456"}, {"UrPr", "old"}});
    EXPECT_EQ(state().TagParamsPending, 0);
}

// ---------------------------------------------------------------- parameter reply

TEST_F(Replies, ParameterReplyFillsTheFrameAndTheDiagnostics) {
    struct Case {
        const char* behaviour;
        bool hexIds;
        const char* reply;
        const char* sn, *id, *idBox, *delay, *mode, *powerByte, *power, *version, *period, *level;
    } cases[] = {
        {"hex view", true, "3E 05 E3 00 00 03 E9 00 12 34 56 01 2C 03 D8 7B 00 5A BA", "1001", "0123456", "0123456",
         "300", "3", "216", "-40", "1.2.3.", "90", "-70"},
        {"decimal view", false, "3E 05 E3 FF FF FF FF FF FF FF FF FF FF 09 7D 2D FF FF 7F", "4294967295", "FFFFFFFF",
         "4294967295", "65535", "9", "125", "125", "4.5..", "65535", "127"},
        {"one-digit version", true, "3E 05 E3 00 00 00 01 00 00 00 05 00 00 01 83 07 00 01 80", "1", "0000005",
         "0000005", "0", "1", "131", "-125", "7...", "1", "-128"},
        {"version zero", true, "3E 05 E3 00 00 00 01 00 00 00 05 00 00 01 00 00 00 01 00", "1", "0000005", "0000005",
         "0", "1", "0", "0", "0...", "1", "0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.behaviour);
        hexIds(c.hexIds);
        state().TagParamsPending = 1;
        receive(replyOf(c.reply));
        expectTexts({{"MsgCom", "Считаны данные."}, {"textOutCmd", "E3"}, {"outSN", c.sn}, {"outID", c.id},
                     {"ID_Metki", c.idBox}, {"outTime", c.delay}, {"IntervalMetki", c.delay}, {"outMode", c.mode},
                     {"ModeMetki", c.mode}, {"outPower", c.powerByte}, {"PowerMetki", c.power},
                     {"outVer", c.version}, {"sleep_time", c.period}, {"UrPr", c.level}});
        EXPECT_EQ(state().TagParamsPending, 1) << "the parameter reply leaves the flag alone";
    }
}

TEST_F(Replies, ParameterReplyIsWrittenBackUnchangedByTheWriteButton) {
    // What a read shows, a write sends back (serial from the current tag).
    receive(replyOf("3E 05 E3 00 00 03 E9 00 65 43 21 01 2C 03 D8 7B 00 5A BA"));
    click(QStringLiteral("SetModesMetki"));
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(state().wrs, hex("31 05 E1 0E 00 00 03 E9 00 65 43 21 01 2C 03 D8 00 5A 50"));
}

TEST_F(Replies, ShortParameterRepliesDecodeWhatIsComplete) {
    const QByteArray full = replyOf("3E 05 E3 00 00 03 E9 00 12 34 56 01 2C 03 D8 7B 00 5A BA");
    for (int size = 4; size < full.size(); ++size) {
        SCOPED_TRACE(size);
        setText(QStringLiteral("sleep_time"), QStringLiteral("old"));
        ctl<QLabel>(QStringLiteral("UrPr"))->setText(QStringLiteral("old"));
        receive(full.left(size));
        // Period: bytes 17-18, present as data only when a byte follows them. Byte 19 of a short reply is
        // its check byte, so the level stays.
        expectTexts({{"MsgCom", "Считаны данные."}, {"sleep_time", size >= 19 ? "90" : "old"}, {"UrPr", "old"}});
    }
    receive(full);
    EXPECT_EQ(text(QStringLiteral("UrPr")), QStringLiteral("-70"));
}

TEST_F(Replies, WriteAcknowledgementOnlyChangesTheStatus) {
    setFrame();
    receive(replyOf("3E 05 E1 00 00 03 E9 FF FF FF FF 00 00 09 00 00 00 00 00"));
    expectTexts({{"MsgCom", "Считаны параметры метки."}, {"ID_Metki", "123456"}, {"ModeMetki", "1"},
                 {"outID", "123456"}});
}

// ---------------------------------------------------------------- bridge slave replies

TEST_F(Replies, SlaveDataReplyFillsTheBridgeReadOuts) {
    const QString dp = QLocale::system().decimalPoint();
    struct Case {
        const char* behaviour;
        const char* reply;
        const char* serial;
        QString temperature;
        const char* frequency;
        bool contact;
        const char* level;
    } cases[] = {
        {"serial least significant first", "3E 05 E8 01 00 00 00 01 90 DC 05 CD 9C", "1", QStringLiteral("25"), "1500",
         true, "-100"},
        {"serial top byte", "3E 05 E8 00 00 00 01 01 98 34 12 CC 7F", "16777216", QStringLiteral("25") + dp + "5",
         "4660", false, "127"},
        {"half a degree", "3E 05 E8 F1 FB 09 00 00 08 00 00 00 80", "654321", QStringLiteral("0") + dp + "5", "0",
         false, "-128"},
        {"largest temperature", "3E 05 E8 FF FF FF FF FF FF FF FF CD FF", "4294967295",
         QStringLiteral("4095") + dp + "9375", "65535", true, "-1"},
        {"one sixteenth", "3E 05 E8 00 00 00 00 00 01 00 00 CE 00", "0", QStringLiteral("0") + dp + "0625", "0", false,
         "0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.behaviour);
        receive(replyOf(c.reply));
        expectTexts({{"MsgCom", "Приняты данные моста"}, {"sn_sl", c.serial}, {"Temp_sl", c.temperature},
                     {"fr_sl", c.frequency}, {"ur_sl", c.level}});
        EXPECT_EQ(contact(), c.contact);
    }
}

TEST_F(Replies, Rs485ReplyFillsItsReadOut) {
    struct Case {
        const char* reply;
        const char* value;
    } cases[] = {{"3E 05 06 00 34 12", "4660"}, {"3E 05 06 FF FF FF", "65535"}, {"3E 05 06 99 00 00", "0"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reply);
        receive(replyOf(c.reply));
        expectTexts({{"MsgCom", "Приняты данные моста"}, {"RR_SL_data", c.value}});
    }
}

TEST_F(Replies, ShortSlaveRepliesDecodeWhatIsComplete) {
    struct Case {
        const char* behaviour;
        QByteArray reply;
        const char* control;
        const char* shown;
    } cases[] = {
        {"slave serial cut", hex("3E 05 E8 01 00 00 00"), "sn_sl", "old"},
        {"slave serial complete", hex("3E 05 E8 01 00 00 00 99"), "sn_sl", "1"},
        {"level is the check byte", hex("3E 05 E8 01 00 00 00 01 90 DC 05 CD 9C"), "ur_sl", "old"},
        {"temperature complete", hex("3E 05 E8 01 00 00 00 01 90 DC"), "Temp_sl", "25"},
        {"RS485 cut", hex("3E 05 06 00 34 12"), "RR_SL_data", "old"},
        {"RS485 bare", hex("3E 05 06 00"), "RR_SL_data", "old"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.behaviour);
        ctl<QLabel>(QString::fromLatin1(c.control))->setText(QStringLiteral("old"));
        receive(c.reply);
        expectTexts({{"MsgCom", "Приняты данные моста"}, {c.control, c.shown}});
    }
}

TEST_F(Replies, ContactFollowsTheLatestFullReply) {
    ctl<QCheckBox>(QStringLiteral("Check_sl"))->setChecked(true);
    receive(hex("3E 05 E8 01 00 00 00 01 90 DC 05 CD"));  // contact byte is the check byte here
    EXPECT_TRUE(contact());
    receive(replyOf("3E 05 E8 01 00 00 00 01 90 DC 05 CC 9C"));
    EXPECT_FALSE(contact());
}

TEST(TagTexts, TemperatureUsesTheDecimalSeparatorItIsGiven) {
    struct Case {
        quint16 sixteenths;
        const char* separator;
        const char* text;
    } cases[] = {{0x0190, ".", "25"},        {0x0198, ".", "25.5"},      {0x0198, ",", "25,5"},
                 {0x0008, ",", "0,5"},       {0x0001, ".", "0.0625"},    {0x0004, ".", "0.25"},
                 {0xFFFF, ",", "4095,9375"}, {0x0000, ".", "0"},         {0x000C, ".", "0.75"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sixteenths);
        EXPECT_EQ(sixteenthsText(c.sixteenths, QString::fromLatin1(c.separator)), QString::fromLatin1(c.text));
    }
}

TEST(TagTexts, VersionIsThreePositionsEachWithAFullStop) {
    struct Case {
        quint8 version;
        const char* text;
    } cases[] = {{123, "1.2.3."}, {45, "4.5.."}, {7, "7..."}, {0, "0..."}, {255, "2.5.5."}, {10, "1.0.."}};
    for (const Case& c : cases) EXPECT_EQ(versionText(c.version), QString::fromLatin1(c.text)) << int(c.version);
}

}  // namespace
