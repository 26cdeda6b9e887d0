// Request builders: typed values and texts in, the complete frame or the refusal with its message out.
// Every frame is written out by hand; each check byte was worked out apart from the code under test.
#include <gtest/gtest.h>

#include <QStringList>
#include <functional>

#include "device/commands.h"
#include "device/requests.h"
#include "device/texts.h"
#include "protocol/hexid.h"

using namespace kestrel;
using namespace kestrel::cmd;
using namespace kestrel::device;
using R = Request::Refused;
using T = TagWriteTexts;

namespace {

const auto many = [](char c) { return QString(10000, QLatin1Char(c)); };

// All of a request, to compare: which input is refused, the message, the frame, and the values it carries
// as "name value" pairs (identifiers in hex).
using Parts = std::tuple<int, std::string, std::string, std::string>;
Parts parts(const Request& r) {
    QStringList values;
    const auto add = [&](const char* name, auto n, int base = 10) {
        if (n) values << QStringLiteral("%1 %2").arg(name, QString::number(*n, base).toUpper());
    };
    const Carried& v = r.values;
    add("newAddress", v.newAddress), add("serial", v.serial), add("network", v.network);
    add("channel", v.channel), add("power", v.power), add("cell", v.cell),
        add("identifier", v.identifier, 16);
    add("delay", v.delay), add("mode", v.mode), add("tagPower", v.tagPower), add("period", v.period);
    return {int(r.refused), r.refusal.toStdString(), r.frame.toHex(' ').toStdString(),
            values.join(", ").toStdString()};
}

// The expected outcomes: a frame (hex) and the values it carries, or no frame and a refusal of the
// address, a value or an identifier.
const auto sent = [](const QByteArray& bytes) { return Request{bytes, {}, R::Nothing, {}}; };
const auto frame = [](const char* bytes, const char* values = "") {
    return Parts{int(R::Nothing), "", QByteArray::fromHex(bytes).toHex(' ').toStdString(), values};
};
const auto refused = [](R what, const QString& message) {
    return Parts{int(what), message.toStdString(), "", ""};
};
const auto noAddress = [] { return refused(R::Address, text::noListedAddress()); };
const auto value = [](const QString& message) { return refused(R::Value, message); };
const auto identifier = [](const QString& message) { return refused(R::Identifier, message); };

// No number at all: empty, blanks, letters, a hex prefix, an exponent, two separators, a group blank,
// a blank after the sign, Cyrillic letters, full-width digits.
const QStringList kNotNumbers = {"", "   ", "abc", "0x10", "1e3", "10,5,0", "1 000", "- 5", "пять", "１０"};
// Numbers too big for any box below: 2^31, 2^32, 20 digits, 10,000 digits.
const QStringList kTooBig = {"2147483648", "4294967296", "12345678901234567890", many('7')};
// Refused alike by every box that takes no negative number, with the inputs given.
const auto bad = [](const QStringList& more) { return kNotNumbers + kTooBig + more << "-1"; };

// The texts of a tag write that passes every check (serial 1001, identifier 123456 in hex, delay 100,
// mode 1, power -10, period 60), with the changes given.
using Change = std::pair<QString T::*, QString>;
T texts(std::initializer_list<Change> changes = {}, Address address = 5, bool hexId = true) {
    T t{address, "1001", "123456", hexId, "100", "1", "-10", "60"};
    for (const Change& c : changes) t.*c.first = c.second;
    return t;
}
const Parts kBaseWrite = frame("31 05 E1 0E 00 00 03 E9 00 12 34 56 00 64 01 F6 00 3C 30");

// The builders with every input but the one text fixed: device 1 for the reader, device 5 for tags.
using Build = std::function<Request(const QString&)>;
Build write(QString T::*box, bool hexId = true) {
    return [=](const QString& v) { return tagWriteRequest(texts({{box, v}}, 5, hexId)); };
}
const Build net = [](const QString& v) { return setNetAddressRequest(1, v); };
const Build serial = [](const QString& v) { return setSerialRequest(1, v); };
const Build radioNet = [](const QString& v) { return setRadioParamsRequest(1, {v, "5", "10"}); };
const Build radioChannel = [](const QString& v) { return setRadioParamsRequest(1, {"1", v, "10"}); };
const Build radioPower = [](const QString& v) { return setRadioParamsRequest(1, {"1", "5", v}); };
const Build cell = [](const QString& v) { return writeBoundIdRequest(1, v, "1A2B3C"); };
const Build boundId = [](const QString& v) { return writeBoundIdRequest(1, "1", v); };
const Build resetDelay = [](const QString& v) { return setResetDelayRequest(1, v); };
const Build readTag = [](const QString& v) { return tagReadRequest(5, v); };
const Build tagSerial = [](const QString& v) { return tagSetSerialRequest(5, "123456", v); };
// The new ID takes the place of the identifier text, which is not read.
const Build newTagId = [](const QString& v) { return tagSetIdRequest(texts({{&T::identifier, "xyz"}}), v); };
const Build mode = write(&T::mode), tagDelay = write(&T::delay), power = write(&T::power),
            period = write(&T::period), hexId = write(&T::identifier),
            decimalId = write(&T::identifier, false), tagSerialText = write(&T::serial);

}  // namespace

