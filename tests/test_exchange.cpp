// The exchange cycle over an in-memory port: what goes on the wire each tick, and what it reports.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

#include "device/commands.h"
#include "exchange/cycle.h"
#include "exchange/transactor.h"
#include "fakeport.h"
#include "protocol/frame.h"

using namespace kestrel;
using kestrel::test::FakePort;
using kestrel::test::hex;

namespace {

class CycleOnFakePort : public ::testing::Test {
  protected:
    CycleOnFakePort() {
        // A long period so only the test starts ticks; a short read window keeps the suite fast, and a long
        // hold of arrivals keeps a tick inside it however slow the machine. No gap: a tick writes at once.
        cycle = std::make_unique<ExchangeCycle>(queue, ExchangeCycle::Timing{60000, 40});
        port.open(QStringLiteral("COM3"));
        ExchangeCycle* c = cycle.get();
        QObject::connect(c, &ExchangeCycle::requestShown, [this](const QString& t) { requestBox = t; });
        QObject::connect(c, &ExchangeCycle::traceText, [this](const QString& t) { trace = t; });
        QObject::connect(c, &ExchangeCycle::written, [this] { events << "written"; });
        QObject::connect(c, &ExchangeCycle::replyArrived, [this] { events << "arrived"; });
        QObject::connect(c, &ExchangeCycle::replyHandled, [this] { events << "handled"; });
        QObject::connect(c, &ExchangeCycle::silence,
                         [this](int tab) { events << QStringLiteral("silence %1").arg(tab); });
        QObject::connect(c, &ExchangeCycle::transaction,
                         [this](const Transaction& t) { transactions.push_back(t); });
        QObject::connect(c, &ExchangeCycle::connectionLost, [this](const QString& why) { lost << why; });
        cycle->start();
    }

    // Runs one whole tick and returns what it wrote.
    QByteArray tick() {
        startTick();
        EXPECT_TRUE(tickEnds());
        return port.written;
    }
    void startTick() {
        port.clearWritten();
        events.clear();
        transactions.clear();
        cycle->tick();
    }
    bool tickEnds() {
        return QTest::qWaitFor([this] { return !cycle->tickInProgress(); }, 2000);
    }
    // The device sends `bytes`; a tick reads them and reports one transaction.
    Transaction receive(const QByteArray& bytes) {
        port.feed(bytes);
        tick();
        return transactions.empty() ? Transaction{} : transactions.back();
    }

    FakePort port;
    ExchangeQueue queue{port, ExchangeQueue::Line{0, 5, 300}};
    std::unique_ptr<ExchangeCycle> cycle;
    QString requestBox;
    QString trace;
    QStringList events;
    std::vector<Transaction> transactions;
    QStringList lost;
};

// Reader 5 selected and its identification sent, so the next tick polls it.
class Exchange : public CycleOnFakePort {
  protected:
    void SetUp() override {
        cycle->setAddress(5);
        tick();
    }
};

}  // namespace

TEST_F(Exchange, EachTabPollsWhenNothingIsPending) {
    EXPECT_EQ(tick(), hex("31 05 F0 FE"));
    EXPECT_EQ(requestBox, QStringLiteral("31_5_F0_FE_"));
    cycle->setView(TabTag);
    EXPECT_EQ(tick(), hex("31 05 E0 7A 7A 7A 7A F9"));
    cycle->setView(TabBridge);
    EXPECT_EQ(tick(), hex("31 05 E8 A1")) << "the bridge polls start with E8";
    EXPECT_EQ(tick(), hex("31 05 06 57"));
    EXPECT_EQ(tick(), hex("31 05 E8 A1"));
    cycle->setView(TabReader);
    EXPECT_EQ(tick(), hex("31 05 F0 FE"));
    cycle->setView(TabBridge);
    EXPECT_EQ(tick(), hex("31 05 06 57")) << "the alternation keeps its place while another tab is open";
}

