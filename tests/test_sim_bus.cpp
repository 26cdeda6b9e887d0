// The simulated bus without a port: replies byte for byte, set-then-read round trips, the frame
// parser and the faults. Every expected reply below is written out from the
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

// n zero bytes as hex text (with a leading blank), for the long runs of empty cells and padding.
std::string zeros(int n) {
    return " " + QByteArray(n, '\0').toHex(' ').toStdString();
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

// Requests on one bus in turn, each as "request -> the bytes the line carries back" (nothing after the
// arrow: no answer), after an optional change to the bus. A set-command's effect shows in a later read.
struct Scenario {
    const char* behaviour;
    std::vector<std::string> steps;
    std::function<void(Bus&)> setUp = nullptr;
};
// CTest lists each scenario by its behaviour.
void PrintTo(const Scenario& s, std::ostream* os) {
    *os << s.behaviour;
}

class SimBusExchanges : public ::testing::TestWithParam<Scenario> {};

TEST_P(SimBusExchanges, AnswerEachRequestInTurn) {
    Bus bus = Bus::withDefaults();
    if (GetParam().setUp) GetParam().setUp(bus);
    for (const std::string& step : GetParam().steps) {
        SCOPED_TRACE(step);
        const std::size_t arrow = step.find("->");
        ASSERT_NE(arrow, std::string::npos);
        EXPECT_BYTES(ask(bus, step.substr(0, arrow)), step.substr(arrow + 2));
    }
}

// The reads of the identification, current parameters and calibrations are pinned by the framing and
// fault scenarios below; the table and delay reads by the cell bound test.
INSTANTIATE_TEST_SUITE_P(
    Bus, SimBusExchanges,
    ::testing::Values(
        Scenario{"reads_of_the_default_bus",
                 {"31 05 E8 A1 -> 3E 05 E8 F1 FB 09 00 01 98 DC 05 CD 9C 08",  // mixed byte orders
                  "31 05 06 57 -> 3E 05 06 00 34 12 12",  // the RS485 value after an unused byte
                  "31 05 E0 00 AB CD EF BA -> 3E 05 E0 00 00 03 EA 00 AB CD EF AB 15",
                  "31 05 E3 00 12 34 56 43 -> 3E 05 E3 00 00 03 E9 00 12 34 56 00 64 01 F6 7B 00 3C BA 19",
                  "31 05 E3 00 AB CD EF F4 -> 3E 05 E3 00 00 03 EA 00 AB CD EF 00 C8 02 05 2D 00 78 AB 29",
                  "31 FF DC -> 05"}},
        // Live values set on the model show in the reply; a reader without tags is silent on a search;
        // a reader added and removed again is gone from the poll.
        Scenario{
            "changes_on_the_model_show_in_the_replies",
            {"31 05 F0 FE -> 3E 05 F0 F6 FF 03 01 00 00 00 64 00 00 00 C3 B2 A1 00 2C 01 02 01 00 05 0A 95",
             "31 05 E0 7A 7A 7A 7A F9 ->", "31 FF DC -> 05"},
            [](Bus& b) {
                b.reader(5)->live = Live{-10, 1023, 1, 100, 0xA1B2C3, 300};
                b.reader(5)->tags.clear();
                b.addReader(Bus::defaultReader(7, 1));
                EXPECT_TRUE(b.removeReader(7));
            }},
        // ---- Set-commands, then reads ----
        // Mode, radio parameters and the empty mark (the present current value) in one read.
        Scenario{
            "settings_show_in_later_reads",
            {"31 05 F2 C0 30 -> 3E 05 F2 C0 AA", "31 05 F4 FD E8 07 14 E7 -> 3E 05 F4 C0",
             "31 05 FA 80 -> 3E 05 FA DF",
             "31 05 F0 FE -> 3E 05 F0 15 00 02 39 30 00 00 39 30 00 00 C3 B2 A1 00 2C 01 C0 E8 FD 07 14 0A",
             "31 05 F1 17 70 94 -> 3E 05 F1 70 17 29", "31 05 F7 7D -> 3E 05 F1 70 17 29",
             "31 05 F6 00 1E 84 80 DE -> 3E 05 F6 7C", "31 05 FC 5D -> 3E 05 FC 80 84 1E 00 86 00 F8"}},
        Scenario{"tag_write_shows_in_the_read_by_its_new_identifier",
                 {"31 05 E1 0E 00 00 03 E9 00 65 43 21 01 2C 03 D8 00 5A 50 -> "
                  "3E 05 E1 00 00 03 E9 00 65 43 21 01 2C 03 D8 7B 00 5A BA 99",
                  "31 05 E3 00 65 43 21 75 -> 3E 05 E3 00 00 03 E9 00 65 43 21 01 2C 03 D8 7B 00 5A BA C7",
                  "31 05 E3 00 12 34 56 43 ->"}},
        // A search for any tag takes the tags in turn; the first one with the serial just set.
        Scenario{"tag_serial_shows_in_the_searches_for_any_tag",
                 {"31 05 E2 00 12 34 56 00 00 07 D0 F5 -> 3E 05 E2 00 00 07 D0 00 12 34 56 BA 34",
                  "31 05 E0 7A 7A 7A 7A F9 -> 3E 05 E0 00 00 07 D0 00 12 34 56 BA B1",
                  "31 05 E0 7A 7A 7A 7A F9 -> 3E 05 E0 00 00 03 EA 00 AB CD EF AB 15",
                  "31 05 E0 7A 7A 7A 7A F9 -> 3E 05 E0 00 00 07 D0 00 12 34 56 BA B1"}},
        Scenario{"new_address_moves_the_reader",
                 {"31 05 FB 07 CB -> 3E 07 FB 10", "31 05 F0 FE ->",
                  "31 07 FC CC -> 3E 07 FC 40 E2 01 00 86 00 CE", "31 FF DC -> 07"}},
        // An address in use, or the poll address, cannot be given to another reader either.
        Scenario{"new_address_in_use_is_refused_without_an_answer",
                 {"31 05 FB 07 CB ->", "31 FF DC -> 05 07", "31 07 FC CC -> 3E 07 FC 41 E2 01 00 86 00 F9"},
                 [](Bus& b) {
                     EXPECT_TRUE(b.addReader(Bus::defaultReader(7, 1)));
                     EXPECT_FALSE(b.addReader(Bus::defaultReader(7)));
                     EXPECT_FALSE(b.addReader(Bus::defaultReader(0xFF)));
                 }},
        // ---- The frame parser: what reaches a reader out of the bytes on the line ----
        // Last: noise, a lone start byte right before a frame, an unknown command and a truncated poll.
        Scenario{"frames_are_picked_out_of_the_bytes_on_the_line",
                 {"31 05 ->", "F0 ->", "FE -> " + kF0Default,  // a frame in pieces
                  "31 05 F5 C1 31 05 FC 5D 31 05 FA 80 -> 3E 05 F5 9E " + kFCDefault + " 3E 05 FA DF",
                  "31 05 FC 5C 31 05 F5 C1 -> 3E 05 F5 9E",  // a wrong check byte: the next frame is answered
                  "31 07 F0 6F 31 07 FC CC ->",              // nobody has address 7
                  "00 FF 3E 31 31 05 F5 C1 31 05 77 31 FF 00 AA 55 31 05 FA 80 -> 3E 05 F5 9E 3E 05 FA DF"}},
        // ---- Which replies a fault spoils ----
        // The silenced mode command still takes effect.
        Scenario{
            "counted_fault_spoils_exactly_that_many_replies",
            {"31 05 F2 C0 30 ->", "31 05 F5 C1 ->", "31 05 F5 C1 -> 3E 05 F5 9E",
             "31 05 F0 FE -> 3E 05 F0 15 00 02 39 30 00 00 64 00 00 00 C3 B2 A1 00 2C 01 C0 01 00 05 0A 44"},
            [](Bus& b) { b.injectFault(FaultKind::Silence, 2); }},
        Scenario{"fault_for_one_reader_leaves_the_others_alone",
                 {"31 07 FC CC ->", "31 05 F5 C1 -> 3E 05 F5 9E"},
                 [](Bus& b) {
                     b.addReader(Bus::defaultReader(7, 1));
                     b.injectFault(FaultKind::Silence, kUntilCleared, quint8(7));
                 }},
        // An unknown tag gets no answer anyway, so the fault waits for the next answer.
        Scenario{"silent_answer_does_not_use_up_a_fault",
                 {"31 05 E3 00 65 43 21 75 ->", "31 05 F5 C1 ->", "31 05 F5 C1 -> 3E 05 F5 9E"},
                 [](Bus& b) { b.injectFault(FaultKind::Silence, 1); }}));

// The calibrations answer with a bare acknowledgement, so only the model shows that they arrived.
TEST_F(SimBusState, CalibrationsAreCountedAndAStuckReaderKeepsNone) {
    ask(bus, "31 05 F5 C1 31 05 FA 80 31 05 FA 80");
    EXPECT_EQ(bus.reader(5)->upperCalibrations, 1);
    EXPECT_EQ(bus.reader(5)->lowerCalibrations, 2);
    bus.injectFault(FaultKind::Stuck, 1);
    ask(bus, "31 05 F5 C1");
    EXPECT_EQ(bus.reader(5)->upperCalibrations, 1) << "answered, not kept";
    EXPECT_EQ(bus.faultsMade(FaultKind::Stuck), 1);
    ask(bus, "31 05 F5 C1");
    EXPECT_EQ(bus.reader(5)->upperCalibrations, 2);
}

// However many tags a reader hears (--tags allows 50), their reception levels stay between -60 and -99 dBm.
TEST(SimBusReaders, ReceptionLevelsStayInTheirRangeForEveryTag) {
    for (const Tag& t : Bus::defaultReader(5, 0, 50).tags)
        EXPECT_TRUE(t.level <= -60 && t.level >= -99) << t.level;
}

// The table has ten cells, 0..9. A write of a cell past it with a wrong check byte is dropped unread; a
// correctly checked one reaches the reader (the frame is taken, not ignored), gets no answer and changes
// nothing: not the table, nor the reset delay that the model keeps right after it. Cell 9 is still
// written, and clearing empties the table.
TEST_F(SimBusState, CellWritePastTheTenthCellIsTakenButNotAnswered) {
    EXPECT_TRUE(bus.feed(hex("31 05 E6 0A 00 1A 2B 3C 61")).empty());
    for (const char* request : {"31 05 E6 0A 00 1A 2B 3C 8F", "31 05 E6 FF 00 1A 2B 3C FB"}) {
        const auto exchanges = bus.feed(hex(request));
        ASSERT_EQ(exchanges.size(), 1u) << request << ": the frame passes the check and reaches the reader";
        EXPECT_TRUE(exchanges[0].replyBytes().isEmpty());
    }
    EXPECT_EQ(bus.ignoredFrames(), 1);
    EXPECT_BYTES(ask(bus, "31 05 E7 E0"), kTableDefault);
    EXPECT_BYTES(ask(bus, "31 05 F7 7D"), "3E 05 F1 F4 01 7D");
    EXPECT_BYTES(ask(bus, "31 05 E6 09 00 1A 2B 3C C1"), kTableLastCell);
    EXPECT_BYTES(ask(bus, "31 05 E9 FF"), kTableEmpty);
    EXPECT_BYTES(ask(bus, "31 05 E7 E0"), kTableEmpty);
}

// An unfinished frame waits for its rest up to kStaleFrameMs of quiet, and is dropped after that.
TEST_F(SimBusState, UnfinishedFrameWaitsForItsRestUntilAQuietGap) {
    EXPECT_TRUE(bus.feed(hex("31 05 F2")).empty());
    bus.advance(Bus::kStaleFrameMs);
    EXPECT_BYTES(bus.pendingInput(), "31 05 F2");
    EXPECT_BYTES(ask(bus, "C0 30"), "3E 05 F2 C0 AA");
    EXPECT_TRUE(bus.feed(hex("31 05 E1 0E 00")).empty());  // a 19-byte command, cut short
    bus.advance(Bus::kStaleFrameMs + 1);
    EXPECT_BYTES(ask(bus, "31 05 F5 C1"), "3E 05 F5 9E");
    EXPECT_EQ(bus.nowMs(), 2 * Bus::kStaleFrameMs + 1);
}

// ---- Faults ----

// Each kind spoils the next identification reply (kFCDefault) in its own way, then the reader answers
// normally again. A delay of -1 takes the kind's default gap or delay.
struct FaultCase {
    FaultKind kind;
    const char* name;  // on the command line and in traces
    int delayMs;
    std::vector<std::pair<int, std::string>> chunks;  // the spoilt reply: delay, bytes
};
void PrintTo(const FaultCase& c, std::ostream* os) {
    *os << c.name << (c.delayMs < 0 ? "" : "_" + std::to_string(c.delayMs) + "ms");
}

class SimBusFaults : public ::testing::TestWithParam<FaultCase> {};

TEST_P(SimBusFaults, SpoilTheNextReplyThenTheReaderAnswersNormally) {
    const FaultCase& c = GetParam();
    EXPECT_EQ(faultName(c.kind), QString::fromLatin1(c.name));
    EXPECT_EQ(faultFromName(QString::fromLatin1(c.name)), c.kind);
    Bus bus = Bus::withDefaults();
    bus.injectFault(c.kind, 1, std::nullopt, c.delayMs);
    const auto spoilt = bus.feed(hex("31 05 FC 5D"));
    ASSERT_EQ(spoilt.size(), 1u);
    EXPECT_EQ(spoilt[0].hangUp, c.kind == FaultKind::HangUp);
    const QByteArray reply = spoilt[0].replyBytes();
    if (c.kind == FaultKind::BadCrc) {
        ASSERT_EQ(reply.size(), 10);
        EXPECT_BYTES(reply.left(9), "3E 05 FC 40 E2 01 00 86 00");
        EXPECT_NE(quint8(reply.at(9)), 0x48) << "the check byte is wrong";
    } else if (c.kind == FaultKind::Garbage) {
        ASSERT_GE(reply.size(), 6);
        EXPECT_NE(quint8(reply.at(0)), 0x3E) << "random bytes, never starting like a reply";
    } else {
        ASSERT_EQ(spoilt[0].chunks.size(), c.chunks.size());
        for (std::size_t i = 0; i < c.chunks.size(); ++i) {
            EXPECT_EQ(spoilt[0].chunks[i].delayMs, c.chunks[i].first) << "chunk " << i;
            EXPECT_BYTES(spoilt[0].chunks[i].bytes, c.chunks[i].second);
        }
    }
    EXPECT_TRUE(bus.faults().empty());
    EXPECT_EQ(bus.faultsMade(c.kind), 1) << "the soak compares the link statistics with this count";
    EXPECT_BYTES(ask(bus, "31 05 FC 5D"), kFCDefault);
}

INSTANTIATE_TEST_SUITE_P(
    EveryKind, SimBusFaults,
    ::testing::Values(
        FaultCase{FaultKind::Silence, "silence", -1, {}}, FaultCase{FaultKind::BadCrc, "bad-crc", -1, {}},
        FaultCase{FaultKind::Garbage, "garbage", -1, {}},
        FaultCase{FaultKind::Split, "split", -1, {{0, "3E 05 FC 40 E2"}, {30, "01 00 86 00 48"}}},
        FaultCase{FaultKind::Split, "split", 80, {{0, "3E 05 FC 40 E2"}, {80, "01 00 86 00 48"}}},
        FaultCase{FaultKind::Late, "late", -1, {{300, kFCDefault}}},
        FaultCase{FaultKind::Late, "late", 700, {{700, kFCDefault}}},
        // Padded to 60 bytes before a check byte that is valid again.
        FaultCase{FaultKind::Long, "long", -1, {{0, "3E 05 FC 40 E2 01 00 86 00" + zeros(50) + " B2"}}},
        FaultCase{FaultKind::HangUp, "hangup", -1, {}}));

TEST_F(SimBusFaultScope, UncountedFaultLastsUntilCleared) {
    bus.injectFault(FaultKind::Silence);
    for (int i = 0; i < 5; ++i) EXPECT_TRUE(ask(bus, "31 05 F5 C1").isEmpty()) << i;
    bus.clearFaults();
    EXPECT_BYTES(ask(bus, "31 05 F5 C1"), "3E 05 F5 9E");
}

// The poll answer has no check byte, so neither a wrong check byte nor padding before one is used up
// on it: the next two framed replies get them.
TEST_F(SimBusFaultScope, PollAnswerHasNoCheckByteToSpoil) {
    bus.injectFault(FaultKind::BadCrc, 1);
    bus.injectFault(FaultKind::Long, 1);
    EXPECT_BYTES(ask(bus, "31 FF DC"), "05");
    EXPECT_NE(ask(bus, "31 05 F5 C1"), hex("3E 05 F5 9E"));
    EXPECT_EQ(ask(bus, "31 05 F5 C1").size(), kLongReplyBytes);
}

}  // namespace
}  // namespace kestrel::sim
