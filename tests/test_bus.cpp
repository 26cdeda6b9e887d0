// The bus overview at the session's level, over the in-memory port answered by the simulated bus (and once
// over a pseudo-terminal): the
// roster's judgement of one exchange, the rounds (identification once, live values every round, settings
// every N-th, faults), and the overview's hold on the session's port (handed over between exchanges only, a
// lost port and its return).
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <map>

#include "bus/plan.h"
#include "bus/roster.h"
#include "bus/rounds.h"
#include "device/commands.h"
#include "exchange/classify.h"
#include "fakeport.h"
#include "protocol/frame.h"
#include "serial/qtserialport.h"
#include "session/busoverview.h"
#include "session/devicesession.h"
#include "session/planapplier.h"
#include "sim/bus.h"
#include "sim/ptyhost.h"

using namespace kestrel;
using namespace kestrel::bus;
using kestrel::test::hex;

namespace {

// The simulated bus behind the in-memory port: every request written is answered `latencyMs` later. A
// write while an answer is still on its way is an interleaving, counted. `answerAs` makes a reader answer
// with another reader's address.
class SimBusPort : public test::FakePort {
  public:
    sim::Bus bus;
    int latencyMs = 2;
    std::map<quint8, quint8> answerAs;
    int inFlight = 0;
    int interleaved = 0;
    std::vector<QByteArray> requests;
    std::function<void()> afterWrite;  // called after each write has its answers on their way
    bool echo = false;                 // every request comes back first, as on a two-wire adapter

    qint64 write(const QByteArray& data) override {
        if (inFlight > 0) ++interleaved;
        requests.push_back(data);
        if (echo) feed(data);
        for (sim::Exchange& ex : bus.feed(data)) {
            QByteArray reply = ex.replyBytes();
            if (ex.address && answerAs.count(*ex.address) && reply.size() > 2) {
                reply[1] = char(answerAs[*ex.address]);
                reply = withCheckByte(reply.chopped(1));
            }
            if (reply.isEmpty()) continue;
            ++inFlight;
            QTimer::singleShot(latencyMs, this, [this, reply] {
                --inFlight;
                feed(reply);
            });
        }
        const qint64 n = FakePort::write(data);
        if (afterWrite) afterWrite();
        return n;
    }
    // How many requests of `command` went to `address`.
    int asked(quint8 address, quint8 command) const {
        return int(std::count_if(requests.begin(), requests.end(), [&](const QByteArray& r) {
            return r.size() > 2 && quint8(r[1]) == address && quint8(r[2]) == command;
        }));
    }
};

Transaction judged(const char* request, const QByteArray& reply) {
    Transaction t;
    t.request = hex(request);
    t.reply = reply;
    t.writtenAt = QDateTime::currentDateTimeUtc();
    classifyReply(t.request, reply, false).recordIn(t, ClassifiedReply::Taken::AsAnswer);
    return t;
}

}  // namespace

