#pragma once
// The bus overview's rounds: every reader of the roster asked in turn at the speed of the wire. A reader is
// identified once (asked for its identification until it answers), then each round reads its live values
// (current parameters), and every `settingsEvery`-th round its settings (the bound-ID table and the reset
// delay). One exchange at a time; a reply is over by the arrival rule (exchange/arrival.h) and judged by
// the one judge (exchange/classify.h), as the client's transactor does, so the three read the bus alike.
//
// Asynchronous: a write, then timers and the port's readyRead until the reply is over; no nested event
// loop, so the window's loop never stalls. Between a reply's first byte and its end, arrivals are held
// (SerialPort::holdArrivals) as the cycle holds them, so a reply in many pieces wakes the loop a few times.

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <deque>
#include <map>
#include <optional>

#include "bus/roster.h"
#include "exchange/echo.h"
#include "exchange/transaction.h"

namespace kestrel {
class SerialPort;
}

namespace kestrel::bus {

class BusRounds : public QObject {
    Q_OBJECT
  public:
    struct Options {
        int settingsEvery = 10;          // settings are read every this many rounds (and on a reader's first)
        int timeoutMs = 300;             // no first byte this long after the write: no reply
        int retries = 1;                 // further attempts after one without an acceptable reply
        int gapMs = 5;                   // quiet time on the line before each request
        int silenceMs = 20;              // a reply of open length ends this long after its last byte
        int scanWaitMs = 500;            // the network poll collects answers this long
        int intervalMs = 0;              // least time from one round's start to the next; 0: the next at once
        int autoSearchMinutes = 0;       // a network poll every this many minutes; 0: only searchNow()
        EchoMode echo = EchoMode::Auto;  // how an echo of the request in front of the reply is told
    };

    BusRounds(SerialPort& port, Options options, QObject* parent = nullptr);
    ~BusRounds() override;

    BusRoster& roster() { return roster_; }
    const BusRoster& roster() const { return roster_; }

    // Starts the rounds with the next exchange (the port must be open); harmless when running.
    void start();
    // Lets the exchange in progress end (its reply read or timed out), then emits stopped(): the port is
    // then free. At once when no exchange is in progress. Harmless when stopped.
    void stop();
    // Ends at once, without waiting for the exchange in progress and without a signal: for a port closed
    // under the rounds (by whoever lent it), whose reply nobody will read.
    void abandon();
    // Running: started and not yet stopped (a stop waiting for its exchange counts as stopped).
    bool isRunning() const { return running_; }
    // An exchange written and not yet over.
    bool exchangeInProgress() const { return phase_ == Phase::Reply; }
    // A network poll between two exchanges; the addresses found are added to the roster (readerAdded).
    // While stopped, it runs at the next start.
    void searchNow();
    void setOptions(const Options& options);
    const Options& options() const { return options_; }
    // Rounds finished since the start.
    int round() const { return round_; }

  signals:
    // Every exchange (every attempt), as written and read; address 0xFF for the network poll.
    void exchanged(quint8 address, const kestrel::Transaction& t);
    void rowChanged(quint8 address);
    void readerAdded(quint8 address);
    // A round over: its number (from 0), its time from its first write to its last reply's end, and the
    // wire's floor for it: its request and reply bytes at 19200 baud, 10 bits a byte, plus the gaps. Waits
    // for replies that never came, and a search's collection time, are in the time and not in the floor.
    void roundFinished(int round, qint64 elapsedMs, qint64 floorMs);
    // The exchange in progress at a stop() is over; the port is free.
    void stopped();
    // The port failed or went away: the rounds have stopped (no stopped() follows).
    void portLost(const QString& reason);

  private:
    // Idle: nothing written (the timer may hold the next step or round); Gap: a step waits for the quiet
    // before its request; Reply: a request written, its reply being read.
    enum class Phase { Idle, Gap, Reply };
    enum class Ask { Identify, Live, BoundIds, ResetDelay, Scan };
    struct Step {
        quint8 address = 0;
        Ask ask = Ask::Live;
    };

    void next();
    void planRound();
    void planReader(quint8 address, bool front);
    void beginStep();
    void write();
    void onReadyRead();
    void onTimer();
    void collect();
    void finishExchange();
    void endRound();
    void dropWaiting();
    void hold(qint64 ms);
    void resume();
    void fail(const QString& reason);
    void onPortGone(const QString& reason);
    QByteArray requestOf(const Step& step) const;

    SerialPort& port_;
    Options options_;
    BusRoster roster_;
    bool running_ = false;
    bool stopping_ = false;
    bool searchAsked_ = false;
    Phase phase_ = Phase::Idle;
    std::deque<Step> queue_;  // what is left of the round
    std::optional<Step> current_;
    int attempt_ = 0;
    int round_ = 0;
    bool roundOpen_ = false;
    qint64 roundStartMs_ = -1;
    qint64 roundFloorMs_ = 0;
    qint64 lastActivityMs_ = -1;            // the last write or byte read, for the gap
    qint64 gapSinceMs_ = -1;                // when the step began to wait for the quiet gap
    std::map<quint8, int> settingsReadAt_;  // the round each reader's settings were asked last
    QByteArray request_;
    int fullReplyBytes_ = 0;
    QByteArray rx_;
    QDateTime writtenAt_;
    qint64 writtenMs_ = -1;
    qint64 firstByteMs_ = -1;
    qint64 lastByteMs_ = -1;
    bool held_ = false;
    // The reply's first bytes were held in the driver from the write on: when they came is not known, and the
    // exchange says no reply time rather than a wrong one.
    bool firstByteUnknown_ = false;
    QElapsedTimer clock_;
    QTimer timer_;       // the one wait: the gap, the reply's end or its held rest, the next round
    QTimer autoSearch_;  // asks for a search every autoSearchMinutes
};

}  // namespace kestrel::bus
