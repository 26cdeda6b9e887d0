// The one exchange queue over an in-memory port: what each of its users (the client's and the overview's
// answers, the window's reads, the search) gets for what the line does.
#include <gtest/gtest.h>

#include <QLoggingCategory>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <vector>

#include "device/commands.h"
#include "exchange/arrival.h"
#include "exchange/exchangequeue.h"
#include "exchange/logging.h"
#include "fakeport.h"
#include "protocol/frame.h"

using namespace kestrel;
using kestrel::test::FakePort;
using kestrel::test::hex;
using Kind = ExchangeRequest::Kind;

namespace {

const QByteArray kIdentify = hex("31 05 FC 5D");
const QByteArray kIdReply = withCheckByte(hex("3E 05 FC 40 E2 01 00 86 00"));  // reader 5, serial 123456
const QByteArray kSearch = hex("31 FF DC");

struct Piece {
    int ms;  // after the write
    QByteArray bytes;
    bool unnoticed =
        false;  // reaches the driver in the middle of the stall; told of when the loop runs again
};

struct Case {
    const char* behaviour;
    Kind kind;
    QByteArray request;
    std::vector<Piece> pieces;
    // What the queue reports: the reply after the echo, its outcome, the echo taken off, how many attempts,
    // the first reply byte's piece (its time bounds the reply time from below; -1: no reply), the port's
    // failure.
    QByteArray reply;
    Outcome outcome;
    bool echoRemoved = false;
    int attempts = 1;
    int firstReplyPieceMs = -1;
    const char* failure = "";
    // The line before the write and around it.
    QByteArray noiseBefore = {};
    int stallAtMs = -1;  // the loop stalls 50 ms from here
    int hangUpAtMs = -1;
    int retries = 0;
    int timeoutMs = 60;
};

class QueueOnFakePort : public ::testing::Test {
  protected:
    QueueOnFakePort() { port.open(QStringLiteral("COM3")); }

    // Schedules the line's doings relative to now (the write comes at once).
    void play(const Case& c) {
        QByteArray unnoticed;
        for (const Piece& p : c.pieces) {
            if (p.unnoticed) unnoticed += p.bytes;
            if (!p.unnoticed) QTimer::singleShot(p.ms, &port, [this, p] { port.feed(p.bytes); });
        }
        // The tool is busy for 50 ms; bytes that reach the port meanwhile are told of after every timer that
        // fell due during the stall, as a notifier's are.
        if (c.stallAtMs >= 0)
            QTimer::singleShot(c.stallAtMs, &port, [this, unnoticed] {
                QThread::msleep(20);
                port.arriveUnnoticed(unnoticed);
                QThread::msleep(30);
            });
        if (c.hangUpAtMs >= 0) QTimer::singleShot(c.hangUpAtMs, &port, [this] { port.hangUp(); });
    }
    ExchangeReply* ask(Kind kind, const QByteArray& request, int timeoutMs = 60, int retries = 0) {
        ExchangeRequest r;
        r.frames = request;
        r.kind = kind;
        r.timeoutMs = timeoutMs;
        r.retries = retries;
        return queue.submit(r);
    }
    bool finishes(ExchangeReply* r) {
        return QTest::qWaitFor([r] { return r->isFinished(); }, 3000);
    }

    FakePort port;
    ExchangeQueue queue{port, ExchangeQueue::Line{5, 20, 50, EchoMode::Auto}};
};

}  // namespace