TEST(Requests, RequestsWithoutTypedTextGiveTheirFrames) {
    const std::pair<Request, const char*> cases[] = {
        {sent(currentParamsRequest(5)), "31 05 F0 FE"},    {sent(currentParamsRequest(1)), "31 01 F0 C5"},
        {sent(identifyRequest(3)), "31 03 FC F7"},         {sent(identifyRequest(5)), "31 05 FC 5D"},
        {sent(calibrateRequest(1, true)), "31 01 F5 FA"},  {sent(calibrateRequest(1, false)), "31 01 FA BB"},
        {sent(setModeRequest(1, 0xC0)), "31 01 F2 C0 AE"}, {sent(setModeRequest(0, 0x02)), "31 00 F2 02 73"},
        {sent(setModeRequest(1, 0x06)), "31 01 F2 06 B9"}, {sent(setModeRequest(1, 0x10)), "31 01 F2 10 F9"},
        {sent(setModeRequest(1, 0x40)), "31 01 F2 40 22"}, {sent(setModeRequest(1, 0x80)), "31 01 F2 80 E8"},
        {sent(setModeRequest(5, 0x00)), "31 05 F2 00 FA"}, {sent(setModeRequest(5, 0x01)), "31 05 F2 01 A4"},
        {plainRequest(1, kClearBoundIds), "31 01 E9 C4"},  {plainRequest(1, kReadBoundIds), "31 01 E7 DB"},
        {plainRequest(1, kReadResetDelay), "31 01 F7 46"}, {plainRequest(5, kBridgeData), "31 05 E8 A1"},
        {plainRequest(5, kBridgeRs485), "31 05 06 57"}};
    for (const auto& [request, bytes] : cases) EXPECT_EQ(parts(request), frame(bytes)) << bytes;
}

