// The check code, and reading numbers out of a reply. Whole request frames, each check byte worked out apart
// from the code, are in test_device_requests.cpp.
#include <gtest/gtest.h>

#include "protocol/frame.h"
#include "protocol/reply.h"

using namespace kestrel;

namespace {
// Bytes from hex text; the blanks are skipped.
QByteArray hex(const char* text) {
    return QByteArray::fromHex(text);
}
}  // namespace

TEST(Crc8, OneStepFoldsDataIntoTheRunningCheck) {
    // The data, the check before, the check after.
    const std::tuple<quint8, quint8, quint8> cases[] = {
        {0x00, 0x00, 0x00}, {0x01, 0x00, 0x5E}, {0x80, 0x00, 0x8C}, {0x00, 0x01, 0x5E}, {0x03, 0x00, 0xE2}};
    for (const auto& [data, start, expected] : cases) {
        quint8 running = start;
        EXPECT_EQ(crc(data, running), expected) << int(data) << " " << int(start);
        EXPECT_EQ(running, expected) << "the running check follows the result";
    }
}

TEST(Crc8, WholeStringsAndTheAppendedCheckByte) {
    EXPECT_EQ(crc8("123456789"), 0xA1);
    EXPECT_EQ(crc8({}), 0);
    EXPECT_EQ(crc8(hex("3E 05 FB")), 0x81);
    EXPECT_EQ(withCheckByte({}), hex("00"));
    EXPECT_EQ(withCheckByte(hex("3E 05 FB")), hex("3E 05 FB 81"));
    EXPECT_EQ(crc8(hex("3E 05 FB 81")), 0) << "a frame with its check byte checks to zero";
    EXPECT_NE(crc8(hex("3E 05 FB CC")), 0);
}

TEST(ReplyAccess, PositionsAreOneBasedNumbersInBothOrdersAndMissingOnesAreReported) {
    const Reply r(hex("3E 05 F0 FF 34 12"));
    EXPECT_EQ(r.at(1), 0x3E);
    EXPECT_EQ(r.at(6), 0x12);
    for (int outside : {0, 7, -5}) EXPECT_FALSE(r.at(outside).has_value()) << outside;
    EXPECT_EQ(r.s8(4), -1);
    EXPECT_EQ(r.u16le(5), 0x1234);
    EXPECT_EQ(r.u16be(5), 0x3412);
    EXPECT_FALSE(r.u16le(6).has_value()) << "a number that runs past the end is missing";
    EXPECT_FALSE(r.u32le(4).has_value());
    EXPECT_FALSE(Reply().at(1).has_value());
    EXPECT_EQ(r.data().bytes(), hex("3E 05 F0 FF 34")) << "the data part leaves the check byte out";
    const Reply four(hex("3E 01 E0 FF FF FF FF 00 12 34 56"));
    EXPECT_EQ(four.u32be(4), 4294967295u);
    EXPECT_EQ(four.u32be(8), 0x00123456u);
    EXPECT_EQ(four.u32le(8), 0x56341200u);
}