TEST_F(QueueOnFakePort, EachUserGetsWhatTheLineGaveJudgedOnceAndNothingJoinsTheNextReply) {
    const QByteArray half = kIdReply.left(5), rest = kIdReply.mid(5);
    const QByteArray params = hex("31 05 F0 FE"), paramsReply = hex("3E 05 F0 19 00 02 01 00 00 00 7E");
    const Case cases[] = {
        // clang-format off
        {"answer: the echo whole, then the reply", Kind::Answer, kIdentify, {{1, kIdentify}, {8, kIdReply}},
         kIdReply, Outcome::Decoded, true, 1, 8},
        {"read: the echo in pieces, the reply after its last", Kind::AsRead, kIdentify,
         {{1, hex("31 05")}, {3, hex("FC")}, {8, hex("5D") + kIdReply}}, kIdReply, Outcome::Decoded, true, 1, 8},
        {"search: its echo is no reader", Kind::Search, kSearch, {{1, kSearch}, {10, hex("01 02 03")}},
         hex("01 02 03"), Outcome::Decoded, true, 1, 10},
        {"answer: noise before the write is dropped, never read", Kind::Answer, kIdentify, {{12, kIdReply}},
         kIdReply, Outcome::Decoded, false, 1, -1, "", hex("00 FF 3E")},
        {"answer: a late reply is no reply, and is dropped", Kind::Answer, kIdentify, {{90, kIdReply}}, {},
         Outcome::NoReply},
        {"read: a late reply is no reply, and is dropped", Kind::AsRead, params, {{90, paramsReply}}, {},
         Outcome::NoReply},
        {"answer: a frame sent twice in one piece is too long", Kind::Answer, kIdentify,
         {{2, kIdReply + kIdReply}}, kIdReply + kIdReply, Outcome::TooLong, false, 1, 2},
        {"answer: a frame again after the first was taken is dropped", Kind::Answer, kIdentify,
         {{2, kIdReply}, {15, kIdReply}}, kIdReply, Outcome::Decoded, false, 1, 2},
        {"answer: the tool stalls in mid-reply: one reply", Kind::Answer, kIdentify,
         {{1, half}, {4, rest, true}}, kIdReply, Outcome::Decoded, false, 1, 1, "", {}, 4},
        {"read: the tool stalls in mid-reply: one reply", Kind::AsRead, params,
         {{1, paramsReply.left(5)}, {4, paramsReply.mid(5), true}}, paramsReply, Outcome::Decoded, false, 1, 1,
         "", {}, 4},
        {"read: the line falls silent in mid-reply: two replies", Kind::AsRead, params,
         {{1, paramsReply.left(5)}, {45, paramsReply.mid(5)}}, paramsReply.left(5), Outcome::WrongCheckByte,
         false, 1, 1},
        {"answer: the port pulled out in mid-reply", Kind::Answer, kIdentify, {{1, half}}, {}, Outcome::NoReply,
         false, 1, -1, "hung up", {}, -1, 5},
        {"answer: no reply, retried", Kind::Answer, kIdentify, {}, {}, Outcome::NoReply, false, 3, -1, "", {}, -1,
         -1, 2},
        {"read: no reply, never retried", Kind::AsRead, params, {}, {}, Outcome::NoReply, false, 1, -1, "", {}, -1,
         -1, 2},
        // clang-format on
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.behaviour);
        QTest::qWait(30);  // the line quiet before each case
        port.clearWritten();
        if (!port.isOpen()) port.open(QStringLiteral("COM3"));
        std::vector<Transaction> fed;
        const QMetaObject::Connection feed = QObject::connect(
            &queue, &ExchangeQueue::exchanged, [&](const Transaction& t, const char*) { fed.push_back(t); });
        if (!c.noiseBefore.isEmpty()) port.feed(c.noiseBefore);
        ExchangeReply* r = ask(c.kind, c.request, c.timeoutMs, c.retries);
        play(c);
        ASSERT_TRUE(finishes(r));
        QObject::disconnect(feed);
        const Transaction& t = r->transaction();
        EXPECT_EQ(port.written.left(c.request.size()), c.request);
        EXPECT_EQ(t.reply.toHex(' '), c.reply.toHex(' '));
        EXPECT_EQ(outcomeKey(t.outcome), outcomeKey(c.outcome));
        EXPECT_EQ(t.echoRemoved, c.echoRemoved);
        EXPECT_EQ(r->attempts(), c.attempts);
        EXPECT_EQ(r->portFailure(), QString::fromUtf8(c.failure));
        EXPECT_EQ(int(fed.size()), *c.failure ? 0 : c.attempts)
            << "every attempt fed once; a failed one never";
        if (c.firstReplyPieceMs >= 0) {
            ASSERT_TRUE(t.replyTimeMs().has_value());
            EXPECT_GE(*t.replyTimeMs(), c.firstReplyPieceMs - 1)
                << "timed from the first byte after the echo";
        }
        if (*c.failure) continue;
        // Whatever was left on the line, the next exchange reads only its own reply.
        QTest::qWait(60);  // a late reply (90 ms after the write) comes meanwhile
        ExchangeReply* next = ask(Kind::Answer, kIdentify);
        port.feedLater(12, kIdReply);  // after the quiet gap that follows bytes left on the line
        ASSERT_TRUE(finishes(next));
        EXPECT_EQ(next->transaction().reply.toHex(' '), kIdReply.toHex(' '));
        EXPECT_EQ(outcomeKey(next->transaction().outcome), outcomeKey(Outcome::Decoded));
    }
}

// A port that goes is told lost once, whether the queue's own read notices it before the port's signal
// is handled or not.
TEST_F(QueueOnFakePort, APortThatGoesIsToldLostOnce) {
    QSignalSpy lost(&queue, &ExchangeQueue::portLost);
    ExchangeReply* r = ask(Kind::Answer, kIdentify);
    QTimer::singleShot(5, &port, [this] {
        port.hangUp();
        emit port.readyRead();  // read at once: the queue finds the port closed
    });
    ASSERT_TRUE(finishes(r));
    QTest::qWait(20);
    EXPECT_EQ(lost.count(), 1);
    EXPECT_EQ(r->portFailure(), QStringLiteral("hung up"));
}