TEST_F(Exchange, PendingRequestIsReplacedAppendedOrClearedAndGoesOutInsteadOfThePoll) {
    cycle->replacePending(hex("31 05 FA 30"));
    cycle->appendPending(hex("31 05 FB 07 CB"));
    EXPECT_EQ(tick(), hex("31 05 FA 30 31 05 FB 07 CB"));
    cycle->replacePending(hex("31 05 FA 30"));
    cycle->replacePending(hex("31 05 FB 07 CB"));
    EXPECT_EQ(tick(), hex("31 05 FB 07 CB"));
    cycle->replacePending(hex("31 05 FA 30"));
    cycle->clearPending();
    EXPECT_EQ(tick(), hex("31 05 F0 FE"));
    // A newly selected address is identified once, replacing what was pending.
    cycle->setAddress(3);
    cycle->replacePending(hex("31 05 FB 07 CB"));
    EXPECT_EQ(tick(), hex("31 03 FC F7"));
    EXPECT_EQ(tick(), hex("31 03 F0 54"));
}

TEST_F(CycleOnFakePort, NoAddressedDeviceSkipsAddressChangeAndPoll) {
    cycle->setAddress(std::nullopt);
    EXPECT_EQ(tick(), QByteArray());
    EXPECT_TRUE(cycle->identifyRequest().isEmpty());
    EXPECT_TRUE(lost.isEmpty()) << "writing nothing is not a write failure";
    cycle->setAddress(0);
    EXPECT_EQ(tick(), hex("31 00 F0 01")) << "address 0 needs no identification first";
}

// Paused in an empty read window (nothing was asked), the tick ends there; after the pause the cycle ticks
// and writes again.
TEST_F(CycleOnFakePort, APauseInAnEmptyReadWindowEndsTheTickAndTheNextOneWrites) {
    cycle->setAddress(std::nullopt);
    QSignalSpy finished(cycle.get(), &ExchangeCycle::tickFinished);
    startTick();
    ASSERT_TRUE(cycle->tickInProgress());
    cycle->setPaused(true);
    EXPECT_FALSE(cycle->tickInProgress());
    EXPECT_EQ(finished.count(), 1);
    cycle->setPaused(false);
    cycle->setAddress(0);
    EXPECT_EQ(tick(), hex("31 00 F0 01"));
}

TEST_F(Exchange, EachReplyIsReportedWithTheRequestItAnswersItsOutcomeAndValue) {
    struct Case {
        const char* behaviour;
        QByteArray reply;
        Outcome outcome;
        bool hasValue;
    } cases[] = {
        {"a current-parameters reply", hex("3E 05 F0 19 00 02 01 00 00 00 7E"), Outcome::Decoded, true},
        {"a wrong check byte on current parameters is not decoded", hex("3E 05 F0 19 00 02 01 00 00 00 7F"),
         Outcome::WrongCheckByte, false},
        {"an acknowledgement is decoded whatever its check byte", hex("3E 05 FB CC"), Outcome::WrongCheckByte,
         true},
        {"a reply from another address is still decoded", withCheckByte(hex("3E 07 FB")),
         Outcome::OtherAddress, true},
        {"a code no decoder knows", withCheckByte(hex("3E 05 77")), Outcome::UnknownCode, false},
        {"too short to be framed", hex("3E 05"), Outcome::Unframed, false},
        {"no start byte", hex("05 F0 00 00"), Outcome::Unframed, false},
        {"as long as no reply is", withCheckByte(hex("3E 05 F0 19 00 02 01 00 00 00") + QByteArray(39, '\0')),
         Outcome::TooLong, true},
        {"one byte short of that", withCheckByte(hex("3E 05 F0 19 00 02 01 00 00 00") + QByteArray(38, '\0')),
         Outcome::Decoded, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.behaviour);
        ASSERT_EQ(tick(), hex("31 05 F0 FE"));
        trace.clear();
        const Transaction t = receive(c.reply);
        EXPECT_EQ(trace.isEmpty(), c.outcome == Outcome::TooLong) << "an over-long reply is not traced";
        EXPECT_EQ(t.request, hex("31 05 F0 FE"));
        EXPECT_EQ(t.reply, c.reply);
        EXPECT_EQ(outcomeKey(t.outcome), outcomeKey(c.outcome));
        EXPECT_EQ(t.value.has_value(), c.hasValue);
        EXPECT_TRUE(t.writtenAt.isValid());
        ASSERT_TRUE(t.replyTimeMs().has_value());
        EXPECT_GE(*t.replyTimeMs(), 0);
        EXPECT_GE(t.lastByteMs, t.firstByteMs);
    }
    EXPECT_GE(port.flushCount, 1) << "the output is flushed after a reply";
}

