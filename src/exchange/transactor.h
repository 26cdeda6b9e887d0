#pragma once
// Request and reply at the speed of the wire, for the command-line client: writes a request, then
// collects its reply and is done as soon as the reply is complete, instead of waiting for a cycle's
// tick. A reply is complete when it reaches the length its command's reply has at most, or, for
// replies of open length, when the line has been silent for a while after its last byte (the arrival
// rule the window's read window follows too, arrival.h). No acceptable reply within the timeout is
// retried. Replies are judged by the window's judge (classify.h), and a reply from another address or to
// another command is reported, never taken as the answer.
//
// Waiting runs a local event loop, so the port's notifications arrive as they do in the window.

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <optional>
#include <utility>
#include <vector>

class QEventLoop;

#include "exchange/classify.h"
#include "exchange/echo.h"

namespace kestrel {

class SerialPort;

class Transactor : public QObject {
    Q_OBJECT
  public:
    struct Timing {
        int timeoutMs = 300;             // no first byte this long after the write: no reply
        int retries = 2;                 // further attempts after one without an acceptable reply
        int gapMs = 5;                   // quiet time on the line before each request
        int silenceMs = 20;              // a reply of open length ends this long after its last byte
        int scanWaitMs = 500;            // the network poll collects answers this long
        EchoMode echo = EchoMode::Auto;  // how an echo of the request in front of its reply is told (echo.h)
    };

    struct Result {
        Transaction last;  // the last attempt
        int attempts = 0;
        bool interrupted = false;
        bool ok() const { return last.outcome == Outcome::Decoded && !interrupted; }
    };

    Transactor(SerialPort& port, Timing timing, QObject* parent = nullptr);

    using Expect = ReplyExpectation;  // reply codes also accepted, the address the answer comes from
    // Writes `request` and collects its answer, retrying while no acceptable answer came. The answer
    // must come from the addressed device and carry the reply code of the request's command. A reply
    // with that code and a good check byte that no decoder reads is taken as an acknowledgement.
    Result exchange(const QByteArray& request, const Expect& expect = {});
    // The network poll: collects for the whole scan wait, then takes what came as the list of the
    // addresses that answered. Not retried: an empty bus is an answer too.
    Result scan();

    // The port went away during a wait; every later exchange fails at once.
    bool portLost() const { return portLost_; }
    QString portLostReason() const { return portLostReason_; }
    // Ends the wait in progress (Ctrl-C); the attempt ends as it stands and is not retried.
    void interrupt();
    // Waits `ms` with the port's notifications going on; false when interrupted or the port went away.
    bool pause(int ms);
    void setTiming(const Timing& timing) { timing_ = timing; }

  signals:
    // Every attempt, as written and read: the trace and the log file take them from here.
    void attempted(const kestrel::Transaction& t);

  private:
    Transaction attempt(const QByteArray& request, int fullReplyBytes, int waitMs, bool wholeWait);
    void waitMs(int ms);
    bool takeAvailable();

    SerialPort& port_;
    Timing timing_;
    QElapsedTimer clock_;
    qint64 lastActivityMs_ = -1;  // the last write or the last byte read, for the gap
    QByteArray rx_;
    qint64 firstByteMs_ = -1;
    qint64 lastByteMs_ = -1;
    // When each piece read ended in the reply (its end's offset, its time): where the reply after an echo
    // began.
    std::vector<std::pair<qsizetype, qint64>> pieces_;
    bool portLost_ = false;
    QString portLostReason_;
    bool interrupted_ = false;
    QEventLoop* loop_ = nullptr;
};

}  // namespace kestrel
