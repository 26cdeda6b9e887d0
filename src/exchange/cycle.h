#pragma once
// The main window's exchange cycle: a scheduler on the exchange queue. Every 500 ms one tick reads the answer
// to the previous tick's request and writes the pending request (or, with nothing pending, the poll of the
// open tab); what it read comes back judged by the queue and is reported as one Transaction, and everything
// the window shows goes out as signals.
//
// A tick's request is read at the next tick: the queue keeps its reply's bytes with their times until then,
// and the tick opens the read, which ends 20 ms after the last byte (or 256 ms after it opened when nothing
// comes), letting the event loop run. A click during the read counts as made before the tick.
//
// While another scheduler holds the bus (polling paused), the cycle does not tick, and a pending request goes
// out at once, between two of the other's exchanges; its reply is reported as a tick's reply would be.

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <optional>

#include "exchange/exchangequeue.h"
#include "exchange/tab.h"
#include "exchange/transaction.h"

namespace kestrel {

class ExchangeCycle : public QObject {
    Q_OBJECT
  public:
    struct Timing {
        int periodMs = 500;  // the cycle's period
        int windowMs = 256;  // longest read window
        int silenceMs = 20;  // the window ends this long after the last byte (the queue's line)
        // Between ticks, arrivals are held this long after a reply's first byte (the queue's line).
        int holdMs = 50;
    };

    ExchangeCycle(ExchangeQueue& queue, Timing timing, QObject* parent = nullptr);

    // The addressed device (nothing: none, and nothing is polled) and the polled view, as whoever drives
    // the cycle sets them; read at each tick.
    void setAddress(std::optional<quint8> address) { address_ = address; }
    void setView(Tab view) { view_ = view; }

    // The pending request: complete frame(s) for the next write. A command either replaces what is
    // pending (the earlier request is never sent) or appends to it (both go out in one write).
    const QByteArray& pending() const { return pending_; }
    void replacePending(const QByteArray& frames);
    void appendPending(const QByteArray& frames);
    void clearPending() { pending_.clear(); }

    // Replaces the pending request with the network poll; until the next reply, an unframed reply
    // shorter than 20 bytes is taken as the poll's answer.
    void startNetworkPoll();

    // The identification request for the addressed device, or empty.
    QByteArray identifyRequest() const;

    // The cycle on and off. stop() during a read window ends the tick without a write, and drops the request
    // whose answer is awaited.
    // The first tick comes one period after the start, as when the engineer opens a port, or at once (a port
    // opened again after it was lost, where the engineer is waiting for the link).
    enum class Start { AfterAPeriod, Now };
    void start(Start first = Start::AfterAPeriod);
    void stop();
    // Paused: no tick, the answer awaited is read now, and a pending request goes out at once (another
    // scheduler holds the bus). Resumed, the first tick comes a period later.
    void setPaused(bool paused);
    bool isRunning() const { return timer_.isActive(); }
    bool paused() const { return paused_; }
    // A tick in progress, or a request sent while paused whose reply is not in yet.
    bool tickInProgress() const { return inTick_ || (paused_ && inFlight_); }
    const Timing& timing() const { return timing_; }

  public slots:
    // One tick: opens the read; the rest of the tick follows when the reply is over.
    void tick();

  signals:
    // The request box: the hex form of what this tick writes (empty when nothing).
    void requestShown(const QString& text);
    // The trace box: a received reply with its check, as the trace shows it.
    void traceText(const QString& text);
    // The tick's write went out (the lamp blinks).
    void written();
    // The tick read a reply: a no-reply message may end. Comes before the reply's transaction.
    void replyArrived();
    // The tick read nothing; the open tab is given.
    void silence(int tab);
    // The tick has handled its reply (the lamp turns red).
    void replyHandled();
    // One per tick that wrote something before or read something now: the previous tick's request and
    // this tick's reply.
    void transaction(const kestrel::Transaction& t);
    // The port failed or went away; the cycle has stopped and dropped what was pending.
    void connectionLost(const QString& reason);
    void tickFinished();

  private:
    void onReplyFinished(ExchangeReply* reply);
    void runTickBody(const Transaction& previous);
    void buildIdlePoll(quint8 address, int tab);
    bool send(bool readAtNextTick);
    void sendWhilePaused();
    void report(const Transaction& t, std::optional<quint8> pollCheck, int tab);
    void failConnection(const QString& reason);

    ExchangeQueue& queue_;
    std::optional<quint8> address_ = 0;
    Tab view_ = TabReader;
    Timing timing_;
    QByteArray pending_;
    quint8 lastIdentified_ = 0;     // the address whose identification was last requested
    bool bridgeRs485Next_ = false;  // the bridge tab's polls alternate, slave data first
    bool pollInProgress_ = false;
    QPointer<ExchangeReply> inFlight_;  // the request whose answer the next tick reads
    QTimer timer_;
    QTimer emptyWindow_;  // a tick's read window with no request awaiting its answer
    bool inTick_ = false;
    bool paused_ = false;
    bool sendQueued_ = false;  // a pending request goes out while paused once the handler that set it is done
};

}  // namespace kestrel