TEST_F(Exchange, ArrivalIsStampedWhenTheBytesReachThePortNotWhenTheTickReadsThem) {
    tick();
    port.feed(hex("3E 05 FB"));
    QTest::qWait(60);
    port.feed(hex("CC"));
    tick();
    ASSERT_EQ(transactions.size(), 1u);
    const Transaction t = transactions[0];
    EXPECT_GE(t.lastByteMs - t.firstByteMs, 50);
    EXPECT_EQ(t.reply, hex("3E 05 FB CC"));
}

TEST_F(Exchange, BetweenTicksAReplysLaterPiecesAreHeldAndTheTickReadsItWhole) {
    // A tick during the hold waits for what may still be arriving; a tick after it, on a reply long
    // quiet, reads it at once.
    for (const int ms : {20, 400}) {
        SCOPED_TRACE(ms);
        tick();
        port.feed(hex("3E 05"));
        port.feed(hex("FB CC"));
        EXPECT_TRUE(port.held) << "the later piece waits in the driver";
        QTest::qWait(ms);
        startTick();
        EXPECT_EQ(cycle->tickInProgress(), ms < 300);
        ASSERT_TRUE(tickEnds());
        ASSERT_EQ(transactions.size(), 1u);
        EXPECT_EQ(transactions[0].reply, hex("3E 05 FB CC"));
        EXPECT_FALSE(port.held);
    }
}

TEST_F(Exchange, SilenceAndRepliesAreSignalledInTheOrderTheWindowNeeds) {
    tick();
    EXPECT_EQ(events, (QStringList{"written", "silence 0"}));
    ASSERT_EQ(transactions.size(), 1u);
    EXPECT_EQ(transactions[0].outcome, Outcome::NoReply);
    cycle->setView(TabTag);
    tick();
    EXPECT_EQ(events.last(), "silence 1");
    receive(hex("3E 05 FB CC"));
    EXPECT_EQ(events, (QStringList{"written", "arrived", "handled"}));
    EXPECT_TRUE(trace.startsWith(QStringLiteral("3E 5 FB CC ")));
    EXPECT_TRUE(trace.endsWith(QStringLiteral("F9")))
        << "the trace ends with the check of the tick's own poll";
}

TEST_F(Exchange, UnframedRepliesAreThePollAnswerOnlyWhileAPollIsInProgress) {
    EXPECT_FALSE(receive(hex("05")).value.has_value());
    // A reply, and whether it is taken as the answer to the poll.
    const std::pair<QByteArray, bool> cases[] = {{hex("05 00"), true},
                                                 {QByteArray(19, '\x07'), true},
                                                 {QByteArray(20, '\x07'), false},
                                                 {hex("3E 05"), true},  // too short to be an ordinary reply
                                                 {hex("3E 05 77 00"), false}};
    for (const auto& [reply, taken] : cases) {
        SCOPED_TRACE(reply.toHex().toStdString());
        cycle->startNetworkPoll();
        EXPECT_EQ(tick(), hex("31 FF DC"));
        const Transaction t = receive(reply);
        const auto* answer = t.value ? std::get_if<device::PollAnswer>(&*t.value) : nullptr;
        EXPECT_EQ(answer ? std::optional(answer->addresses) : std::nullopt,
                  taken ? std::optional(reply) : std::nullopt);
        // Whether the poll goes on shows in how the next short unframed reply is taken.
        EXPECT_EQ(receive(hex("05")).value.has_value(), !taken && reply.startsWith('>') && reply.size() >= 4)
            << "an ordinary reply leaves the poll in progress, anything else ends it";
    }
}

TEST_F(Exchange, AWriteInPiecesCountsAsWrittenAndAReadTakesAtMost255Bytes) {
    cycle->replacePending(QByteArray(300, '\x31'));
    EXPECT_EQ(tick().size(), 300);
    EXPECT_TRUE(lost.isEmpty());
    EXPECT_EQ(receive(QByteArray(300, '\x01')).reply.size(), 255);
    tick();
    ASSERT_EQ(transactions.size(), 1u);
    EXPECT_TRUE(transactions[0].reply.isEmpty()) << "the rest is dropped before the next write, never joined";
}