TEST(BusRoster, TakeJudgesOneExchangeForTheAskedRowOnly) {
    const QByteArray identity5 = withCheckByte(hex("3E 05 FC 40 E2 01 00 86 00"));
    struct Case {
        const char* what;
        const char* request;
        QByteArray reply;
        ReaderState state;
        int good, noReply, badCheck, misdirected;
        bool identityTaken;
    };
    const std::vector<Case> cases = {
        {"its identification", "31 05 FC 5D", identity5, ReaderState::Answering, 1, 0, 0, 0, true},
        {"nothing", "31 05 FC 5D", {}, ReaderState::NoReply, 0, 1, 0, 0, false},
        {"a wrong check byte", "31 05 FC 5D", hex("3E 05 FC 40 E2 01 00 86 00 00"), ReaderState::CheckErrors,
         0, 0, 1, 0, false},
        {"bytes that are no frame", "31 05 FC 5D", hex("00 11 22"), ReaderState::CheckErrors, 0, 0, 1, 0,
         false},
        {"reader 7's identification", "31 05 FC 5D", withCheckByte(hex("3E 07 FC 40 E2 01 00 86 00")),
         ReaderState::NoReply, 0, 0, 0, 1, false},
        {"the reply to another command", "31 05 FC 5D", withCheckByte(hex("3E 05 F1 01 F4")),
         ReaderState::NoReply, 0, 0, 0, 1, false},
    };
    for (const Case& c : cases) {
        BusRoster roster;
        ASSERT_TRUE(roster.add(7));
        ASSERT_TRUE(roster.add(5));
        roster.take(5, judged(c.request, c.reply));
        const ReaderRow& r = *roster.row(5);
        EXPECT_EQ(r.requests, 1) << c.what;
        EXPECT_EQ(r.state, c.state) << c.what;
        EXPECT_EQ(std::tuple(r.good, r.noReply, r.badCheck, r.misdirected),
                  std::tuple(c.good, c.noReply, c.badCheck, c.misdirected))
            << c.what;
        EXPECT_EQ(r.identity.has_value(), c.identityTaken) << c.what;
        EXPECT_EQ(r.lastGoodAt.isValid(), c.identityTaken) << c.what;
        EXPECT_EQ(roster.row(7)->requests, 0) << c.what << ": never another row";
        EXPECT_FALSE(roster.row(7)->identity) << c.what;
    }
    // Rows stay in order of address, one per address; the poll address is none.
    BusRoster roster;
    EXPECT_TRUE(roster.add(9));
    EXPECT_TRUE(roster.add(2));
    EXPECT_FALSE(roster.add(9));
    EXPECT_FALSE(roster.add(0xFF));
    EXPECT_EQ(roster.addresses(), (QList<quint8>{2, 9}));
    // The same serial number on two rows flags both, and a row taken out unflags the other.
    roster.take(2, judged("31 02 FC 8C", withCheckByte(hex("3E 02 FC 40 E2 01 00 86 00"))));
    roster.take(9, judged("31 09 FC 0F", withCheckByte(hex("3E 09 FC 40 E2 01 00 86 00"))));
    EXPECT_TRUE(roster.row(2)->duplicateSerial && roster.row(9)->duplicateSerial);
    EXPECT_DOUBLE_EQ(roster.row(9)->successRate(), 1.0);
    EXPECT_TRUE(roster.remove(9));
    EXPECT_FALSE(roster.row(2)->duplicateSerial);
}

// A request's attempts, each judged as it comes: every one counts, but the state only turns with the last,
// and a single miss shows in the rate.
TEST(BusRoster, TheStateTurnsWithARequestsLastAttemptAndEveryMissCounts) {
    const QByteArray identity5 = withCheckByte(hex("3E 05 FC 40 E2 01 00 86 00"));
    const QByteArray badCheck = hex("3E 05 FC 40 E2 01 00 86 00 00");
    using A = BusRoster::Attempt;
    struct Step {
        QByteArray reply;
        A attempt;
    };
    struct Case {
        const char* what;
        int goodBefore;  // good answers before the steps
        std::vector<Step> steps;
        ReaderState state;
        int percent;
    };
    const std::vector<Case> cases = {
        {"a miss a retry makes good",
         3,
         {{{}, A::RetryFollows}, {identity5, A::Last}},
         ReaderState::Answering,
         80},
        {"a miss with a retry to come", 3, {{{}, A::RetryFollows}}, ReaderState::Answering, 75},
        {"a faulty reply with a retry to come", 1, {{badCheck, A::RetryFollows}}, ReaderState::Answering, 50},
        {"silent through its retry", 2, {{{}, A::RetryFollows}, {{}, A::Last}}, ReaderState::NoReply, 50},
        {"faulty through its retry",
         0,
         {{badCheck, A::RetryFollows}, {badCheck, A::Last}},
         ReaderState::CheckErrors,
         0},
        {"one miss among a thousand", 999, {{{}, A::RetryFollows}}, ReaderState::Answering, 99},
        {"all answered", 7, {}, ReaderState::Answering, 100},
    };
    for (const Case& c : cases) {
        BusRoster roster;
        ASSERT_TRUE(roster.add(5));
        for (int i = 0; i < c.goodBefore; ++i) roster.take(5, judged("31 05 FC 5D", identity5));
        for (const Step& s : c.steps) roster.take(5, judged("31 05 FC 5D", s.reply), s.attempt);
        EXPECT_EQ(roster.row(5)->state, c.state) << c.what;
        EXPECT_EQ(roster.row(5)->successPercent(), c.percent) << c.what;
    }
}

