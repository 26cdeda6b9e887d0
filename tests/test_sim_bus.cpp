// The simulated bus without a port: replies byte for byte, set-then-read round trips, the frame
// parser, the faults and the drifting live values. Every expected reply below is written out from the
// reply layouts with its check byte worked out separately (Dallas/Maxim CRC-8), never by the code
// under test.

#include <gtest/gtest.h>

#include <functional>

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
const std::string kTableLastCell = "3E 05 E6 56 34 12 00 EF CD AB 00" + zeros(28) + " 3C 2B 1A 00 85";

// Requests on one bus in turn, each with the bytes the line carries back ("": nothing), after an
// optional change to the bus. A set-command's effect shows in a later read.
struct Step {
    std::string request;
    std::string reply;
};
struct Scenario {
    const char* behaviour;
    std::vector<Step> steps;
    std::function<void(Bus&)> setUp = nullptr;
};

class SimBusExchanges : public ::testing::TestWithParam<Scenario> {};

TEST_P(SimBusExchanges, AnswerEachRequestInTurn) {
    Bus bus = Bus::withDefaults();
    if (GetParam().setUp) GetParam().setUp(bus);
    int n = 0;
    for (const Step& s : GetParam().steps) {
        SCOPED_TRACE("step " + std::to_string(++n) + ": " + s.request);
        EXPECT_BYTES(ask(bus, s.request), s.reply);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Replies, SimBusExchanges,
    ::testing::Values(
        Scenario{"current_parameters_26_bytes_lsb_first", {{"31 05 F0 FE", kF0Default}}},
        Scenario{"identification_serial_lsb_first_type_and_prefix", {{"31 05 FC 5D", kFCDefault}}},
        Scenario{"upper_calibration_acknowledged", {{"31 05 F5 C1", "3E 05 F5 9E"}}},
        Scenario{"table_read_answers_code_E6_with_ten_cells", {{"31 05 E7 E0", kTableDefault}}},
        Scenario{"delay_read_answers_code_F1_lsb_first", {{"31 05 F7 7D", "3E 05 F1 F4 01 7D"}}},
        Scenario{"slave_data_mixed_byte_orders",
                 {{"31 05 E8 A1", "3E 05 E8 F1 FB 09 00 01 98 DC 05 CD 9C 08"}}},
        Scenario{"slave_rs485_value_after_an_unused_byte", {{"31 05 06 57", "3E 05 06 00 34 12 12"}}},
        Scenario{"search_for_one_identifier_answers_that_tag",
                 {{"31 05 E0 00 AB CD EF BA", "3E 05 E0 00 00 03 EA 00 AB CD EF AB 15"}}},
        Scenario{
            "tag_read_of_the_first_tag",
            {{"31 05 E3 00 12 34 56 43", "3E 05 E3 00 00 03 E9 00 12 34 56 00 64 01 F6 7B 00 3C BA 19"}}},
        Scenario{
            "tag_read_of_the_second_tag",
            {{"31 05 E3 00 AB CD EF F4", "3E 05 E3 00 00 03 EA 00 AB CD EF 00 C8 02 05 2D 00 78 AB 29"}}},
        Scenario{"network_poll_answers_bare_addresses", {{"31 FF DC", "05"}}},
        Scenario{"live_values_set_on_the_model_show_in_the_reply",
                 {{"31 05 F0 FE",
                   "3E 05 F0 F6 FF 03 01 00 00 00 64 00 00 00 C3 B2 A1 00 2C 01 02 01 00 05 0A 95"}},
                 [](Bus& b) {
                     Live& live = b.reader(5)->live;
                     live.temperature = -10;
                     live.level = 1023;
                     live.current = 1;
                 }},
        Scenario{"reader_without_tags_is_silent_on_search",
                 {{"31 05 E0 7A 7A 7A 7A F9", ""}},
                 [](Bus& b) { b.reader(5)->tags.clear(); }},
        Scenario{"empty_bus_ignores_the_poll", {{"31 FF DC", ""}}, [](Bus& b) { b.removeReader(5); }}),
    [](const auto& info) { return std::string(info.param.behaviour); });

INSTANTIATE_TEST_SUITE_P(
    SetThenRead, SimBusExchanges,
    ::testing::Values(
        Scenario{"mode_and_radio_parameters_show_in_current_parameters",
                 {{"31 05 F2 C0 30", "3E 05 F2 C0 AA"},
                  {"31 05 F4 FD E8 07 14 E7", "3E 05 F4 C0"},
                  {"31 05 F0 FE",
                   "3E 05 F0 15 00 02 39 30 00 00 64 00 00 00 C3 B2 A1 00 2C 01 C0 E8 FD 07 14 10"}}},
        Scenario{"written_cell_shows_in_the_next_table_read_and_clear_empties_it",
                 {{"31 05 E6 09 00 1A 2B 3C C1", kTableLastCell},
                  {"31 05 E7 E0", kTableLastCell},
                  {"31 05 E9 FF", kTableEmpty},
                  {"31 05 E7 E0", kTableEmpty}}},
        Scenario{"reset_delay_set_is_read_back",
                 {{"31 05 F1 17 70 94", "3E 05 F1 70 17 29"}, {"31 05 F7 7D", "3E 05 F1 70 17 29"}}},
        Scenario{"tag_write_shows_in_the_read_by_its_new_identifier",
                 {{"31 05 E1 0E 00 00 03 E9 00 65 43 21 01 2C 03 D8 00 5A 50",
                   "3E 05 E1 00 00 03 E9 00 65 43 21 01 2C 03 D8 7B 00 5A BA 99"},
                  {"31 05 E3 00 65 43 21 75", "3E 05 E3 00 00 03 E9 00 65 43 21 01 2C 03 D8 7B 00 5A BA C7"},
                  {"31 05 E3 00 12 34 56 43", ""}}},
        Scenario{"tag_serial_shows_in_the_next_search",
                 {{"31 05 E2 00 12 34 56 00 00 07 D0 F5", "3E 05 E2 00 00 07 D0 00 12 34 56 BA 34"},
                  {"31 05 E0 7A 7A 7A 7A F9", "3E 05 E0 00 00 07 D0 00 12 34 56 BA B1"}}},
        Scenario{"new_address_moves_the_reader",
                 {{"31 05 FB 07 CB", "3E 07 FB 10"},
                  {"31 05 F0 FE", ""},
                  {"31 07 FC CC", "3E 07 FC 40 E2 01 00 86 00 CE"},
                  {"31 FF DC", "07"}}},
        Scenario{
            "new_address_in_use_is_refused_without_an_answer",
            {{"31 05 FB 07 CB", ""}, {"31 FF DC", "05 07"}, {"31 07 FC CC", "3E 07 FC 41 E2 01 00 86 00 F9"}},
            [](Bus& b) { b.addReader(Bus::defaultReader(7, 1)); }},
        Scenario{
            "new_serial_shows_in_the_identification",
            {{"31 05 F6 00 1E 84 80 DE", "3E 05 F6 7C"}, {"31 05 FC 5D", "3E 05 FC 80 84 1E 00 86 00 F8"}}},
        Scenario{"empty_mark_takes_the_present_current_value",
                 {{"31 05 FA 80", "3E 05 FA DF"},
                  {"31 05 F0 FE",
                   "3E 05 F0 15 00 02 39 30 00 00 39 30 00 00 C3 B2 A1 00 2C 01 02 01 00 05 0A FF"}}},
        Scenario{"search_for_any_tag_takes_the_tags_in_turn",
                 {{"31 05 E0 7A 7A 7A 7A F9", "3E 05 E0 00 00 03 E9 00 12 34 56 BA 3E"},
                  {"31 05 E0 7A 7A 7A 7A F9", "3E 05 E0 00 00 03 EA 00 AB CD EF AB 15"},
                  {"31 05 E0 7A 7A 7A 7A F9", "3E 05 E0 00 00 03 E9 00 12 34 56 BA 3E"}}}),
    [](const auto& info) { return std::string(info.param.behaviour); });

// The frame parser: what reaches a reader out of the bytes on the line.
INSTANTIATE_TEST_SUITE_P(
    Framing, SimBusExchanges,
    ::testing::Values(
        Scenario{"several_frames_in_one_write_are_answered_in_order",
                 {{"31 05 F5 C1 31 05 FC 5D 31 05 FA 80", "3E 05 F5 9E " + kFCDefault + " 3E 05 FA DF"}}},
        Scenario{"frame_in_pieces_is_answered_when_complete",
                 {{"31 05", ""}, {"F0", ""}, {"FE", kF0Default}}},
        Scenario{"wrong_check_byte_is_ignored_and_the_next_frame_answered",
                 {{"31 05 FC 5C 31 05 F5 C1", "3E 05 F5 9E"}}},
        Scenario{"frames_for_an_absent_address_are_ignored", {{"31 07 F0 6F", ""}, {"31 07 FC CC", ""}}},
        // Noise, a lone start byte, an unknown command and a truncated poll before and between frames.
        Scenario{
            "junk_around_frames_is_skipped",
            {{"00 FF 3E 31 31 05 77 31 FF 00 31 05 F5 C1 AA 55 31 05 FA 80", "3E 05 F5 9E 3E 05 FA DF"}}}),
    [](const auto& info) { return std::string(info.param.behaviour); });

// The calibrations answer with a bare acknowledgement, so only the model shows that they arrived.
TEST_F(SimBusState, CalibrationsAreCounted) {
    ask(bus, "31 05 F5 C1 31 05 FA 80 31 05 FA 80");
    EXPECT_EQ(bus.reader(5)->upperCalibrations, 1);
    EXPECT_EQ(bus.reader(5)->lowerCalibrations, 2);
}

// The table has ten cells, 0..9. A write of a cell past it with a wrong check byte is dropped unread; a
// correctly checked one reaches the reader (the frame is taken, not ignored), gets no answer and changes
// nothing: not the table, nor the reset delay that the model keeps right after it. Cell 9 is still written.
TEST_F(SimBusState, CellWritePastTheTenthCellIsTakenButNotAnswered) {
    EXPECT_TRUE(bus.feed(hex("31 05 E6 0A 00 1A 2B 3C 61")).empty());
    EXPECT_EQ(bus.ignoredFrames(), 1);
    for (const char* request : {"31 05 E6 0A 00 1A 2B 3C 8F", "31 05 E6 FF 00 1A 2B 3C FB"}) {
        SCOPED_TRACE(request);
        const auto exchanges = bus.feed(hex(request));
        ASSERT_EQ(exchanges.size(), 1u) << "the frame passes the check and reaches the reader";
        EXPECT_TRUE(exchanges[0].replyBytes().isEmpty());
    }
    EXPECT_EQ(bus.ignoredFrames(), 1);
    EXPECT_BYTES(ask(bus, "31 05 E7 E0"), kTableDefault);
    EXPECT_BYTES(ask(bus, "31 05 F7 7D"), "3E 05 F1 F4 01 7D");
    EXPECT_BYTES(ask(bus, "31 05 E6 09 00 1A 2B 3C C1"), kTableLastCell);
}

TEST_F(SimBusState, AddressInUseOrPollAddressCannotBeAdded) {
    EXPECT_FALSE(bus.addReader(Bus::defaultReader(5)));
    EXPECT_FALSE(bus.addReader(Bus::defaultReader(0xFF)));
}

TEST_F(SimBusFraming, UnfinishedFrameIsDroppedAfterAQuietGap) {
    EXPECT_TRUE(bus.feed(hex("31 05 E1 0E 00")).empty());  // 19-byte command, cut short
    bus.advance(Bus::kStaleFrameMs + 1);
    EXPECT_BYTES(ask(bus, "31 05 F5 C1"), "3E 05 F5 9E");
    EXPECT_TRUE(bus.pendingInput().isEmpty());
}

TEST_F(SimBusFraming, UnfinishedFrameWaitsWithinTheGap) {
    EXPECT_TRUE(bus.feed(hex("31 05 F2")).empty());
    bus.advance(Bus::kStaleFrameMs / 2);
    EXPECT_BYTES(bus.pendingInput(), "31 05 F2");
    EXPECT_BYTES(ask(bus, "C0 30"), "3E 05 F2 C0 AA");
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

// Which replies a fault spoils.
INSTANTIATE_TEST_SUITE_P(
    FaultScope, SimBusExchanges,
    ::testing::Values(
        Scenario{"counted_fault_spoils_exactly_that_many_replies",
                 {{"31 05 F5 C1", ""}, {"31 05 F5 C1", ""}, {"31 05 F5 C1", "3E 05 F5 9E"}},
                 [](Bus& b) { b.injectFault(FaultKind::Silence, 2); }},
        Scenario{"fault_for_one_reader_leaves_the_others_alone",
                 {{"31 07 FC CC", ""}, {"31 05 F5 C1", "3E 05 F5 9E"}},
                 [](Bus& b) {
                     b.addReader(Bus::defaultReader(7, 1));
                     b.injectFault(FaultKind::Silence, kUntilCleared, quint8(7));
                 }},
        // An unknown tag gets no answer anyway, so the fault waits for the next answer.
        Scenario{"silent_answer_does_not_use_up_a_fault",
                 {{"31 05 E3 00 65 43 21 75", ""}, {"31 05 F5 C1", ""}, {"31 05 F5 C1", "3E 05 F5 9E"}},
                 [](Bus& b) { b.injectFault(FaultKind::Silence, 1); }}),
    [](const auto& info) { return std::string(info.param.behaviour); });

TEST_F(SimBusFaultScope, UncountedFaultLastsUntilCleared) {
    bus.injectFault(FaultKind::Silence);
    for (int i = 0; i < 5; ++i) EXPECT_TRUE(ask(bus, "31 05 F5 C1").isEmpty()) << i;
    bus.clearFaults();
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