TEST_F(Exchange, AShortWriteStopsTheCycleDropsThePendingRequestAndTheReply) {
    port.writeLimit = 2;
    receive(hex("3E 05 FB CC"));
    EXPECT_EQ(lost, QStringList{QStringLiteral("Ошибка записи в порт")});
    EXPECT_FALSE(cycle->isRunning());
    EXPECT_TRUE(cycle->pending().isEmpty());
    EXPECT_TRUE(transactions.empty()) << "the reply read before the failed write is dropped";
}

// In the read window. A loss between ticks is the adapter pulled in test_reconnect.cpp.
TEST_F(Exchange, ThePortGoingAwayReportsTheLossOnceWithoutAWrite) {
    startTick();  // the read window is open
    port.hangUp();
    EXPECT_TRUE(QTest::qWaitFor([this] { return !lost.isEmpty(); }, 2000));
    QTest::qWait(50);
    EXPECT_EQ(lost.size(), 1);
    EXPECT_FALSE(cycle->tickInProgress());
    EXPECT_TRUE(port.written.isEmpty()) << "nothing is written to a port that went away";
}

TEST_F(Exchange, StoppingDuringTheReadWindowEndsTheTickWithoutAWrite) {
    startTick();
    cycle->tick();  // a second tick while the read window is open does nothing
    ASSERT_TRUE(cycle->tickInProgress());
    cycle->stop();
    EXPECT_FALSE(cycle->tickInProgress());
    QTest::qWait(80);
    EXPECT_TRUE(port.written.isEmpty());
    EXPECT_TRUE(lost.isEmpty()) << "a closing by the user is no write failure";
    // A click during the read window counts as made before the tick.
    cycle->start();
    startTick();
    cycle->replacePending(hex("31 05 FB 07 CB"));
    EXPECT_TRUE(tickEnds());
    EXPECT_EQ(port.written, hex("31 05 FB 07 CB"));
}

TEST_F(Exchange, ReadWindowGathersBytesUntilTheLineFallsSilentAndLetsTheEventLoopRun) {
    tick();
    port.feedLater(5, hex("3E 05 F0 19 00"));
    port.feedLater(7, hex("02 01 00 00 00 7E"));
    int fired = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++fired; });
    ticker.start(2);
    tick();
    ASSERT_EQ(transactions.size(), 1u);
    EXPECT_EQ(transactions[0].reply, hex("3E 05 F0 19 00 02 01 00 00 00 7E"))
        << "two halves 2 ms apart are one reply";
    fired = 0;
    tick();  // a silent line keeps the window open to its end
    EXPECT_GE(fired, 2) << "while it waits, other events are handled (a blocking read lets none through)";
}

