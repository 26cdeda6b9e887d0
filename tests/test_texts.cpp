// Trace texts, and the identifier texts refused. A built request's trace is checked as the window shows it
// (test_views.cpp); identifiers read and written out, in whole frames (test_device_requests.cpp) and in the
// values shown (test_device_replies.cpp, test_views.cpp).
#include <gtest/gtest.h>

#include <QStringList>
#include <cstring>

#include "protocol/hexid.h"
#include "protocol/trace.h"

using namespace kestrel;

TEST(TraceTexts, RequestBoxShowsEachByteFollowedByAnUnderscore) {
    EXPECT_EQ(requestBoxText(QByteArray::fromHex("31 05 F0 FE")), QStringLiteral("31_5_F0_FE_"));
    EXPECT_EQ(requestBoxText({}), QString());
}

TEST(TraceTexts, PrintableFormReplacesBracketsControlsAndPunctuation) {
    EXPECT_EQ(printableText(QByteArray::fromHex("3E 5D 5B 0D 0A 20 41")),
              QStringLiteral(">") + "<ACK><NAK><CR><LF>@A");
    EXPECT_EQ(printableText(QByteArray::fromHex("2F 30 00 09")), QStringLiteral("@0@@"));
    const QString high = printableText(QByteArray::fromHex("80 FF"));
    ASSERT_EQ(high.size(), 2) << "one character per byte from 0x80 up";
    EXPECT_EQ(high[0].unicode(), 0x80);
    EXPECT_EQ(high[1].unicode(), 0xFF);
}

TEST(TraceTexts, RequestsOfAnyLengthAreShownWhole) {
    QByteArray big(400, 'A');
    const QString text = requestTraceText(big);
    EXPECT_EQ(text.count(QStringLiteral("41 ")), 400);
    EXPECT_TRUE(text.endsWith(QString(400, QLatin1Char('A'))));
}

TEST(TraceTexts, ReplyTraceAddsTheComputedCheckAndThePollCheck) {
    // 3E 05 FB CC: the computed check of 3E 05 FB is 0x81 (not CC); the tick built the poll 31 05 F0 FE.
    EXPECT_EQ(replyTraceText(QByteArray::fromHex("3E 05 FB CC"), 0xFE),
              QStringLiteral("3E 5 FB CC 81 \r\n\r\n>@") + QChar(0xFB) + QChar(0xCC) + "FE");
    EXPECT_TRUE(replyTraceText(QByteArray::fromHex("05"), std::nullopt).endsWith(QStringLiteral("@0")))
        << "no poll built: the trace ends in 0";
}

TEST(HexId, TakesEveryHexDigitInEitherCase) {
    for (const char* text : {"0123", "4567", "89ab", "CDEF", "9", "fedcba98"}) {
        const QString digits = QString::fromLatin1(text);
        EXPECT_EQ(parseHexId(digits).value(), digits.toUInt(nullptr, 16)) << text;
    }
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
