#pragma once
// The one exchange engine on a port: a queue of requests, one on the wire at a time, each answered by a reply
// object. The main window's cycle, the bus overview's rounds and the command-line client all send through it,
// so the bus is read, timed and judged in one place:
//
//  - before a write, the line's quiet gap (bounded: a line that never falls quiet is written to all the
//  same),
//    and whatever arrived since the last exchange ended (a late reply, noise) is dropped, so it never joins
//    another reply;
//  - the port's pieces with the time each reached the port; the echo of the request taken off (echo.h) before
//    anything else looks at the reply, the network poll's answer included;
//  - when the reply is over (arrival.h), also when the tool itself was late to look: bytes already waiting
//    when a late timer ends a read belong to that read;
//  - the one judge (classify.h), retries, the reply time (from the reply's first byte after the echo to the
//    write, on the queue's clock), and the cause of a port failure in one text;
//  - every attempt goes out once, on exchanged(), to the traffic feed and the kestrel.exchange log.
//
// Nothing here blocks: a write, then the port's readyRead and one single-shot timer until the reply is over.

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <deque>
#include <utility>
#include <vector>

#include "exchange/classify.h"
#include "exchange/echo.h"
#include "exchange/transaction.h"

namespace kestrel {

class SerialPort;

// The one text of a port that refused a write.
QString writeFailure();

// What a request expects of its reply.
struct ExchangeRequest {
    enum class Kind {
        // The addressed device's reply to the request's command, complete at its command's full length; any
        // other reply is reported, never taken (the client, the bus overview).
        Answer,
        // Whatever comes, judged by its own bytes and decoded by position (the main window): a read of open
        // length that ends when the line falls silent, of at most kMaxReadBytes.
        AsRead,
        // The network poll: collects for the whole wait; the answer lists the addresses that answered.
        Search,
    };
    QByteArray frames;  // written in one go (several frames may go together)
    Kind kind = Kind::Answer;
    // Answer and AsRead: the wait for a first byte (and for an unfinished frame's rest) once the read is
    // open; Search: the whole collection.
    int timeoutMs = 300;
    int retries = 0;  // Answer: further attempts after one without an acceptable reply
    // The read opens only when asked (ExchangeQueue::openRead), not at the write: the main window's cycle
    // reads the answer to one tick's request at the next tick. What arrives meanwhile is kept with its times.
    bool readWhenAsked = false;
    // AsRead: an unframed reply shorter than kMaxPollAnswer is the network poll's answer.
    bool pollAnswerExpected = false;
    const char* user = "";  // who asked, for the kestrel.exchange log
};

class ExchangeQueue;

// The answer to one request: finished() once, with the last attempt's transaction.
class ExchangeReply : public QObject {
    Q_OBJECT
  public:
    const ExchangeRequest& request() const { return request_; }
    // The last attempt: the request as written (empty when nothing was written), the reply after the echo,
    // its times, outcome and value.
    const Transaction& transaction() const { return last_; }
    int attempts() const { return attempts_; }
    bool isFinished() const { return finished_; }
    // The port failed or went away during this request: why, in the one text every user shows.
    const QString& portFailure() const { return portFailure_; }
    // Dropped unanswered (ExchangeQueue::cancelAll): nobody reads its reply.
    bool cancelled() const { return cancelled_; }
    bool ok() const { return finished_ && portFailure_.isEmpty() && last_.outcome == Outcome::Decoded; }
    // Whether another attempt follows the attempt `t` just made: an answer is asked for, none was
    // decoded, attempts are left and nobody asked to stop retrying. The queue retries by this rule, and
    // whoever judges each attempt can tell the last one from it.
    bool retryFollows(const Transaction& t) const;

  signals:
    // The request is on the wire.
    void written();
    // One attempt is over (a retry may follow): as written, read and judged.
    void attempted(const kestrel::Transaction& t);
    void finished();

  private:
    friend class ExchangeQueue;
    explicit ExchangeReply(ExchangeRequest request, QObject* parent);
    ExchangeRequest request_;
    Transaction last_;
    int attempts_ = 0;
    bool finished_ = false;
    bool cancelled_ = false;
    bool readAsked_ = false;
    bool noRetry_ = false;
    QString portFailure_;
};

class ExchangeQueue : public QObject {
    Q_OBJECT
  public:
    // What the line is like; the same for every request on it.
    struct Line {
        int gapMs = 5;       // quiet time on the line before each request
        int silenceMs = 20;  // a reply of open length ends this long after its last byte
        // Once a reply has begun, its later pieces wait in the driver and wake the loop once, not each: a
        // reply of known length for the rest's time on the wire, one of open length this long (longer than
        // the longest reply takes at 19200 baud, 50 bytes, 26 ms). 0: every piece is taken as it comes (the
        // client, which would rather end a reply at its last byte than save the loop's wake-ups).
        int holdMs = 50;
        EchoMode echo = EchoMode::Auto;
    };
    // One byte at 19200 baud, 10 bits a byte.
    static constexpr double kMsPerByte = 10.0 * 1000.0 / 19200.0;
    static constexpr int kMaxReadBytes =
        255;  // an as-read reply takes at most this much; the rest is dropped
    // A timer that ends a read this much late means the tool, not the line, was slow: bytes waiting then
    // belong to the read.
    static constexpr int kLateMs = 2;