// One judge: the same replies read by the cycle and by the transactor are judged alike (the fit), and each
// takes them by its own policy: the window by position whatever the code, the client only its answer.
TEST_F(Exchange, TheCycleAndTheTransactorJudgeEveryReplyAlike) {
    const QByteArray params = hex("31 05 F0 FE"), identify = buildRequest(5, cmd::kIdentify),
                     radio = buildRequest(5, cmd::kSetRadioParams, hex("01 05 0A"));
    const QByteArray paramsReply = hex("3E 05 F0 19 00 02 01 00 00 00 7E"),
                     idReply = withCheckByte(hex("3E 05 FC 40 E2 01 00 86 00"));
    struct Case {
        const char* behaviour;
        QByteArray request, reply;
        Fit fit;
        Outcome window;
        bool windowValue;
        Outcome client;
        bool clientValue;
    } cases[] = {
        {"the request's reply", params, paramsReply, Fit::Answers, Outcome::Decoded, true, Outcome::Decoded,
         true},
        {"another command's reply", params, idReply, Fit::OtherCommand, Outcome::Decoded, true,
         Outcome::OtherCode, true},
        {"an unknown code with the request's reply code", radio, withCheckByte(hex("3E 05 F4")),
         Fit::Acknowledgement, Outcome::Decoded, true, Outcome::Decoded, true},
        {"a new address acknowledged from that address", hex("31 05 FB 09 D4"), hex("3E 09 FB CC"),
         Fit::Answers, Outcome::Decoded, true, Outcome::Decoded, true},
        {"a new address acknowledged from the old one", hex("31 05 FB 09 D4"), hex("3E 05 FB 81"), Fit::None,
         Outcome::OtherAddress, true, Outcome::OtherAddress, true},
        {"a new mode answered by a reply a mode change brings", hex("31 05 F2 02 46"), hex("3E 05 F8 63"),
         Fit::Answers, Outcome::Decoded, true, Outcome::Decoded, true},
        {"a wrong check byte", params, hex("3E 05 F0 19 00 02 01 00 00 00 7F"), Fit::None,
         Outcome::WrongCheckByte, false, Outcome::WrongCheckByte, false},
        {"unframed", params, hex("05 F0 00 00"), Fit::None, Outcome::Unframed, false, Outcome::Unframed,
         false},
        {"another address", params, withCheckByte(hex("3E 07 F0 19 00 02 01 00 00 00")), Fit::None,
         Outcome::OtherAddress, true, Outcome::OtherAddress, true},
        {"a frame sent twice", identify, idReply + idReply, Fit::LongerThanItsCommand, Outcome::Decoded, true,
         Outcome::TooLong, false},
        {"a frame and a byte after it", identify, idReply + hex("00"), Fit::LongerThanItsCommand,
         Outcome::Decoded, true, Outcome::TooLong, false},
        {"no reply", params, {}, Fit::None, Outcome::NoReply, false, Outcome::NoReply, false},
    };
    FakePort clientPort;
    clientPort.open(QStringLiteral("COM4"));
    Transactor transactor(clientPort, Transactor::Timing{60, 0, 0, 5, 500});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.behaviour);
        cycle->replacePending(c.request);
        ASSERT_EQ(tick(), c.request);
        port.feed(c.reply);
        tick();
        ASSERT_EQ(transactions.size(), 1u);
        const Transaction& w = transactions[0];
        clientPort.feedLater(1, c.reply);
        const Transaction cl = transactor.exchange(c.request).last;
        EXPECT_EQ(w.reply, c.reply);
        EXPECT_EQ(cl.reply, c.reply);
        EXPECT_EQ(int(w.fit), int(c.fit));
        EXPECT_EQ(int(cl.fit), int(c.fit));
        EXPECT_EQ(outcomeKey(w.outcome), outcomeKey(c.window));
        EXPECT_EQ(w.value.has_value(), c.windowValue);
        EXPECT_EQ(outcomeKey(cl.outcome), outcomeKey(c.client));
        EXPECT_EQ(cl.value.has_value(), c.clientValue);
    }
}

// A write is confirmed by the reply of its own command or its acknowledgement, from where the device answers;
// a read is no write.
TEST(WriteCheck, AWriteIsConfirmedOnlyByItsOwnAnswerFromWhereTheDeviceAnswers) {
    struct Case {
        const char *behaviour, *request, *reply;
        std::optional<bool> confirmed;  // nothing: no write
    } cases[] = {
        {"radio parameters acknowledged", "31 05 F4 00 01 07 0A C0", "3E 05 F4 C0", true},
        {"radio parameters unanswered", "31 05 F4 00 01 07 0A C0", "", false},
        {"radio parameters, wrong check byte", "31 05 F4 00 01 07 0A C0", "3E 05 F4 C1", false},
        {"radio parameters, another command's reply", "31 05 F4 00 01 07 0A C0",
         "3E 05 F0 19 00 02 01 00 00 00 7E", false},
        {"new address, from it", "31 05 FB 09 D4", "3E 09 FB CC", true},
        {"new address, from the old one", "31 05 FB 09 D4", "3E 05 FB 81", false},
        {"mode, by a reply a mode change brings", "31 05 F2 02 46", "3E 05 F8 63", true},
        {"tag parameters", "31 05 E1 0E 00 00 00 01 00 00 00 02 00 0A 01 00 00 05 7A", "3E 05 E1 62", true},
        {"reset delay, answered with the delay", "31 05 F1 01 F4 3F", "3E 05 F1 F4 01 7D", true},
        {"a read", "31 05 F0 FE", "3E 05 F0 19 00 02 01 00 00 00 7E", std::nullopt},
    };
    for (const Case& c : cases) {
        Transaction t;
        t.request = hex(c.request);
        t.reply = hex(c.reply);
        classifyReply(t.request, t.reply, false).recordIn(t, ClassifiedReply::Taken::AsRead);
        const std::optional<WriteCheck> w = writeCheckOf(t);
        ASSERT_EQ(w.has_value(), c.confirmed.has_value()) << c.behaviour;
        if (!w) continue;
        EXPECT_EQ(w->command, quint8(t.request[2])) << c.behaviour;
        EXPECT_EQ(w->confirmed, *c.confirmed) << c.behaviour;
    }
}