class RoundsOnSimBus : public ::testing::Test {
  protected:
    RoundsOnSimBus() {
        for (int i = 0; i < 4; ++i) port.bus.addReader(sim::Bus::defaultReader(quint8(1 + i), i));
        port.open(QStringLiteral("COM3"));
        options.timeoutMs = 150;  // longer than any answer takes here, also on a loaded machine
        options.scanWaitMs = 30;
        options.settingsEvery = 2;
    }
    // Runs the rounds until `count` more have finished.
    void runRounds(BusRounds& rounds, int count) {
        QSignalSpy finished(&rounds, &BusRounds::roundFinished);
        ASSERT_TRUE(QTest::qWaitFor([&] { return finished.count() >= count; }, 10000));
    }
    SimBusPort port;
    ExchangeQueue queue{port, ExchangeQueue::Line{1, 5}};  // a gap of 1 ms, reads ending 5 ms after a byte
    BusRounds::Options options;
};

TEST_F(RoundsOnSimBus, EachReaderIdentifiedOnceLiveEveryRoundSettingsEveryNthAndFaultsMarked) {
    port.bus.reader(4)->serial = port.bus.reader(1)->serial;  // two readers with one serial number
    port.bus.injectFault(sim::FaultKind::BadCrc, sim::kUntilCleared, 3);
    port.answerAs[2] = 9;  // reader 2 answers as if it were reader 9
    BusRounds rounds(queue, options);
    QSignalSpy added(&rounds, &BusRounds::readerAdded);
    // The commands reader 1 was asked, by the round they were asked in.
    int roundNow = 0;
    std::map<int, QList<quint8>> askedOne;
    QObject::connect(&rounds, &BusRounds::roundFinished, [&] { ++roundNow; });
    QObject::connect(&rounds, &BusRounds::exchanged, [&](quint8 a, const Transaction& t) {
        if (a == 1) askedOne[roundNow] << quint8(t.request[2]);
    });
    rounds.start();
    runRounds(rounds, 4);
    EXPECT_EQ(added.count(), 4) << "the empty roster is filled by a search";
    EXPECT_EQ(rounds.roster().addresses(), (QList<quint8>{1, 2, 3, 4}));
    const QList<quint8> withSettings{cmd::kCurrentParams, cmd::kReadBoundIds, cmd::kReadResetDelay};
    EXPECT_EQ(askedOne[0], QList<quint8>{cmd::kIdentify} + withSettings) << "identified, then read at once";
    EXPECT_EQ(askedOne[1], QList<quint8>{cmd::kCurrentParams});
    EXPECT_EQ(askedOne[2], withSettings) << "settings every 2nd round";
    EXPECT_EQ(askedOne[3], QList<quint8>{cmd::kCurrentParams});
    const ReaderRow& one = *rounds.roster().row(1);
    EXPECT_EQ(one.state, ReaderState::Answering);
    EXPECT_EQ(one.identity->serial, std::optional<quint32>(123456));
    EXPECT_EQ(one.live->level, std::optional<quint16>(512));
    EXPECT_EQ(one.settings->channel, std::optional<quint8>(5));
    EXPECT_EQ(one.resetDelay->delay, std::optional<quint16>(500));
    EXPECT_EQ(one.boundIds->cells.size(), 10u);
    EXPECT_TRUE(one.duplicateSerial && rounds.roster().row(4)->duplicateSerial);
    EXPECT_FALSE(rounds.roster().row(3)->duplicateSerial);
    // Reader 3's replies fail their check, with one retry each; reader 2's come from "9": counted, never
    // shown, and no row 9 appears.
    const ReaderRow& three = *rounds.roster().row(3);
    EXPECT_EQ(three.state, ReaderState::CheckErrors);
    EXPECT_EQ(three.badCheck, three.requests);
    EXPECT_EQ(port.asked(3, cmd::kIdentify), three.requests) << "identified until it answers";
    const ReaderRow& two = *rounds.roster().row(2);
    EXPECT_EQ(two.misdirected, two.requests);
    EXPECT_FALSE(two.identity);
    EXPECT_FALSE(rounds.roster().row(9));

    // Reader 1 falls silent: marked, its last values kept. A reader that appears is found by a search.
    port.bus.injectFault(sim::FaultKind::Silence, sim::kUntilCleared, 1);
    port.bus.addReader(sim::Bus::defaultReader(20, 7));
    rounds.searchNow();
    runRounds(rounds, 2);
    EXPECT_EQ(rounds.roster().row(1)->state, ReaderState::NoReply);
    EXPECT_EQ(rounds.roster().row(1)->live->level, std::optional<quint16>(512));
    EXPECT_EQ(added.count(), 5);
    ASSERT_TRUE(rounds.roster().row(20));
    EXPECT_EQ(rounds.roster().row(20)->identity->serial, std::optional<quint32>(123463));
    EXPECT_GE(port.asked(20, cmd::kCurrentParams), 1) << "the reader found is read in the same round";
    EXPECT_EQ(port.interleaved, 0);

    // A stop lets the exchange in progress end; then nothing more is written.
    QSignalSpy stopped(&rounds, &BusRounds::stopped);
    rounds.stop();
    ASSERT_TRUE(QTest::qWaitFor([&] { return stopped.count() == 1; }, 2000));
    const std::size_t written = port.requests.size();
    QTest::qWait(100);
    EXPECT_EQ(port.requests.size(), written);
    EXPECT_EQ(port.inFlight, 0);
}

