// The number conversion shared by every dialog and text box.
#include <gtest/gtest.h>

#include "protocol/numinput.h"

using namespace kestrel;

TEST(NumberInput, WholeNumbersWithBlanksSignsAndRounding) {
    struct Case {
        QString text;
        qint64 expected;
    } cases[] = {
        {QStringLiteral("0"), 0},          {QStringLiteral(" 200 "), 200},   {QStringLiteral("\t7"), 7},
        {QStringLiteral("+5"), 5},         {QStringLiteral("-1"), -1},       {QStringLiteral("007"), 7},
        {QStringLiteral("10.4"), 10},      {QStringLiteral("10,4"), 10},     {QStringLiteral("10.6"), 11},
        {QStringLiteral("2.5"), 2},        {QStringLiteral("3.5"), 4},       {QStringLiteral("-2.5"), -2},
        {QStringLiteral("-3.5"), -4},      {QStringLiteral("0.5"), 0},       {QStringLiteral("1.5"), 2},
        {QStringLiteral("2.50001"), 3},    {QStringLiteral(".5"), 0},        {QStringLiteral("5."), 5},
        {QStringLiteral("-0"), 0},         {QStringLiteral("2000000"), 2000000},
        {QStringLiteral("4294967295"), 4294967295LL},
        {QStringLiteral("199.5"), 200},    {QStringLiteral("200.5"), 200},   {QStringLiteral("\u00A012\u00A0"), 12},
    };
    for (const auto& c : cases) {
        const NumberResult r = parseWholeNumber(c.text, -10000000000LL, 10000000000LL);
        EXPECT_TRUE(r.ok()) << c.text.toStdString();
        EXPECT_EQ(r.value, c.expected) << c.text.toStdString();
    }
}

TEST(NumberInput, TextThatIsNotANumberIsRefusedAsSuch) {
    const QString cases[] = {QString(),
                             QStringLiteral("   "),
                             QStringLiteral("abc"),
                             QStringLiteral("0x10"),
                             QStringLiteral("1e3"),
                             QStringLiteral("1 000"),
                             QStringLiteral("1.2.3"),
                             QStringLiteral("10,4.1"),
                             QStringLiteral("--1"),
                             QStringLiteral("+"),
                             QStringLiteral("."),
                             QStringLiteral("12a"),
                             QStringLiteral("١٢"),  // Arabic-Indic digits
                             QStringLiteral("пять"),
                             QString(QChar(0)),
                             QStringLiteral("1") + QChar(0),
                             QString(10000, QLatin1Char('x'))};
    for (const QString& text : cases) {
        const NumberResult r = parseWholeNumber(text, -1000, 1000);
        EXPECT_EQ(r.error, NumberError::NotANumber) << text.toStdString();
        EXPECT_FALSE(r.ok());
        EXPECT_FALSE(isNumberText(text));
    }
}

TEST(NumberInput, BoundsAreInclusiveAndHugeNumbersDoNotFit) {
    struct Case {
        QString text;
        qint64 min, max;
        NumberError error;
    } cases[] = {
        {QStringLiteral("200"), 0, 200, NumberError::None},
        {QStringLiteral("201"), 0, 200, NumberError::OutOfRange},
        {QStringLiteral("-1"), 0, 200, NumberError::OutOfRange},
        {QStringLiteral("200.4"), 0, 200, NumberError::None},
        {QStringLiteral("200.6"), 0, 200, NumberError::OutOfRange},
        {QStringLiteral("-0.4"), 0, 200, NumberError::None},
        {QString(10000, QLatin1Char('9')), 0, 200, NumberError::OutOfRange},
        {QStringLiteral("99999999999999999999"), 0, 200, NumberError::OutOfRange},
        {QStringLiteral("999999999999999999"), 0, 200, NumberError::OutOfRange},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parseWholeNumber(c.text, c.min, c.max).error, c.error) << c.text.left(30).toStdString();
    }
    EXPECT_TRUE(isNumberText(QString(10000, QLatin1Char('9'))));
}