// A line that never falls quiet (bytes every 2 ms, against a gap of 5 ms) is written to once the timeout has
// gone by, by every user: nobody waits for ever.
TEST_F(QueueOnFakePort, ANeverQuietLineIsWrittenToAfterTheTimeout) {
    QTimer flood;
    QObject::connect(&flood, &QTimer::timeout, [this] { port.feed(QByteArray(8, '\0')); });
    flood.start(2);
    QTest::qWait(10);
    for (const Kind kind : {Kind::Answer, Kind::AsRead, Kind::Search}) {
        port.clearWritten();
        ExchangeReply* r = ask(kind, kind == Kind::Search ? kSearch : kIdentify);
        ASSERT_TRUE(finishes(r)) << int(kind);
        EXPECT_EQ(port.written, kind == Kind::Search ? kSearch : kIdentify) << int(kind);
    }
}

// A device that answers inside the write (a whole reply handed back before the write returns): the asker, who
// connects once submit() has returned, still hears of the write, the attempt and the end.
TEST_F(QueueOnFakePort, AReplyCompleteInsideTheWriteIsStillToldToTheAsker) {
    class AnswersAtOnce : public FakePort {
      public:
        qint64 write(const QByteArray& data) override {
            const qint64 n = FakePort::write(data);
            feed(kIdReply);
            return n;
        }
    } instant;
    instant.open(QStringLiteral("COM4"));
    ExchangeQueue onInstant(instant);
    ExchangeRequest request;
    request.frames = kIdentify;
    ExchangeReply* r = onInstant.submit(request);
    QSignalSpy written(r, &ExchangeReply::written), attempted(r, &ExchangeReply::attempted),
        finished(r, &ExchangeReply::finished);
    ASSERT_TRUE(finished.wait(2000));
    EXPECT_EQ(written.count(), 1);
    EXPECT_EQ(attempted.count(), 1);
    EXPECT_TRUE(r->ok());
    EXPECT_EQ(r->transaction().reply, kIdReply);
}

// A line that babbles slower than the silence (a byte every 10 ms) ends the window's read at its limit.
TEST_F(QueueOnFakePort, AReadOfTheWindowEndsAtItsLimitOnABabblingLine) {
    QTimer babble;
    QObject::connect(&babble, &QTimer::timeout, [this] { port.feed(hex("00")); });
    ExchangeReply* r = ask(Kind::AsRead, hex("31 05 F0 FE"), 60);
    babble.start(10);
    ASSERT_TRUE(finishes(r));
    EXPECT_FALSE(r->transaction().reply.isEmpty());
    EXPECT_LE(r->transaction().reply.size(), 7) << "60 ms of a byte every 10 ms, not 255 bytes";
}

// Requests queue behind the one on the wire, in order, one at a time; a request asked to be read later keeps
// its reply's bytes until then; cancelling drops a request without feeding it.
TEST_F(QueueOnFakePort, OneOnTheWireTheOthersInTurnAndAReadOpenedWhenAsked) {
    QSignalSpy fed(&queue, &ExchangeQueue::exchanged);
    ExchangeRequest later;
    later.frames = hex("31 05 F0 FE");
    later.kind = Kind::AsRead;
    later.timeoutMs = 40;
    later.readWhenAsked = true;
    ExchangeReply* first = queue.submit(later);
    ExchangeReply* second = ask(Kind::Answer, kIdentify);
    EXPECT_EQ(port.written, later.frames) << "the second waits for the first";
    port.feedLater(2, hex("3E 05 F0 19 00"));
    port.feedLater(60, hex("02 01 00 00 00 7E"));
    QTest::qWait(120);
    EXPECT_FALSE(first->isFinished()) << "read only when asked";
    queue.openRead(first);
    ASSERT_TRUE(finishes(first));
    EXPECT_EQ(first->transaction().reply, hex("3E 05 F0 19 00 02 01 00 00 00 7E"))
        << "everything since the write, its pieces 58 ms apart";
    EXPECT_EQ(port.written, later.frames + kIdentify);
    port.feedLater(2, kIdReply);
    ASSERT_TRUE(finishes(second));
    EXPECT_TRUE(second->ok());
    EXPECT_EQ(fed.count(), 2);

    ExchangeReply* dropped = ask(Kind::Answer, kIdentify);
    queue.cancel(dropped);
    EXPECT_TRUE(dropped->isFinished() && dropped->cancelled());
    QTest::qWait(20);
    EXPECT_EQ(fed.count(), 2) << "a cancelled request is never fed";
}