// One reply lost on the wire, made good by the retry: the row keeps answering all along, and counts the miss.
TEST_F(RoundsOnSimBus, AMissTheRetryMakesGoodNeverGreysTheRow) {
    BusRounds rounds(queue, options);
    rounds.start();
    runRounds(rounds, 2);
    ASSERT_EQ(rounds.roster().row(1)->state, ReaderState::Answering);
    QList<ReaderState> seen;
    QObject::connect(&rounds, &BusRounds::rowChanged, [&](quint8 a) {
        if (a == 1) seen << rounds.roster().row(1)->state;
    });
    port.bus.injectFault(sim::FaultKind::Silence, 1, 1);
    runRounds(rounds, 2);
    EXPECT_FALSE(seen.isEmpty());
    EXPECT_FALSE(seen.contains(ReaderState::NoReply));
    EXPECT_EQ(rounds.roster().row(1)->noReply, 1);
    EXPECT_LT(rounds.roster().row(1)->successPercent(), 100);
}

// A line that never falls quiet is written to after the reply timeout all the same: the rows show what the
// noise does to the answers, and answer again when it ends.
// Behind an adapter that echoes, the rounds take the echo off as the cycle and the client do.
TEST_F(RoundsOnSimBus, AnEchoOfEachRequestIsTakenOffBeforeTheReplyIsJudged) {
    port.echo = true;
    BusRounds rounds(queue, options);
    int removed = 0, exchanges = 0;
    QObject::connect(&rounds, &BusRounds::exchanged, [&](quint8 a, const Transaction& t) {
        exchanges += a != 0xFF;
        removed += a != 0xFF && t.echoRemoved;
    });
    rounds.start();
    runRounds(rounds, 2);
    EXPECT_EQ(rounds.roster().addresses(), (QList<quint8>{1, 2, 3, 4}))
        << "the search's own echo (31 FF DC) names no reader";
    EXPECT_GT(exchanges, 0);
    EXPECT_EQ(removed, exchanges);
    EXPECT_EQ(rounds.roster().row(1)->state, ReaderState::Answering);
    EXPECT_EQ(rounds.roster().row(1)->good, rounds.roster().row(1)->requests);
    queue.setEchoMode(EchoMode::Off);
    runRounds(rounds, 1);
    EXPECT_EQ(rounds.roster().row(1)->state, ReaderState::CheckErrors) << "with the echo left on, garbage";
}

