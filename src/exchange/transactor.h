#pragma once
// Request and reply at the speed of the wire, for the command-line client: a blocking call on the exchange
// queue (exchangequeue.h). It hands the queue a request with what it expects (the addressed device's reply to
// its command, retried while none acceptable came) and waits, in a local event loop, for the reply object;
// the queue reads, times and judges the reply as it does for the window. The rounds of `monitor` send through
// the same queue (queue()).

#include <QByteArray>
#include <QObject>
#include <QString>

class QEventLoop;

#include "exchange/exchangequeue.h"

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

    // Writes `request` and collects its answer, retrying while no acceptable answer came. The answer
    // must come from the addressed device (a new address: from that address) and carry the reply code of
    // the request's command (a new mode: or a reply a mode change brings), as expectationOf (classify.h)
    // tells. A reply with that code and a good check byte that no decoder reads is taken as an
    // acknowledgement.
    Result exchange(const QByteArray& request);
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
    void setTiming(const Timing& timing);
    // The queue the client's requests go through, for other schedulers on the same line (monitor's rounds).
    ExchangeQueue& queue() { return queue_; }

  signals:
    // Every attempt on the line, the client's and those of other schedulers on its queue, as written and
    // read: the trace and the log file take them from here.
    void attempted(const kestrel::Transaction& t);

  private:
    Result run(const ExchangeRequest& request);
    void waitMs(int ms);

    Timing timing_;
    ExchangeQueue queue_;
    bool portLost_ = false;
    QString portLostReason_;
    bool interrupted_ = false;
    QEventLoop* loop_ = nullptr;
    ExchangeReply* waitingFor_ = nullptr;
};

}  // namespace kestrel
