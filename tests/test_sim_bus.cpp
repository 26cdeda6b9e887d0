// The simulated bus without a port: replies byte for byte, set-then-read round trips, the frame
// parser, the faults and the drifting live values. Every expected reply below is written out from the
// reply layouts with its check byte worked out separately (Dallas/Maxim CRC-8), never by the code
// under test.

#include <gtest/gtest.h>

#include "sim/bus.h"

namespace kestrel::sim {
namespace {

QByteArray hex(const std::string& text) {
    return QByteArray::fromHex(QByteArray::fromStdString(text));
}

// n zero bytes as hex text, for the long runs of empty cells and padding.
std::string zeros(int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += " 00";
    return s;
}

// What the line carries back for `request` (all frames in it), joined.
QByteArray ask(Bus& bus, const std::string& request) {
    QByteArray all;
    for (const Exchange& ex : bus.feed(hex(request))) all.append(ex.replyBytes());
    return all;
}

std::string show(const QByteArray& b) {
    return hexText(b).toStdString();
}

#define EXPECT_BYTES(actual, expectedHex) EXPECT_EQ(show(actual), show(hex(expectedHex)))

// A bus with the default readers, tags and slave.
class DefaultBus : public ::testing::Test {
protected:
    Bus bus = Bus::withDefaults();
};
using SimBusState = DefaultBus;
using SimBusFraming = DefaultBus;
using SimBusFaultScope = DefaultBus;

// Default data the replies below rely on (and the window's demo shows): reader 5, serial 123456,
// type 134, version prefix 0, temperature 21, level 512, current 12345, empty level 100, tag ID
// A1B2C3, second value 300, mode 2, network 1, channel 5, power 10, cells 1 and 2 bound to the two
// tags, reset delay 500; tag 1001/123456, tag 1002/ABCDEF; slave 654321, 25.5 degrees, 1500, closed,
// -100, RS485 4660.
const std::string kF0Default =
    "3E 05 F0 15 00 02 39 30 00 00 64 00 00 00 C3 B2 A1 00 2C 01 02 01 00 05 0A E5";
const std::string kFCDefault = "3E 05 FC 40 E2 01 00 86 00 48";
const std::string kTableDefault = "3E 05 E6 56 34 12 00 EF CD AB 00" + zeros(32) + " 81";
const std::string kTableEmpty = "3E 05 E6" + zeros(40) + " 0C";
const std::string kTableCell10 = "3E 05 E6 56 34 12 00 EF CD AB 00" + zeros(28) + " 3C 2B 1A 00 85";

struct ReplyCase {
    const char* behaviour;
    std::string request;
    std::string reply;  // empty: no answer
};

// The set-commands with a round trip below (mode, lower mark, cell write, delay set, new address, new
// serial, tag write, tag serial, search for any tag) have their first reply checked there.
class SimBusReplies : public ::testing::TestWithParam<ReplyCase> {};

TEST_P(SimBusReplies, AnswersWithTheLayoutOfItsCommand) {
    Bus bus = Bus::withDefaults();
    EXPECT_BYTES(ask(bus, GetParam().request), GetParam().reply);
}

INSTANTIATE_TEST_SUITE_P(
    EveryCommand, SimBusReplies,
    ::testing::Values(
        ReplyCase{"current_parameters_26_bytes_lsb_first", "31 05 F0 FE", kF0Default},
        ReplyCase{"identification_serial_lsb_first_type_and_prefix", "31 05 FC 5D", kFCDefault},
        ReplyCase{"upper_calibration_acknowledged", "31 05 F5 C1", "3E 05 F5 9E"},
        ReplyCase{"table_read_answers_code_E6_with_ten_cells", "31 05 E7 E0", kTableDefault},
        ReplyCase{"table_clear_answers_the_empty_table", "31 05 E9 FF", kTableEmpty},
        ReplyCase{"delay_read_answers_code_F1_lsb_first", "31 05 F7 7D", "3E 05 F1 F4 01 7D"},
        ReplyCase{"slave_data_mixed_byte_orders", "31 05 E8 A1", "3E 05 E8 F1 FB 09 00 01 98 DC 05 CD 9C 08"},
        ReplyCase{"slave_rs485_value_after_an_unused_byte", "31 05 06 57", "3E 05 06 00 34 12 12"},
        ReplyCase{"search_for_one_identifier_answers_that_tag", "31 05 E0 00 AB CD EF BA",
                  "3E 05 E0 00 00 03 EA 00 AB CD EF AB 15"},
        ReplyCase{"tag_read_of_the_first_tag", "31 05 E3 00 12 34 56 43",
                  "3E 05 E3 00 00 03 E9 00 12 34 56 00 64 01 F6 7B 00 3C BA 19"},
        ReplyCase{"tag_read_of_the_second_tag", "31 05 E3 00 AB CD EF F4",
                  "3E 05 E3 00 00 03 EA 00 AB CD EF 00 C8 02 05 2D 00 78 AB 29"},
        ReplyCase{"network_poll_answers_bare_addresses", "31 FF DC", "05"},
        ReplyCase{"radio_parameters_acknowledged", "31 05 F4 FD E8 07 14 E7", "3E 05 F4 C0"},
        ReplyCase{"tag_read_of_an_unknown_identifier_is_silent", "31 05 E3 00 65 43 21 75", ""},
        ReplyCase{"cell_number_above_nine_is_silent", "31 05 E6 0A 00 1A 2B 3C 61", ""}),
    [](const auto& info) { return std::string(info.param.behaviour); });

// A sequence of exchanges on one bus: what a set-command leaves behind shows in a later read.
struct Step {
    std::string request;
    std::string reply;
};
struct RoundTrip {
    const char* behaviour;
    std::vector<Step> steps;
};

class SimBusRoundTrips : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(SimBusRoundTrips, LaterReadsShowWhatWasSet) {
    Bus bus = Bus::withDefaults();
    int n = 0;
    for (const Step& s : GetParam().steps) {
        SCOPED_TRACE("step " + std::to_string(++n) + ": " + s.request);
        EXPECT_BYTES(ask(bus, s.request), s.reply);
    }
}

INSTANTIATE_TEST_SUITE_P(
    SetThenRead, SimBusRoundTrips,
    ::testing::Values(
        RoundTrip{"mode_and_radio_parameters_show_in_current_parameters",
                  {{"31 05 F2 C0 30", "3E 05 F2 C0 AA"},
                   {"31 05 F4 FD E8 07 14 E7", "3E 05 F4 C0"},
                   {"31 05 F0 FE",
                    "3E 05 F0 15 00 02 39 30 00 00 64 00 00 00 C3 B2 A1 00 2C 01 C0 E8 FD 07 14 10"}}},
        RoundTrip{"written_cell_shows_in_the_next_table_read_and_clear_empties_it",
                  {{"31 05 E6 09 00 1A 2B 3C C1", kTableCell10},
                   {"31 05 E7 E0", kTableCell10},
                   {"31 05 E9 FF", kTableEmpty},
                   {"31 05 E7 E0", kTableEmpty}}},
        RoundTrip{"reset_delay_set_is_read_back",
                  {{"31 05 F1 17 70 94", "3E 05 F1 70 17 29"}, {"31 05 F7 7D", "3E 05 F1 70 17 29"}}},
        RoundTrip{"tag_write_shows_in_the_read_by_its_new_identifier",
                  {{"31 05 E1 0E 00 00 03 E9 00 65 43 21 01 2C 03 D8 00 5A 50",
                    "3E 05 E1 00 00 03 E9 00 65 43 21 01 2C 03 D8 7B 00 5A BA 99"},
                   {"31 05 E3 00 65 43 21 75", "3E 05 E3 00 00 03 E9 00 65 43 21 01 2C 03 D8 7B 00 5A BA C7"},
                   {"31 05 E3 00 12 34 56 43", ""}}},
        RoundTrip{"tag_serial_shows_in_the_next_search",
                  {{"31 05 E2 00 12 34 56 00 00 07 D0 F5", "3E 05 E2 00 00 07 D0 00 12 34 56 BA 34"},
                   {"31 05 E0 7A 7A 7A 7A F9", "3E 05 E0 00 00 07 D0 00 12 34 56 BA B1"}}},
        RoundTrip{"new_address_moves_the_reader",
                  {{"31 05 FB 07 CB", "3E 07 FB 10"},
                   {"31 05 F0 FE", ""},
                   {"31 07 FC CC", "3E 07 FC 40 E2 01 00 86 00 CE"},
                   {"31 FF DC", "07"}}},
        RoundTrip{
            "new_serial_shows_in_the_identification",
            {{"31 05 F6 00 1E 84 80 DE", "3E 05 F6 7C"}, {"31 05 FC 5D", "3E 05 FC 80 84 1E 00 86 00 F8"}}},
        RoundTrip{"empty_mark_takes_the_present_current_value",
                  {{"31 05 FA 80", "3E 05 FA DF"},
                   {"31 05 F0 FE",
                    "3E 05 F0 15 00 02 39 30 00 00 39 30 00 00 C3 B2 A1 00 2C 01 02 01 00 05 0A FF"}}},
        RoundTrip{"search_for_any_tag_takes_the_tags_in_turn",
                  {{"31 05 E0 7A 7A 7A 7A F9", "3E 05 E0 00 00 03 E9 00 12 34 56 BA 3E"},
                   {"31 05 E0 7A 7A 7A 7A F9", "3E 05 E0 00 00 03 EA 00 AB CD EF AB 15"},
                   {"31 05 E0 7A 7A 7A 7A F9", "3E 05 E0 00 00 03 E9 00 12 34 56 BA 3E"}}}),
    [](const auto& info) { return std::string(info.param.behaviour); });

TEST_F(SimBusState, SetCommandsChangeTheModelFields) {
    ask(bus, "31 05 F2 C0 30 31 05 F4 FD E8 07 14 E7 31 05 F1 17 70 94 31 05 F5 C1 31 05 FA 80");
    const Reader* r = bus.reader(5);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->mode, 0xC0);
    EXPECT_EQ(r->network, 65000);
    EXPECT_EQ(r->channel, 7);
    EXPECT_EQ(r->power, 20);
    EXPECT_EQ(r->resetDelay, 6000);
    EXPECT_EQ(r->upperCalibrations, 1);
    EXPECT_EQ(r->lowerCalibrations, 1);
}

TEST_F(SimBusState, LiveValuesSetByATestShowInTheReply) {
    Reader* r = bus.reader(5);
    r->live.temperature = -10;
    r->live.level = 1023;
    r->live.current = 1;
    EXPECT_BYTES(ask(bus, "31 05 F0 FE"),
                 "3E 05 F0 F6 FF 03 01 00 00 00 64 00 00 00 C3 B2 A1 00 2C 01 02 01 00 05 0A 95");
}

TEST_F(SimBusState, ReaderWithoutTagsIsSilentOnSearch) {
    bus.reader(5)->tags.clear();
    EXPECT_TRUE(ask(bus, "31 05 E0 7A 7A 7A 7A F9").isEmpty());
}

TEST_F(SimBusState, AddressInUseOrPollAddressIsRefused) {
    EXPECT_FALSE(bus.addReader(Bus::defaultReader(5)));
    EXPECT_FALSE(bus.addReader(Bus::defaultReader(0xFF)));
    ASSERT_TRUE(bus.addReader(Bus::defaultReader(7, 1)));
    // Moving 5 onto 7 is refused without an answer; both stay where they were.
    EXPECT_TRUE(ask(bus, "31 05 FB 07 CB").isEmpty());
    EXPECT_NE(bus.reader(5), nullptr);
    EXPECT_EQ(bus.reader(7)->serial, 123457u);
    EXPECT_BYTES(ask(bus, "31 FF DC"), "05 07");
}

TEST_F(SimBusState, EmptyBusIgnoresThePoll) {
    Bus empty;
    EXPECT_TRUE(ask(empty, "31 FF DC").isEmpty());
}

// ---- The frame parser ----

TEST_F(SimBusFraming, SeveralFramesInOneWriteAreAnsweredInOrder) {
    const auto exchanges = bus.feed(hex("31 05 F5 C1 31 05 FC 5D 31 05 FA 80"));
    ASSERT_EQ(exchanges.size(), 3u);
    EXPECT_BYTES(exchanges[0].replyBytes(), "3E 05 F5 9E");
    EXPECT_BYTES(exchanges[1].replyBytes(), kFCDefault);
    EXPECT_BYTES(exchanges[2].replyBytes(), "3E 05 FA DF");
    EXPECT_BYTES(exchanges[1].request, "31 05 FC 5D");
}

TEST_F(SimBusFraming, FrameArrivingInPiecesIsAnsweredWhenComplete) {
    EXPECT_TRUE(bus.feed(hex("31 05")).empty());
    EXPECT_TRUE(bus.feed(hex("F0")).empty());
    const auto exchanges = bus.feed(hex("FE"));
    ASSERT_EQ(exchanges.size(), 1u);
    EXPECT_BYTES(exchanges[0].replyBytes(), kF0Default);
}

TEST_F(SimBusFraming, WrongCheckByteIsIgnoredAndTheNextFrameAnswered) {
    EXPECT_BYTES(ask(bus, "31 05 FC 5C 31 05 F5 C1"), "3E 05 F5 9E");
    EXPECT_GE(bus.ignoredFrames(), 1);
}

TEST_F(SimBusFraming, FrameForAnAbsentAddressIsIgnored) {
    EXPECT_TRUE(ask(bus, "31 07 F0 6F").isEmpty());
    EXPECT_TRUE(ask(bus, "31 07 FC CC").isEmpty());
    EXPECT_EQ(bus.ignoredFrames(), 2);
}

TEST_F(SimBusFraming, JunkAroundFramesIsSkipped) {
    // Noise, a lone start byte, an unknown command and a truncated poll before and between frames.
    EXPECT_BYTES(ask(bus, "00 FF 3E 31 31 05 77 31 FF 00 31 05 F5 C1 AA 55 31 05 FA 80"),
                 "3E 05 F5 9E 3E 05 FA DF");
    EXPECT_TRUE(bus.pendingInput().isEmpty());
}

TEST_F(SimBusFraming, UnfinishedFrameIsDroppedAfterAQuietGap) {
    EXPECT_TRUE(bus.feed(hex("31 05 E1 0E 00")).empty());  // 19-byte command, cut short
    bus.advance(Bus::kStaleFrameMs + 1);
    EXPECT_BYTES(ask(bus, "31 05 F5 C1"), "3E 05 F5 9E");
}

TEST_F(SimBusFraming, UnfinishedFrameWaitsWithinTheGap) {
    EXPECT_TRUE(bus.feed(hex("31 05 F2")).empty());
    bus.advance(Bus::kStaleFrameMs / 2);
    EXPECT_BYTES(ask(bus, "C0 30"), "3E 05 F2 C0 AA");
}

TEST_F(SimBusFraming, RequestLengthsFollowTheCommandLayouts) {
    const std::pair<int, int> lengths[] = {{0xF0, 4},  {0xFC, 4},  {0xFB, 5}, {0xF6, 8}, {0xF5, 4},
                                           {0xFA, 4},  {0xF2, 5},  {0xF4, 8}, {0xE9, 4}, {0xE7, 4},
                                           {0xE6, 9},  {0xF7, 4},  {0xF1, 6}, {0xE0, 8}, {0xE3, 8},
                                           {0xE1, 19}, {0xE2, 12}, {0xE8, 4}, {0x06, 4}, {0x77, 0}};
    for (const auto& [code, len] : lengths)
        EXPECT_EQ(Bus::requestLength(quint8(code)), len) << std::hex << code;
}

// ---- Faults ----

struct FaultCase {
    const char* behaviour;
    FaultKind kind;
    std::vector<Chunk> expected;  // the spoilt identification reply
    bool hangUp;
};

class SimBusFaults : public ::testing::TestWithParam<FaultCase> {};

TEST_P(SimBusFaults, SpoilsTheNextReplyThenAnswersNormally) {
    Bus bus = Bus::withDefaults();
    bus.injectFault(GetParam().kind, 1);
    auto spoilt = bus.feed(hex("31 05 FC 5D"));
    ASSERT_EQ(spoilt.size(), 1u);
    EXPECT_EQ(spoilt[0].hangUp, GetParam().hangUp);
    if (GetParam().kind == FaultKind::Garbage) {
        const QByteArray junk = spoilt[0].replyBytes();
        ASSERT_GE(junk.size(), 6);
        EXPECT_NE(quint8(junk.at(0)), 0x3E);
        EXPECT_NE(junk, hex(kFCDefault));
    } else if (GetParam().kind == FaultKind::BadCrc) {
        const QByteArray reply = spoilt[0].replyBytes();
        ASSERT_EQ(reply.size(), 10);
        EXPECT_BYTES(reply.left(9), "3E 05 FC 40 E2 01 00 86 00");
        EXPECT_NE(quint8(reply.at(9)), 0x48);
    } else {
        ASSERT_EQ(spoilt[0].chunks.size(), GetParam().expected.size());
        for (std::size_t i = 0; i < spoilt[0].chunks.size(); ++i) {
            EXPECT_EQ(spoilt[0].chunks[i].delayMs, GetParam().expected[i].delayMs) << "chunk " << i;
            EXPECT_BYTES(spoilt[0].chunks[i].bytes, GetParam().expected[i].bytes.toStdString());
        }
    }
    EXPECT_TRUE(bus.faults().empty());
    EXPECT_BYTES(ask(bus, "31 05 FC 5D"), kFCDefault);
}

INSTANTIATE_TEST_SUITE_P(
    EveryKind, SimBusFaults,
    ::testing::Values(
        FaultCase{"silence", FaultKind::Silence, {}, false},
        FaultCase{"bad_crc", FaultKind::BadCrc, {}, false},
        FaultCase{"garbage", FaultKind::Garbage, {}, false},
        FaultCase{"split_in_two_30ms_apart",
                  FaultKind::Split,
                  {{0, "3E 05 FC 40 E2"}, {30, "01 00 86 00 48"}},
                  false},
        FaultCase{"late_by_300ms", FaultKind::Late, {{300, "3E 05 FC 40 E2 01 00 86 00 48"}}, false},
        FaultCase{"long_60_bytes_with_valid_check",
                  FaultKind::Long,
                  {{0, QByteArray::fromStdString("3E 05 FC 40 E2 01 00 86 00" + zeros(50) + " B2")}},
                  false},
        FaultCase{"hang_up", FaultKind::HangUp, {}, true}),
    [](const auto& info) { return std::string(info.param.behaviour); });

TEST_F(SimBusFaultScope, CountedFaultSpoilsExactlyThatManyReplies) {
    bus.injectFault(FaultKind::Silence, 2);
    EXPECT_TRUE(ask(bus, "31 05 F5 C1").isEmpty());
    EXPECT_TRUE(ask(bus, "31 05 F5 C1").isEmpty());
    EXPECT_BYTES(ask(bus, "31 05 F5 C1"), "3E 05 F5 9E");
}

TEST_F(SimBusFaultScope, UncountedFaultLastsUntilCleared) {
    bus.injectFault(FaultKind::Silence);
    for (int i = 0; i < 5; ++i) EXPECT_TRUE(ask(bus, "31 05 F5 C1").isEmpty()) << i;
    bus.clearFaults();
    EXPECT_BYTES(ask(bus, "31 05 F5 C1"), "3E 05 F5 9E");
}

TEST_F(SimBusFaultScope, FaultForOneReaderLeavesTheOthersAlone) {
    ASSERT_TRUE(bus.addReader(Bus::defaultReader(7, 1)));
    bus.injectFault(FaultKind::Silence, kUntilCleared, quint8(7));
    EXPECT_TRUE(ask(bus, "31 07 FC CC").isEmpty());
    EXPECT_BYTES(ask(bus, "31 05 F5 C1"), "3E 05 F5 9E");
}

TEST_F(SimBusFaultScope, SilencedCommandStillTakesEffect) {
    bus.injectFault(FaultKind::Silence, 1);
    EXPECT_TRUE(ask(bus, "31 05 F2 C0 30").isEmpty());
    EXPECT_EQ(bus.reader(5)->mode, 0xC0);
}

TEST_F(SimBusFaultScope, PollAnswerHasNoCheckByteToSpoil) {
    bus.injectFault(FaultKind::BadCrc, 1);
    EXPECT_BYTES(ask(bus, "31 FF DC"), "05");
    // The fault was not used up by the poll: the next framed reply gets it.
    EXPECT_NE(ask(bus, "31 05 F5 C1"), hex("3E 05 F5 9E"));
}

TEST_F(SimBusFaultScope, SilentAnswerDoesNotUseUpAFault) {
    bus.injectFault(FaultKind::Silence, 1);
    EXPECT_TRUE(ask(bus, "31 05 E3 00 65 43 21 75").isEmpty());  // unknown tag: no answer anyway
    EXPECT_TRUE(ask(bus, "31 05 F5 C1").isEmpty());
    EXPECT_BYTES(ask(bus, "31 05 F5 C1"), "3E 05 F5 9E");
}

TEST_F(SimBusFaultScope, SplitAndLateTakeTheirOwnDelays) {
    bus.injectFault(FaultKind::Split, 1, std::nullopt, 80);
    bus.injectFault(FaultKind::Late, 1, std::nullopt, 700);
    auto split = bus.feed(hex("31 05 F5 C1"));
    ASSERT_EQ(split[0].chunks.size(), 2u);
    EXPECT_EQ(split[0].chunks[1].delayMs, 80);
    auto late = bus.feed(hex("31 05 F5 C1"));
    ASSERT_EQ(late[0].chunks.size(), 1u);
    EXPECT_EQ(late[0].chunks[0].delayMs, 700);
}

TEST_F(SimBusFaultScope, FaultNamesRoundTrip) {
    const std::pair<const char*, FaultKind> names[] = {
        {"silence", FaultKind::Silence}, {"bad-crc", FaultKind::BadCrc}, {"garbage", FaultKind::Garbage},
        {"split", FaultKind::Split},     {"late", FaultKind::Late},      {"long", FaultKind::Long},
        {"hangup", FaultKind::HangUp}};
    for (const auto& [name, kind] : names) {
        EXPECT_EQ(faultName(kind), QString::fromLatin1(name));
        EXPECT_EQ(faultFromName(QString::fromLatin1(name)), kind);
    }
    EXPECT_FALSE(faultFromName(QStringLiteral("crc")).has_value());
}

// ---- Drifting live values ----

TEST(SimBusWander, SameSeedSameDrift) {
    Bus a = Bus::withDefaults(42);
    Bus b = Bus::withDefaults(42);
    a.advance(5000);
    b.advance(5000);
    EXPECT_EQ(ask(a, "31 05 F0 FE"), ask(b, "31 05 F0 FE"));
    EXPECT_NE(ask(a, "31 05 F0 FE"), hex(kF0Default));
}

TEST(SimBusWander, LevelStaysInRangeAndCurrentNeverZero) {
    Bus bus = Bus::withDefaults(7);
    Reader* r = bus.reader(5);
    r->live.level = 3;
    r->live.current = 2;
    int distinctLevels = 0;
    quint16 last = r->live.level;
    for (int i = 0; i < 6000; ++i) {
        bus.advance(100);
        ASSERT_LE(r->live.level, 1023);
        ASSERT_NE(r->live.current, 0u);
        ASSERT_GE(r->live.temperature, -40);
        if (r->live.level != last) ++distinctLevels;
        last = r->live.level;
    }
    EXPECT_GT(distinctLevels, 100);  // it does move
}

TEST(SimBusWander, StillReaderAndShortStepsKeepTheirValues) {
    Bus bus = Bus::withDefaults();
    bus.advance(99);  // less than one drift step
    EXPECT_BYTES(ask(bus, "31 05 F0 FE"), kF0Default);
    bus.reader(5)->wander = false;
    bus.advance(10000);
    EXPECT_BYTES(ask(bus, "31 05 F0 FE"), kF0Default);
    EXPECT_EQ(bus.nowMs(), 10099);
}

TEST(SimBusDefaults, ExtraReadersAndTagsAreDistinct) {
    const Reader r = Bus::defaultReader(9, 2, 5);
    EXPECT_EQ(r.address, 9);
    EXPECT_EQ(r.serial, 123458u);
    ASSERT_EQ(r.tags.size(), 5u);
    for (std::size_t i = 0; i < r.tags.size(); ++i) {
        for (std::size_t j = i + 1; j < r.tags.size(); ++j) {
            EXPECT_NE(r.tags[i].serial, r.tags[j].serial);
            EXPECT_NE(r.tags[i].identifier, r.tags[j].identifier);
        }
    }
    const Reader first = Bus::defaultReader(5);
    EXPECT_NE(first.tags[0].identifier, r.tags[0].identifier);
}

}  // namespace
}  // namespace kestrel::sim