    explicit ExchangeQueue(SerialPort& port, QObject* parent = nullptr);
    ExchangeQueue(SerialPort& port, Line line, QObject* parent = nullptr);
    ~ExchangeQueue() override;

    SerialPort& port() { return port_; }
    const Line& line() const { return line_; }
    void setLine(const Line& line) { line_ = line; }
    void setEchoMode(EchoMode mode) { line_.echo = mode; }
    EchoMode echoMode() const { return line_.echo; }

    // Queues `request` behind those already queued; it is written as soon as the one on the wire is over
    // (at once when none is). The reply belongs to the queue; whoever asked may deleteLater() it once
    // finished.
    ExchangeReply* submit(ExchangeRequest request);
    // Opens the read of the request on the wire that waits to be asked (readWhenAsked), or of that request
    // once it is written.
    void openRead(ExchangeReply* reply);
    // Drops every request, the one on the wire included: each finishes cancelled. For a port closed on
    // purpose, whose replies nobody reads.
    void cancelAll();
    // Drops `reply` unanswered, on the wire or queued: it finishes cancelled, and nothing of it is fed.
    void cancel(ExchangeReply* reply);
    // Ends `reply` now, without a retry: the attempt on the wire is judged as it stands; a request not yet
    // written finishes with nothing written (Ctrl-C in the client).
    void endNow(ExchangeReply* reply);
    // No further attempt of `reply` after the one on the wire (whoever asked is stopping).
    void noRetry(ExchangeReply* reply);
    // The queue's clock (ms), on which the transactions' times are given.
    qint64 nowMs() const { return clock_.elapsed(); }

  signals:
    // Every attempt, as written and read and judged: the traffic feed and the log take it from here.
    void exchanged(const kestrel::Transaction& t, const char* user);
    // The port failed (a write refused) or went away: once per loss, whether or not a request was on the
    // wire.
    void portLost(const QString& reason);

  private:
    enum class Phase { Idle, Gap, Waiting, Reading };

    void startNext();
    void beginAttempt();
    void write();
    void openReadNow();
    void onReadyRead();
    void onTimer();
    void takeArrivals();
    void collect();
    void finishAttempt();
    void announce(const QPointer<ExchangeReply>& reply, const Transaction& t);
    void finishReply(ExchangeReply* reply, bool deferred);
    void dropWaiting();
    void hold(qint64 ms);
    void resume();
    void fail(const QString& reason);
    void onPortGone(const QString& reason);
    int readCap() const;
    bool replyBegun() const;      // bytes past the echo have come
    qint64 replyStartMs() const;  // when the first of them came

    SerialPort& port_;
    Line line_;
    std::deque<QPointer<ExchangeReply>> queue_;
    QPointer<ExchangeReply> current_;
    Phase phase_ = Phase::Idle;
    QElapsedTimer clock_;
    QTimer timer_;  // the one wait: the gap, the reply's end, a hold's end
    qint64 timerDueMs_ = -1;
    bool lastLookTaken_ = false;  // a late timer has let the loop deliver what was waiting once
    qint64 lastActivityMs_ = -1;  // the last write or byte read, for the gap
    qint64 gapSinceMs_ = -1;
    qint64 busyUntilMs_ = -1;  // a cancelled request's answer may come until then
    qint64 readOpenMs_ = -1;
    int fullReplyBytes_ = 0;
    Transaction attempt_;
    QByteArray rx_;
    // When each piece read ended in the reply (its end's offset, its time): where the reply after an echo
    // began.
    std::vector<std::pair<qsizetype, qint64>> pieces_;
    qint64 lastByteMs_ = -1;
    bool held_ = false;
    bool heldOnce_ = false;    // this attempt's reply has been held once
    QString goneReason_;       // the port went away: why (until a request finds it open again)
    bool goneUntold_ = false;  // the port said it went away, and nobody has been told yet
    int submitting_ = 0;       // inside submit(): a reply finished there says so once its asker can hear it
};

}  // namespace kestrel