// Silent readers without a retry: every request goes out at once when asked for, and the rounds still count.
TEST_F(RoundsOnSimBus, RoundsOfSilentReadersFinishAndCount) {
    for (quint8 a : {1, 2, 3, 4}) port.bus.injectFault(sim::FaultKind::Silence, sim::kUntilCleared, a);
    options.retries = 0;
    options.timeoutMs = 20;
    BusRounds rounds(queue, options);
    for (quint8 a : {1, 2}) rounds.roster().add(a);
    QSignalSpy finished(&rounds, &BusRounds::roundFinished);
    rounds.start();
    runRounds(rounds, 3);
    ASSERT_GE(finished.count(), 2);
    EXPECT_EQ(finished.at(1).at(2).toLongLong(), 2 * (2 + 1))
        << "a round's floor: two identification requests of 4 bytes (2 ms on the wire) and a 1 ms gap each";
    EXPECT_EQ(rounds.roster().row(1)->state, ReaderState::NoReply);
}

// With an interval, each round starts that long after the one before, however quickly the readers answer.
TEST_F(RoundsOnSimBus, WithAnIntervalEachRoundStartsThatLongAfterTheLast) {
    options.intervalMs = 150;
    BusRounds rounds(queue, options);
    for (quint8 a : {1, 2}) rounds.roster().add(a);
    std::vector<qint64> starts;  // when each round's first request went out, on the queue's clock
    int roundNow = 0;
    QObject::connect(&rounds, &BusRounds::roundFinished, [&] { ++roundNow; });
    QObject::connect(&rounds, &BusRounds::exchanged, [&](quint8, const Transaction&) {
        if (int(starts.size()) == roundNow) starts.push_back(queue.nowMs());
    });
    rounds.start();
    runRounds(rounds, 3);
    ASSERT_GE(starts.size(), 3u);
    // A coarse timer may fire up to 5 % early.
    EXPECT_GE(starts[1] - starts[0], 140);
    EXPECT_GE(starts[2] - starts[1], 140);
}

// A reader that stays silent is asked in its first three rounds (with its retry), then every tenth with one
// attempt, and every round again from the round it answers.
TEST_F(RoundsOnSimBus, ASilentReaderIsAskedLessOftenUntilItAnswers) {
    port.bus.injectFault(sim::FaultKind::Silence, sim::kUntilCleared, 2);
    options.retries = 1;
    options.timeoutMs = 20;
    BusRounds rounds(queue, options);
    for (quint8 a : {1, 2}) rounds.roster().add(a);
    std::map<int, int> asked;  // the rounds reader 2 was asked in: its requests written in each
    QObject::connect(&rounds, &BusRounds::exchanged, [&](quint8 address, const Transaction&) {
        if (address == 2) ++asked[rounds.round()];
    });
    QObject::connect(&rounds, &BusRounds::roundFinished, [&](int round) {
        if (round == 24) port.bus.clearFaults();  // from round 25 on it answers when asked
        if (round == 35) rounds.stop();
    });
    rounds.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !rounds.isRunning() && !rounds.exchangeInProgress(); }, 20000));
    // Rounds 0 to 2 ask for its identification twice each; from round 32 it answers: identified, then its
    // live values and its settings (every 2nd round here) in the same round, and so on each round.
    EXPECT_EQ(asked, (std::map<int, int>{
                         {0, 2}, {1, 2}, {2, 2}, {12, 1}, {22, 1}, {32, 4}, {33, 1}, {34, 3}, {35, 1}}));
}