// When a reply being read is over, by what has come: at its last byte when complete, after the silence
// otherwise, and at the wait's limit while nothing (or only the echo) has come or a frame's check byte does
// not add up yet where that waits. The wait began at 1000 ms, the last byte came at 1100 ms.
TEST(ArrivalRule, AReplyEndsAtItsLastByteWhenCompleteAfterTheSilenceOrAtTheLimit) {
    const QByteArray request = hex("31 05 F0 2A");
    const QByteArray frame = withCheckByte(hex("3E 05 F0 19"));  // a whole frame, its check byte right
    const QByteArray unfinished = hex("3E 05 F0 19 00");         // a frame whose check byte does not add up
    struct Case {
        const char* what;
        QByteArray read;
        int fullReplyBytes;
        bool unfinishedWaits;
        EchoMode echo;
        qint64 endsAt;
    };
    const Case cases[] = {
        {"nothing", {}, 0, false, EchoMode::Auto, 1256},
        {"a frame of its command's full length", frame, 5, false, EchoMode::Auto, 1100},
        {"a frame of open length", frame, 0, false, EchoMode::Auto, 1120},
        {"a frame longer than its command's", frame + hex("00"), 5, false, EchoMode::Auto, 1100},
        {"49 bytes of noise", QByteArray(49, '\x55'), 5, false, EchoMode::Auto, 1120},
        {"50 bytes of noise: the longest any reply is", QByteArray(50, '\x55'), 5, false, EchoMode::Auto,
         1100},
        {"the echo and nothing after it", request, 5, false, EchoMode::Auto, 1256},
        {"the echo, then a whole frame", request + frame, 5, false, EchoMode::Auto, 1100},
        {"half the echo, taken off", request.left(2), 5, false, EchoMode::On, 1256},
        {"half the echo, judged as bytes", request.left(2), 5, false, EchoMode::Auto, 1120},
        {"an unfinished frame that waits", unfinished, 0, true, EchoMode::Auto, 1256},
        {"an unfinished frame that does not wait", unfinished, 0, false, EchoMode::Auto, 1120},
        {"a whole frame where unfinished ones wait", frame, 0, true, EchoMode::Auto, 1120},
        {"bytes that are no frame where unfinished ones wait", hex("00 11"), 0, true, EchoMode::Auto, 1120},
    };
    for (const Case& c : cases) {
        ArrivalRule rule;
        rule.silenceMs = 20;
        rule.limitMs = 256;
        rule.fullReplyBytes = c.fullReplyBytes;
        rule.longestBytes = 50;
        rule.unfinishedFrameWaits = c.unfinishedWaits;
        rule.echoOf = request;
        rule.echo = c.echo;
        EXPECT_EQ(rule.endsAt(c.read, 1000, 1100), c.endsAt) << c.what;
    }
}

// With the kestrel.exchange debug log on, each attempt is one line: who asked, what, how it ended, and when
// the reply began; off, nothing is formatted.
TEST(ExchangeLog, EachAttemptIsOneLineSayingWhoAskedWhatAndHowItEnded) {
    static QStringList lines;
    lines.clear();
    const QtMessageHandler before =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext& context, const QString& text) {
            if (QLatin1String(context.category) == QLatin1String("kestrel.exchange")) lines << text;
        });
    Transaction answered;
    answered.request = hex("31 05 F0 2A");
    answered.reply = withCheckByte(hex("3E 05 F0 19"));
    answered.outcome = Outcome::Decoded;
    answered.fit = Fit::Answers;
    answered.writtenMs = 1000;
    answered.firstByteMs = 1012;
    Transaction silent;
    silent.request = hex("31 07 FC 5D");
    Transaction other = answered;
    other.fit = Fit::OtherCommand;
    other.firstByteMs = -1;
    Transaction none;
    none.reply = hex("00 11 22");
    none.outcome = Outcome::Unframed;
    logTransaction("cycle", answered);  // off: nothing
    QLoggingCategory::setFilterRules(QStringLiteral("kestrel.exchange.debug=true"));
    for (const Transaction* t : {&answered, &silent, &other, &none}) logTransaction("rounds", *t);
    QLoggingCategory::setFilterRules(QString());
    qInstallMessageHandler(before);
    EXPECT_EQ(lines, (QStringList{
                         "rounds: address 5 command F0 -> decoded, 5 bytes, answers the request after 12 ms",
                         "rounds: address 7 command FC -> no-reply, 0 bytes",
                         "rounds: address 5 command F0 -> decoded, 5 bytes, another command's reply",
                         "rounds: no request -> unframed, 3 bytes",
                     }));
}
