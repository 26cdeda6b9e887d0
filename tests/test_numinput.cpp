// The number conversion shared by every dialog and text box.
#include <gtest/gtest.h>

#include <QStringList>

#include "protocol/numinput.h"

using namespace kestrel;

namespace {
QString typed(const char* utf8) {
    return QString::fromUtf8(utf8);
}
}  // namespace

TEST(NumberInput, WholeNumbersWithBlanksSignsAndRounding) {
    const std::pair<const char*, qint64> cases[] = {
        {"0", 0},     {" 200 ", 200},       {"\t7", 7},     {"+5", 5},      {"-1", -1}, {"007", 7},
        {"10.4", 10}, {"10,4", 10},         {"10.6", 11},   {"2.5", 2},     {"3.5", 4}, {"-2.5", -2},
        {"-3.5", -4}, {"0.5", 0},           {"1.5", 2},     {"2.50001", 3}, {".5", 0},  {"5.", 5},
        {"-0", 0},    {"2000000", 2000000}, {"199.5", 200}, {"200.5", 200},
    };
    for (const auto& [text, expected] : cases) {
        const NumberResult r = parseWholeNumber(typed(text), -10000000000LL, 10000000000LL);
        EXPECT_TRUE(r.ok()) << text;
        EXPECT_EQ(r.value, expected) << text;
    }
    EXPECT_EQ(parseWholeNumber(typed("\u00A012\u00A0"), 0, 100).value, 12) << "no-break spaces are blanks";
    EXPECT_EQ(parseWholeNumber(typed("4294967295"), 0, 4294967295LL).value, 4294967295LL);
}

TEST(NumberInput, TextThatIsNotANumberIsRefusedAsSuch) {
    // Arabic-Indic digits and a Russian word are not ASCII digits.
    QStringList cases = {"",       "   ", "abc", "0x10", "1e3", "1 000",     "1.2.3",
                         "10,4.1", "--1", "+",   ".",    "12a", typed("١٢"), typed("пять")};
    cases << QString(QChar(0)) << QStringLiteral("1") + QChar(0) << QString(10000, QLatin1Char('x'));
    for (const QString& text : cases) {
        const NumberResult r = parseWholeNumber(text, -1000, 1000);
        EXPECT_EQ(r.error, NumberError::NotANumber) << text.left(20).toStdString();
        EXPECT_FALSE(r.ok());
        EXPECT_FALSE(isNumberText(text));
    }
}

TEST(NumberInput, BoundsAreInclusiveAndHugeNumbersDoNotFit) {
    for (const char* text : {"0", "200", "200.4", "-0.4"}) {
        EXPECT_TRUE(parseWholeNumber(typed(text), 0, 200).ok()) << text;
    }
    const QStringList outside = {
        "201", "-1", "200.6", "99999999999999999999", "999999999999999999", QString(10000, QLatin1Char('9'))};
    for (const QString& text : outside) {
        EXPECT_EQ(parseWholeNumber(text, 0, 200).error, NumberError::OutOfRange)
            << text.left(30).toStdString();
    }
    EXPECT_TRUE(isNumberText(QString(10000, QLatin1Char('9'))));
}