TEST_F(RoundsOnSimBus, AFloodingLineMarksTheRowsAndTheRoundsGoOnAfterIt) {
    queue.setLine(ExchangeQueue::Line{20, 5});  // a byte every 2 ms leaves no such gap
    BusRounds rounds(queue, options);
    rounds.roster().add(1);
    QTimer flood;
    flood.setTimerType(Qt::PreciseTimer);
    QObject::connect(&flood, &QTimer::timeout, [&] { port.feed(hex("00")); });
    flood.start(2);
    rounds.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return rounds.roster().row(1)->requests >= 2; }, 5000));
    EXPECT_EQ(rounds.roster().row(1)->state, ReaderState::CheckErrors);
    EXPECT_EQ(rounds.roster().row(1)->good, 0);
    flood.stop();
    runRounds(rounds, 2);
    EXPECT_EQ(rounds.roster().row(1)->state, ReaderState::Answering);
}

class OverviewOnSession : public RoundsOnSimBus {
  protected:
    OverviewOnSession() {
        port.close();
        port.latencyMs = 15;  // every answer is on its way a while: a write meanwhile is an interleaving
        port.ports = {QStringLiteral("COM3")};
        DeviceSession::Options o;
        o.timing = ExchangeCycle::Timing{60, 40, 5};
        o.lookForLostPortMs = 20;
        session = std::make_unique<DeviceSession>(port, o);
        QObject::connect(&session->cycle(), &ExchangeCycle::written, [this] { ++cycleWrites; });
        QObject::connect(session.get(), &DeviceSession::recorded,
                         [this](const traffic::Record&, const Transaction&) { ++recorded; });
        EXPECT_TRUE(session->open(QStringLiteral("COM3"), QStringLiteral("path:COM3")).ok);
        session->setAddress(1);
    }
    std::unique_ptr<DeviceSession> session;
    int cycleWrites = 0;
    int recorded = 0;
};

TEST_F(OverviewOnSession, ThePortChangesHandsBetweenExchangesOnlyAndComesBackAfterALoss) {
    BusOverview overview(*session, options);
    overview.rounds().roster().add(1);
    overview.rounds().roster().add(2);
    // Asked for the bus right after the cycle wrote: the rounds wait for that answer's read window.
    ASSERT_TRUE(QTest::qWaitFor([&] { return cycleWrites >= 2; }, 2000));
    QMetaObject::Connection c =
        QObject::connect(&session->cycle(), &ExchangeCycle::written, [&] { overview.run(); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return overview.running(); }, 2000));
    QObject::disconnect(c);
    EXPECT_TRUE(session->pollingPaused());
    const int cycleWritesAtRun = cycleWrites;
    runRounds(overview.rounds(), 3);
    EXPECT_EQ(cycleWrites, cycleWritesAtRun) << "the cycle writes nothing while the overview runs";
    EXPECT_GE(session->linkStatistics().byAddress().at(2).requests, 3)
        << "the rounds are in the session's feed";
    EXPECT_GE(recorded, 6);

    // Paused while a round's answer is on its way: polling resumes when it is in, not before.
    port.afterWrite = [&] { QTimer::singleShot(0, &overview, [&] { overview.pause(); }); };
    int inFlightAtResume = -1;
    const QMetaObject::Connection watch =
        QObject::connect(session.get(), &DeviceSession::pollingPausedChanged,
                         [&](bool paused) { inFlightAtResume = paused ? -1 : port.inFlight; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return !session->pollingPaused(); }, 2000));
    port.afterWrite = nullptr;
    EXPECT_EQ(inFlightAtResume, 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return cycleWrites > cycleWritesAtRun + 2; }, 2000));
    EXPECT_EQ(port.interleaved, 0);
    QObject::disconnect(watch);

    // Run again, then the adapter pulled: the session waits for it; back, the rounds go on, polling paused.
    overview.run();
    runRounds(overview.rounds(), 1);
    port.hangUp();
    ASSERT_TRUE(QTest::qWaitFor([&] { return session->waitingForPort(); }, 2000));
    EXPECT_FALSE(overview.rounds().isRunning());
    EXPECT_TRUE(overview.running());
    port.openResult = {true, OpenFailure::None, {}, 0};
    const int writesBefore = cycleWrites;
    ASSERT_TRUE(QTest::qWaitFor([&] { return session->link() == DeviceSession::Link::Open; }, 2000));
    runRounds(overview.rounds(), 2);
    EXPECT_TRUE(session->pollingPaused());
    EXPECT_EQ(cycleWrites, writesBefore + 1)
        << "only the reopened device's identification, between two round exchanges";
    EXPECT_EQ(port.interleaved, 0);
    // Pulled and back once more: the same adapter is the same bus, and each reader's row goes on.
    const int asked = overview.rounds().roster().row(2)->requests;
    port.hangUp();
    ASSERT_TRUE(QTest::qWaitFor([&] { return session->waitingForPort(); }, 2000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return session->link() == DeviceSession::Link::Open; }, 2000));
    runRounds(overview.rounds(), 1);
    EXPECT_GE(overview.rounds().roster().row(2)->requests, asked + 1);
}