// A built request also carries the values it checked, at the ends of their ranges too.
TEST(Requests, EachExampleGivesItsFrameAndValuesOrTheRefusalThatComesFirst) {
    const std::pair<Request, Parts> cases[] = {
        {sent(tagRequest(5, kAnyTag, kTagQuery)), frame("31 05 E0 7A 7A 7A 7A F9")},
        {plainRequest({}, kBridgeData), noAddress()},
        {setNetAddressRequest(5, "7"), frame("31 05 FB 07 CB", "newAddress 7")},
        {setNetAddressRequest(1, "200"), frame("31 01 FB C8 DE", "newAddress 200")},
        {setSerialRequest(1, "2000000"), frame("31 01 F6 00 1E 84 80 02", "serial 2000000")},
        {setRadioParamsRequest(1, {"65000", "5", "10"}),
         frame("31 01 F4 FD E8 05 0A 28", "network 65000, channel 5, power 10")},
        {setRadioParamsRequest(1, {"1", "255", "10"}),
         frame("31 01 F4 00 01 FF 0A F3", "network 1, channel 255, power 10")},
        {writeBoundIdRequest(1, "10", "1A2B3C"),
         frame("31 01 E6 09 00 1A 2B 3C 35", "cell 10, identifier 1A2B3C")},
        {setResetDelayRequest(1, "6000"), frame("31 01 F1 17 70 9A", "delay 6000")},
        {tagReadRequest(5, "FFFFFFFF"), frame("31 05 E3 FF FF FF FF DB", "identifier FFFFFFFF")},
        {setNetAddressRequest({}, "abc"), noAddress()},
        {setSerialRequest({}, "abc"), noAddress()},
        {setRadioParamsRequest({}, {"0", "0", "0"}), noAddress()},
        // The address comes before the cell, the cell before the identifier.
        {writeBoundIdRequest({}, "0", "xyz"), noAddress()},
        {writeBoundIdRequest(1, "0", "123456789"), value(text::cellRange())},
        {setResetDelayRequest({}, "abc"), noAddress()},
        // The tag read checks the identifier before the address, and is refused silently without one.
        {tagReadRequest({}, "12G4"), identifier(notHex())},
        {tagReadRequest({}, "123456"), refused(R::Address, {})},
        // The tag serial: the address, then the identifier, then the number.
        {tagSetSerialRequest(5, "1234567", "2000000"),
         frame("31 05 E2 01 23 45 67 00 1E 84 80 66", "serial 2000000, identifier 1234567")},
        {tagSetSerialRequest({}, "12G4", "abc"), noAddress()},
        {tagSetSerialRequest(5, "123456789", "abc"), identifier(tooManyIdChars())},
        {tagSetSerialRequest(5, "12G4", "abc"), identifier(notHex())},
        // What a parameter read shows, a write sends back.
        {tagWriteRequest({5, "1001", "654321", true, "300", "3", "-40", "90"}),
         frame("31 05 E1 0E 00 00 03 E9 00 65 43 21 01 2C 03 D8 00 5A 50",
               "serial 1001, identifier 654321, delay 300, mode 3, tagPower -40, period 90")},
        {tagWriteRequest(texts({{&T::serial, "4294967295"}, {&T::delay, "65535"}})),
         frame("31 05 E1 0E FF FF FF FF 00 12 34 56 FF FF 01 F6 00 3C 90",
               "serial 4294967295, identifier 123456, delay 65535, mode 1, tagPower -10, period 60")},
        {tagWriteRequest(texts({{&T::power, "-125"}})),
         frame("31 05 E1 0E 00 00 03 E9 00 12 34 56 00 64 01 83 00 3C EA",
               "serial 1001, identifier 123456, delay 100, mode 1, tagPower -125, period 60")},
        {tagSetIdRequest(texts({{&T::identifier, "xyz"}}), "2000000"),
         frame("31 05 E1 0E 00 00 03 E9 00 1E 84 80 00 64 01 F6 00 3C 84",
               "serial 1001, identifier 1E8480, delay 100, mode 1, tagPower -10, period 60")},
        // The write: mode, address, numbers, identifier, delay range, power range, period.
        {tagWriteRequest(texts({{&T::mode, "0"}}, {})), value(text::modeRange())},
        {tagWriteRequest(texts({{&T::delay, "abc"}}, {})), noAddress()},
        {tagWriteRequest(texts({{&T::delay, "abc"}, {&T::identifier, "xyz"}})), value(text::wrongData())},
        {tagWriteRequest(texts({{&T::power, "abc"}, {&T::identifier, "xyz"}})), value(text::wrongData())},
        {tagWriteRequest(texts({{&T::serial, "abc"}, {&T::identifier, "xyz"}})), value(text::wrongData())},
        {tagWriteRequest(texts({{&T::delay, "70000"}, {&T::identifier, "xyz"}})), identifier(notHex())},
        {tagWriteRequest(texts({{&T::delay, "70000"}, {&T::identifier, "xyz"}}, 5, false)),
         identifier(text::idNotDecimal())},
        {tagWriteRequest(texts({{&T::delay, "-1"}, {&T::power, "200"}})), value(text::wrongData())},
        {tagWriteRequest(texts({{&T::power, "200"}, {&T::period, "0"}})), value(text::powerRange())},
        // The new ID: the address, the number, then the other boxes.
        {tagSetIdRequest(texts({{&T::mode, "0"}}, {}), "abc"), noAddress()},
        {tagSetIdRequest(texts({{&T::mode, "0"}}), "abc"), value(text::serialRange())},
        {tagSetIdRequest(texts({{&T::mode, "0"}}), "5"), value(text::modeRange())},
    };
    for (size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(parts(cases[i].first), cases[i].second) << i;
}

// The mode number sits in the low bits, master and frequency output in the top two; unused numbers name
// no mode.
TEST(ReaderModes, EveryModeHasItsNumberAndReadsBackFromItsByteWhateverTheFlags) {
    const std::pair<ReaderMode, int> numbers[] = {{ReaderMode::Bridge, 0},
                                                  {ReaderMode::Indicator, 1},
                                                  {ReaderMode::Reader, 2},
                                                  {ReaderMode::Repeater, 6},
                                                  {ReaderMode::PoweredTag, 16}};
    for (const auto& [mode, number] : numbers)
        for (int flags = 0; flags < 4; ++flags) {
            const quint8 byte = modeByte(mode, flags & 1, flags & 2);
            EXPECT_EQ(byte, number | (flags & 1 ? 0x80 : 0) | (flags & 2 ? 0x40 : 0)) << number;
            EXPECT_EQ(modeOf(byte), mode) << int(byte);
        }
    for (quint8 unused : {3, 4, 5, 7, 15, 17, 31, 0xC3, 0x9F})
        EXPECT_EQ(modeOf(unused), std::nullopt) << int(unused);
}

// The title of current parameters (F0) is in the log rows of test_traffic.cpp.
TEST(Commands, TitlesNameKnownCodesAndShowUnknownOnesInHex) {
    EXPECT_EQ(commandTitle(0x06).toStdString(), "RS485 моста (6)");
    EXPECT_EQ(commandTitle(0x7B).toStdString(), "код 7B");
}

// Commas and dots are decimal separators; a fraction rounds to the nearest whole number, halves to the even
// one. Each box: its refusal, its bounds, and every frame it can give.
TEST(Requests, EveryBoxTakesItsRangeAndRefusesEverythingElse) {
    const std::tuple<Build, QStringList, Parts> rows[] = {
        {net, bad({"201", "255", "256", "300", "200,51", "-0,6"}), value(text::addressRange())},
        {net, {"0", "-0", "+0", "0,5", "-0,5", " 0 "}, frame("31 01 FB 00 D6")},
        {net,
         {"200", "+200", "200,5", "199,5", "200.4", "199.5", "\t200\n", "0200"},
         frame("31 01 FB C8 DE")},
        {serial, bad({"2000001", "2000000,6"}), value(text::serialRange())},
        {serial, {"0", "-0", "0,4"}, frame("31 01 F6 00 00 00 00 24")},
        {serial, {"2000000", "2000000,5", "1999999.5"}, frame("31 01 F6 00 1E 84 80 02")},
        {radioNet, bad({"0", "65001"}), value(text::kError)},
        {radioNet, {"1", "1,4", "0.6"}, frame("31 01 F4 00 01 05 0A 8D")},
        {radioNet, {"65000", "65000,4"}, frame("31 01 F4 FD E8 05 0A 28")},
        {radioChannel, bad({"0", "256"}), value(text::kError)},
        {radioChannel, {"1", "1.4"}, frame("31 01 F4 00 01 01 0A B6")},
        {radioChannel, {"255", "254,6"}, frame("31 01 F4 00 01 FF 0A F3")},
        {radioPower, bad({"2", "256"}), value(text::kError)},
        {radioPower, {"3", "3,4"}, frame("31 01 F4 00 01 05 03 11")},
        {radioPower, {"255", "255.4"}, frame("31 01 F4 00 01 05 FF C6")},
        {cell, bad({"0", "11", "256", "300", "x", "0,5", "10,51"}), value(text::cellRange())},
        {cell, {"1", "0,51", "1.4"}, frame("31 01 E6 00 00 1A 2B 3C C6")},
        // Cell 10 is sent as 9.
        {cell, {"10", "10,4", "10.4", "10,5"}, frame("31 01 E6 09 00 1A 2B 3C 35")},
        {boundId, {" ", "0x10", "-1", "10,4", "10.4", "12G4", "12 4", "пять", "１０"}, identifier(notHex())},
        {boundId, {"123456789", "12G456789", many('1')}, identifier(tooManyIdChars())},
        {boundId, {""}, frame("31 01 E6 00 00 00 00 00 19")},
        {boundId, {"abc"}, frame("31 01 E6 00 00 00 0A BC 6F")},
        {boundId, {"1e3"}, frame("31 01 E6 00 00 00 01 E3 D6")},
        {boundId, {"12345678"}, frame("31 01 E6 00 12 34 56 78 81")},
        {resetDelay, bad({"6001", "6000,6"}), value(text::kError)},
        {resetDelay, {"0", "-0", "0,4"}, frame("31 01 F1 00 00 E0")},
        {resetDelay, {"500"}, frame("31 01 F1 01 F4 31")},
        {resetDelay, {"6000", "6000,5"}, frame("31 01 F1 17 70 9A")},
        {readTag, {"0123456", "123456"}, frame("31 05 E3 00 12 34 56 43")},
        {readTag, {"abcdef", "ABCDEF"}, frame("31 05 E3 00 AB CD EF F4")},
        {readTag, {"80000000"}, frame("31 05 E3 80 00 00 00 8F")},
        {readTag, {"FFFFFFFF", "ffffffff"}, frame("31 05 E3 FF FF FF FF DB")},
        {readTag, {""}, frame("31 05 E3 00 00 00 00 56")},
        {readTag, {"123456789", many('F')}, identifier(tooManyIdChars())},
        {readTag, {"12G4", " ", "0x10", "-1"}, identifier(notHex())},
        {tagSerial, bad({"2000001"}), value(text::serialRange())},
        {tagSerial, {"0", "0,4"}, frame("31 05 E2 00 12 34 56 00 00 00 00 CC")},
        {tagSerial, {"2000000", "1999999,6"}, frame("31 05 E2 00 12 34 56 00 1E 84 80 EA")},
        {mode, bad({"0", "10", "10,4", "9,5", "0,5"}), value(text::modeRange())},
        {mode, {"1", " 1 ", "1,4", "+1", "0,51"}, kBaseWrite},
        {mode, {"4"}, frame("31 05 E1 0E 00 00 03 E9 00 12 34 56 00 64 04 F6 00 3C B1")},
        {mode, {"9", "9,4"}, frame("31 05 E1 0E 00 00 03 E9 00 12 34 56 00 64 09 F6 00 3C 2C")},
        // A delay that does not fit two bytes is refused, never cut.
        {tagDelay, bad({"65536", "70000", "65535,6", "сто"}), value(text::wrongData())},
        {tagDelay, {"0", "-0", "0,4"}, frame("31 05 E1 0E 00 00 03 E9 00 12 34 56 00 00 01 F6 00 3C 3E")},
        {tagDelay, {"65535", "65534,6"}, frame("31 05 E1 0E 00 00 03 E9 00 12 34 56 FF FF 01 F6 00 3C A1")},
        {power, kNotNumbers + kTooBig << "минус", value(text::wrongData())},
        {power, {"-126", "126", "-125,5", "2147483647", "-2147483648"}, value(text::powerRange())},
        {power, {"-125", "-125,4"}, frame("31 05 E1 0E 00 00 03 E9 00 12 34 56 00 64 01 83 00 3C EA")},
        {power, {"125", "124,6"}, frame("31 05 E1 0E 00 00 03 E9 00 12 34 56 00 64 01 7D 00 3C 93")},
        {power, {"-1", "-0,6"}, frame("31 05 E1 0E 00 00 03 E9 00 12 34 56 00 64 01 FF 00 3C BE")},
        {power, {"0", "-0"}, frame("31 05 E1 0E 00 00 03 E9 00 12 34 56 00 64 01 00 00 3C 6C")},
        {period, bad({"32768", "-32769", "час"}), value(text::wrongData())},
        {period, {"0", "-0", "0,4", "0,5"}, value(text::periodZero())},
        {period, {"1", "1,4"}, frame("31 05 E1 0E 00 00 03 E9 00 12 34 56 00 64 01 F6 00 01 73")},
        {period, {"32767", "32766,6"}, frame("31 05 E1 0E 00 00 03 E9 00 12 34 56 00 64 01 F6 7F FF B6")},
        {hexId, {"   ", "xyz", "0x10", "-1", "10,4", "ДА", "１０"}, identifier(notHex())},
        {hexId, {"123456789", many('7')}, identifier(tooManyIdChars())},
        {hexId, {""}, frame("31 05 E1 0E 00 00 03 E9 00 00 00 00 00 64 01 F6 00 3C 80")},
        {hexId, {"1e3"}, frame("31 05 E1 0E 00 00 03 E9 00 00 01 E3 00 64 01 F6 00 3C 3B")},
        {hexId, {"FFFFFFFF"}, frame("31 05 E1 0E 00 00 03 E9 FF FF FF FF 00 64 01 F6 00 3C 20")},
        {hexId, {"123456"}, kBaseWrite},
        // A decimal identifier is unsigned 32-bit: the upper half of the range is taken.
        {decimalId, kNotNumbers + QStringList{"десять"}, identifier(text::idNotDecimal())},
        {decimalId, {"-1", "4294967296", "12345678901234567890", many('7')}, identifier(text::wrongData())},
        {decimalId, {"0", "-0"}, frame("31 05 E1 0E 00 00 03 E9 00 00 00 00 00 64 01 F6 00 3C 80")},
        {decimalId, {" 10,4 "}, frame("31 05 E1 0E 00 00 03 E9 00 00 00 0A 00 64 01 F6 00 3C 0B")},
        {decimalId, {"2147483648"}, frame("31 05 E1 0E 00 00 03 E9 80 00 00 00 00 64 01 F6 00 3C D2")},
        {decimalId,
         {"4294967295", "4294967295,4"},
         frame("31 05 E1 0E 00 00 03 E9 FF FF FF FF 00 64 01 F6 00 3C 20")},
        {tagSerialText, {"4294967295"}, frame("31 05 E1 0E FF FF FF FF 00 12 34 56 00 64 01 F6 00 3C 01")},
        {tagSerialText, {"4294967296", "-1", "abc", ""}, value(text::wrongData())},
        {newTagId, bad({"2000001"}), value(text::serialRange())},
        {newTagId, {"0", "0,4"}, frame("31 05 E1 0E 00 00 03 E9 00 00 00 00 00 64 01 F6 00 3C 80")},
        {newTagId,
         {"2000000", "1999999,6"},
         frame("31 05 E1 0E 00 00 03 E9 00 1E 84 80 00 64 01 F6 00 3C 84")},
    };
    // The values are checked in the examples above: here the frame and the refusal.
    for (const auto& [build, inputs, expected] : rows)
        for (const QString& input : inputs) {
            Parts got = parts(build(input));
            if (std::get<0>(got) == int(R::Nothing)) std::get<3>(got).clear();
            EXPECT_EQ(got, expected) << input.left(30).toStdString();
        }
}
