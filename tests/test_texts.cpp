// Trace texts and identifier texts.
#include <gtest/gtest.h>

#include <QStringList>

#include "protocol/hexid.h"
#include "protocol/trace.h"

using namespace kestrel;

namespace {
// Bytes from hex text; the blanks are skipped.
QByteArray hex(const char* text) {
    return QByteArray::fromHex(text);
}
}  // namespace

TEST(TraceTexts, RequestBoxShowsEachByteFollowedByAnUnderscore) {
    EXPECT_EQ(requestBoxText(hex("31 05 F0 FE")), QStringLiteral("31_5_F0_FE_"));
    EXPECT_EQ(requestBoxText({}), QString());
}

TEST(TraceTexts, PrintableFormReplacesBracketsControlsAndPunctuation) {
    EXPECT_EQ(printableText(hex("3E 5D 5B 0D 0A 20 41")), QStringLiteral(">") + "<ACK><NAK><CR><LF>@A");
    EXPECT_EQ(printableText(hex("2F 30 00 09")), QStringLiteral("@0@@"));
    const QString high = printableText(hex("80 FF"));
    ASSERT_EQ(high.size(), 2) << "one character per byte from 0x80 up";
    EXPECT_EQ(high[0].unicode(), 0x80);
    EXPECT_EQ(high[1].unicode(), 0xFF);
}

TEST(TraceTexts, BuiltRequestShowsHexBlankLineAndPrintableForm) {
    const QString expected = QStringLiteral("31 0 FC A2 \r\n\r\n1@") + QChar(0xFC) + QChar(0xA2);
    EXPECT_EQ(requestTraceText(hex("31 00 FC A2")), expected);
    EXPECT_EQ(requestTraceText({}), QStringLiteral("\r\n\r\n"));
}

TEST(TraceTexts, RequestsOfAnyLengthAreShownWhole) {
    QByteArray big(400, 'A');
    const QString text = requestTraceText(big);
    EXPECT_EQ(text.count(QStringLiteral("41 ")), 400);
    EXPECT_TRUE(text.endsWith(QString(400, QLatin1Char('A'))));
}

TEST(TraceTexts, ReplyTraceAddsTheComputedCheckAndThePollCheck) {
    // 3E 05 FB CC: the computed check of 3E 05 FB is 0x81 (not CC); the tick built the poll 31 05 F0 FE.
    EXPECT_EQ(replyTraceText(hex("3E 05 FB CC"), 0xFE),
              QStringLiteral("3E 5 FB CC 81 \r\n\r\n>@") + QChar(0xFB) + QChar(0xCC) + "FE");
    EXPECT_TRUE(replyTraceText(hex("05"), std::nullopt).endsWith(QStringLiteral("@0")))
        << "no poll built: the trace ends in 0";
}

TEST(HexId, ParsesUpToEightDigitsIntoFourBytes) {
    struct Case {
        const char* text;
        const char* bytes;
    } cases[] = {{"123456", "00 12 34 56"}, {"abc", "00 00 0A BC"},      {"ABC", "00 00 0A BC"},
                 {"5", "00 00 00 05"},      {"7A7A7A7A", "7A 7A 7A 7A"}, {"ABCDE", "00 0A BC DE"},
                 {"", "00 00 00 00"},       {"ffffffff", "FF FF FF FF"}, {"0", "00 00 00 00"}};
    for (const auto& c : cases) {
        const HexIdResult r = parseHexId(QString::fromLatin1(c.text));
        ASSERT_TRUE(r.ok()) << c.text;
        EXPECT_EQ(r.bytes, hex(c.bytes)) << c.text;
        EXPECT_TRUE(r.message().isEmpty());
    }
    EXPECT_EQ(parseHexId(QStringLiteral("7A7A7A7A")).value(), 0x7A7A7A7Au);
}

TEST(HexId, RefusesLongTextBeforeLookingAtItsCharacters) {
    const QStringList tooLong = {"123456789", "GGGGGGGGG", QString(10000, QLatin1Char('A'))};
    const QStringList notHex = {"12G4", "12 4", "0x10", "-1", "1Ж", QString(QChar(0)), "\U0001F600"};
    for (const QString& text : tooLong + notHex) {
        const HexIdResult r = parseHexId(text);
        EXPECT_EQ(r.error, tooLong.contains(text) ? HexIdError::TooLong : HexIdError::NotHex)
            << text.left(20).toStdString();
        EXPECT_TRUE(r.bytes.isEmpty());
        EXPECT_EQ(r.value(), 0u);
    }
    // The first letter of the first message is a Latin C, as the users have always seen it.
    EXPECT_EQ(parseHexId(QStringLiteral("123456789")).message(),
              QStringLiteral("C") + QStringLiteral("лишком много символов Идентификатора"));
    EXPECT_EQ(parseHexId(QStringLiteral("12G4")).message(),
              QStringLiteral("В строке имеются символы не принадлежащие HEX"));
}

TEST(HexId, FormatWritesTheFirstByteWithoutLeadingZero) {
    EXPECT_EQ(formatHexId(0x00, 0x12, 0x34, 0x56), QStringLiteral("0123456"));
    EXPECT_EQ(formatHexId(0x1F, 0x00, 0x0A, 0xFF), QStringLiteral("1F000AFF"));
    EXPECT_EQ(formatHexId(0, 0, 0, 0), QStringLiteral("0000000"));
    EXPECT_EQ(formatHexId(0, 0, 0, 5), QStringLiteral("0000005"));
    EXPECT_EQ(formatHexId(0x0000000Au), QStringLiteral("000000A"));
}