// The engineer's write while the overview holds the bus goes out between two round exchanges, ahead of the
// next, and its answer reaches the addressed device's model; no reply is misdirected or glued to another.
// The hold is the overview's to decide: its window says only whether it wants the bus. Wanted, it holds the
// bus while the link is open, keeps its hold while a lost port is waited for, and lets it go when the port is
// closed, taking it again when the port is opened; not wanted, polling is the main window's.
TEST_F(OverviewOnSession, WantedItHoldsTheBusWhileTheLinkIsOpenOrWaitedFor) {
    BusOverview overview(*session, options);
    overview.rounds().roster().add(1);
    const auto held = [&] { return std::pair(overview.running(), session->pollingPaused()); };
    overview.setWanted(true);
    EXPECT_EQ(held(), std::pair(true, true)) << "open";
    ASSERT_TRUE(QTest::qWaitFor([&] { return overview.rounds().isRunning(); }, 2000));
    QSignalSpy told(&overview, &BusOverview::stateChanged);
    port.hangUp();
    ASSERT_TRUE(QTest::qWaitFor([&] { return session->waitingForPort(); }, 2000));
    EXPECT_TRUE(overview.running()) << "waiting for the lost port, the hold is kept";
    EXPECT_FALSE(overview.rounds().isRunning());
    EXPECT_GE(told.count(), 1) << "the rounds that stopped are told";
    session->close();
    EXPECT_EQ(held(), std::pair(false, false)) << "closed";
    port.openResult = {true, OpenFailure::None, {}, 0};
    ASSERT_TRUE(session->open(QStringLiteral("COM3"), QStringLiteral("path:COM3")).ok);
    EXPECT_EQ(held().first, true) << "opened again";
    ASSERT_TRUE(QTest::qWaitFor([&] { return session->pollingPaused(); }, 2000));
    overview.setWanted(false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !session->pollingPaused(); }, 2000));
    EXPECT_FALSE(overview.running()) << "not wanted";
}

TEST_F(OverviewOnSession, AWriteFromTheMainWindowGoesOutBetweenTwoRoundExchanges) {
    BusOverview overview(*session, options);
    for (quint8 a : {1, 2, 3}) overview.rounds().roster().add(a);
    overview.run();
    runRounds(overview.rounds(), 2);
    const std::size_t before = port.requests.size();
    const QByteArray radio =
        device::setRadioParamsRequest(2, {QStringLiteral("1"), QStringLiteral("7"), QStringLiteral("20")})
            .frame;
    ASSERT_FALSE(radio.isEmpty());
    std::vector<Transaction> rows;
    QObject::connect(session.get(), &DeviceSession::recorded,
                     [&](const traffic::Record&, const Transaction& t) { rows.push_back(t); });
    session->send(radio);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return std::any_of(rows.begin(), rows.end(),
                               [&](const Transaction& t) { return t.request == radio; });
        },
        2000))
        << "the write and its answer are in the log";
    const auto written =
        std::find_if(rows.begin(), rows.end(), [&](const Transaction& t) { return t.request == radio; });
    EXPECT_EQ(written->reply, withCheckByte(hex("3E 02 F4"))) << "its own answer, whole and alone";
    EXPECT_EQ(port.bus.reader(2)->channel, 7) << "the reader took the write";
    session->identifyAgain();  // the addressed reader 1, as after a reconnect
    ASSERT_TRUE(QTest::qWaitFor([&] { return session->model().identity().value.has_value(); }, 2000));
    runRounds(overview.rounds(), 1);
    const auto at = std::find(port.requests.begin() + long(before), port.requests.end(), radio);
    ASSERT_NE(at, port.requests.end());
    EXPECT_LE(at - port.requests.begin() - long(before), 1) << "ahead of the rounds' next exchange";
    EXPECT_EQ(port.interleaved, 0);
    for (quint8 a : {1, 2, 3}) {
        EXPECT_EQ(overview.rounds().roster().row(a)->misdirected, 0) << int(a);
        EXPECT_EQ(overview.rounds().roster().row(a)->good, overview.rounds().roster().row(a)->requests)
            << int(a);
    }
    EXPECT_TRUE(session->pollingPaused());
}

