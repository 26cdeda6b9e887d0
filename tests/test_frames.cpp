// Request frames and the check code, against the byte strings the devices are known to accept.
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
    struct Case {
        quint8 data, start, expected;
    } cases[] = {
        {0x00, 0x00, 0x00}, {0x01, 0x00, 0x5E}, {0x80, 0x00, 0x8C}, {0x00, 0x01, 0x5E}, {0x03, 0x00, 0xE2}};
    for (const auto& c : cases) {
        quint8 running = c.start;
        EXPECT_EQ(crc(c.data, running), c.expected) << int(c.data) << " " << int(c.start);
        EXPECT_EQ(running, c.expected) << "the running check follows the result";
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

// Each known frame: start byte 31, address, command, data, check byte. Built from its own address,
// command and data, it comes out byte for byte.
TEST(RequestFrames, KnownRequestsAreBuiltByteForByte) {
    for (const char* text :
         {"31 05 F0 FE", "31 00 F0 01", "31 00 FC A2", "31 01 FC 66", "31 05 FC 5D", "31 05 FB 07 CB",
          "31 01 F2 C0 AE", "31 00 F2 02 73", "31 01 F5 FA", "31 01 FA BB", "31 01 F4 00 01 05 0A 8D",
          "31 01 E6 00 00 1A 2B 3C C6", "31 01 F1 01 F4 31"}) {
        const QByteArray f = hex(text);
        EXPECT_EQ(buildRequest(quint8(f[1]), quint8(f[2]), f.mid(3, f.size() - 4)).toHex(' ').toUpper(),
                  QByteArray(text));
    }
    EXPECT_EQ(networkPollRequest(), hex("31 FF DC")) << "the poll is three bytes";
}

TEST(RequestFrames, BigEndian32IsMostSignificantFirst) {
    EXPECT_EQ(bigEndian32(0), hex("00 00 00 00"));
    EXPECT_EQ(bigEndian32(256), hex("00 00 01 00"));
    EXPECT_EQ(bigEndian32(2000000), hex("00 1E 84 80"));
    EXPECT_EQ(bigEndian32(0x7A7A7A7A), QByteArray("zzzz"));
    EXPECT_EQ(bigEndian32(0xFFFFFFFF), hex("FF FF FF FF"));
}

TEST(ReplyAccess, PositionsAreOneBasedNumbersInBothOrdersAndMissingOnesAreReported) {
    const Reply r(hex("3E 05 F0 FF 34 12"));
    EXPECT_EQ(r.at(1), 0x3E);
    EXPECT_EQ(r.at(6), 0x12);
    EXPECT_FALSE(r.at(0).has_value());
    EXPECT_FALSE(r.at(7).has_value());
    EXPECT_FALSE(r.at(-5).has_value());
    EXPECT_EQ(r.s8(4), -1);
    EXPECT_EQ(r.u16le(5), 0x1234);
    EXPECT_EQ(r.u16be(5), 0x3412);
    EXPECT_FALSE(r.u16le(6).has_value()) << "a number that runs past the end is missing";
    EXPECT_FALSE(r.u32le(4).has_value());
    EXPECT_EQ(r.byteOr(40, 7), 7);
    EXPECT_FALSE(Reply().at(1).has_value());
    EXPECT_EQ(r.data().bytes(), hex("3E 05 F0 FF 34")) << "the data part leaves the check byte out";
    const Reply four(hex("3E 01 E0 FF FF FF FF 00 12 34 56"));
    EXPECT_EQ(four.u32be(4), 4294967295u);
    EXPECT_EQ(four.u32be(8), 0x00123456u);
    EXPECT_EQ(four.u32le(8), 0x56341200u);
}