// An echo of the request in front of the reply, as adapters that hear themselves give it, and a reply in
// pieces as a USB chip's latency timer hands it over: the cycle and the transactor take the echo off alike
// and judge what follows it.
TEST_F(Exchange, AnEchoOfTheRequestIsTakenOffBeforeTheReplyIsJudgedAndOnlyAWholeExactOne) {
    const QByteArray request = hex("31 05 F0 FE"), reply = hex("3E 05 F0 19 00 02 01 00 00 00 7E");
    const QByteArray spoilt = hex("31 05 F0 FF");  // the echo with one byte changed by the line
    struct Piece {
        int ms;
        QByteArray bytes;
    };
    struct Case {
        const char* behaviour;
        EchoMode mode;
        std::vector<Piece> pieces;
        QByteArray judged;  // the reply after the echo, as reported
        bool echoRemoved;
        Outcome outcome;  // the same in the window and the client here
    } cases[] = {
        // clang-format off
        {"the echo whole, then the reply", EchoMode::Auto, {{1, request}, {6, reply}}, reply, true,
         Outcome::Decoded},
        {"the echo in pieces", EchoMode::Auto, {{1, hex("31 05")}, {5, hex("F0")}, {9, hex("FE") + reply}},
         reply, true, Outcome::Decoded},
        {"echo and reply in one piece", EchoMode::Auto, {{1, request + reply}}, reply, true, Outcome::Decoded},
        {"an echo with one byte changed is no echo: garbage", EchoMode::Auto, {{1, spoilt + reply}},
         spoilt + reply, false, Outcome::Unframed},
        {"a reply starting like a part of the request is never cut", EchoMode::Auto,
         {{1, hex("31 05") + reply}}, hex("31 05") + reply, false, Outcome::Unframed},
        {"the echo alone is no reply", EchoMode::Auto, {{1, request}}, {}, true, Outcome::NoReply},
        {"off: the echo stays and spoils the reply", EchoMode::Off, {{1, request + reply}}, request + reply,
         false, Outcome::Unframed},
        {"on: the request's length is taken off whatever it holds", EchoMode::On, {{1, spoilt}, {5, reply}},
         reply, true, Outcome::Decoded},
        {"on without an echo: the reply's start is taken", EchoMode::On, {{1, reply}}, reply.mid(4), true,
         Outcome::Unframed},
        {"no echo: pieces 16 ms apart are one reply", EchoMode::Auto,
         {{1, reply.left(5)}, {17, reply.mid(5, 3)}, {33, reply.mid(8)}}, reply, false, Outcome::Decoded},
        // clang-format on
    };
    FakePort clientPort;
    clientPort.open(QStringLiteral("COM4"));
    Transactor transactor(clientPort, Transactor::Timing{});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.behaviour);
        queue.setEchoMode(c.mode);
        cycle->replacePending(request);
        ASSERT_EQ(tick(), request);
        for (const Piece& p : c.pieces) port.feedLater(p.ms, p.bytes);
        QTest::qWait(c.pieces.back().ms + 20);
        tick();
        ASSERT_EQ(transactions.size(), 1u);
        const Transaction& w = transactions[0];
        transactor.setTiming(Transactor::Timing{100, 0, 0, 20, 500, c.mode});
        for (const Piece& p : c.pieces) clientPort.feedLater(p.ms, p.bytes);
        const Transaction cl = transactor.exchange(request).last;
        for (const Transaction& t : {w, cl}) {
            EXPECT_EQ(t.reply.toHex(' '), c.judged.toHex(' '));
            EXPECT_EQ(t.echoRemoved, c.echoRemoved);
            EXPECT_EQ(outcomeKey(t.outcome), outcomeKey(c.outcome));
        }
        if (c.echoRemoved && c.pieces.size() > 1 && !c.judged.isEmpty()) {
            for (const Transaction& t : {w, cl}) {
                ASSERT_TRUE(t.replyTimeMs().has_value());
                EXPECT_GE(*t.replyTimeMs(), c.pieces.back().ms - 3) << "the reply time starts after the echo";
            }
        }
    }
}