// The whole way over a pseudo-terminal: the session's real port, the simulated bus paced at 19200 baud, so
// replies come in pieces and the rounds hold arrivals between them.
TEST(OverviewOnPty, ReadsEveryReaderAtWireSpeedAndHandsTheBusBack) {
    sim::Bus bus;
    for (quint8 a : {1, 2, 3}) bus.addReader(sim::Bus::defaultReader(a, a));
    bus.injectFault(sim::FaultKind::Silence, sim::kUntilCleared, 3);
    sim::PtyHost host(std::move(bus));
    ASSERT_TRUE(host.start());
    QtSerialPort serial;
    serial.setLeadingPaths({host.slavePath()});
    DeviceSession session(serial, DeviceSession::Options{});
    ASSERT_TRUE(session.open(host.slavePath(), QString()).ok);
    BusRounds::Options options;
    options.timeoutMs = 100;
    BusOverview overview(session, options);
    QSignalSpy finished(&overview.rounds(), &BusRounds::roundFinished);
    overview.run();
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished.count() >= 2; }, 10000));
    const BusRoster& roster = overview.rounds().roster();
    EXPECT_EQ(roster.addresses(), (QList<quint8>{1, 2, 3}));
    for (quint8 a : {1, 2}) {
        EXPECT_EQ(roster.row(a)->state, ReaderState::Answering) << int(a);
        EXPECT_EQ(roster.row(a)->identity->serial, std::optional<quint32>(123456 + a)) << int(a);
        EXPECT_TRUE(roster.row(a)->live && roster.row(a)->live->level) << int(a);
        EXPECT_EQ(roster.row(a)->resetDelay->delay, std::optional<quint16>(500)) << int(a);
        EXPECT_EQ(roster.row(a)->good, roster.row(a)->requests) << int(a);
    }
    EXPECT_EQ(roster.row(3)->state, ReaderState::NoReply);
    overview.pause();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !session.pollingPaused(); }, 2000));
    EXPECT_TRUE(session.cycle().isRunning());
}

// A reader that answers as told but keeps nothing (worn memory): the plan's check names what it read back,
// not a change of reader.
TEST(PlanApplierOnSimBus, AFailedCheckNamesWhatWasReadBack) {
    sim::PtyHost host;
    host.setPacing(false);
    ASSERT_TRUE(host.start());
    QtSerialPort port;
    ASSERT_TRUE(port.open(host.slavePath()).ok);
    ExchangeQueue queue(port);
    QTemporaryDir dir;
    const bus::Plan plan = bus::parsePlan("address;name;network\n5;Tank 5;1000\n", dir.filePath("site.csv"));
    ASSERT_TRUE(plan.ok());
    host.injectFault(sim::FaultKind::Stuck, sim::kUntilCleared, 5);
    PlanApplier applier(queue, plan, dir.filePath("site.csv"), {5});
    QSignalSpy finished(&applier, &PlanApplier::finished);
    applier.stop();  // nothing asked yet: nothing to stop
    applier.start();
    ASSERT_TRUE(finished.wait(5000));
    ASSERT_EQ(applier.outcomes().size(), 1u);
    EXPECT_EQ(PlanApplier::describe(applier.outcomes()[0]),
              "адрес 5 (Tank 5), серийный номер 123456: проверка не прошла: network 1, по плану 1000");
}
