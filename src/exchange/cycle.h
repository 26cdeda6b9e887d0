#pragma once
// The exchange cycle: every 500 ms one read of the answer to the previous request and one write of the
// pending request (or, with nothing pending, the poll of the open tab). What it read is decoded by the
// device layer and reported as one Transaction; everything the window shows goes out as signals.
//
// The read never blocks the event loop: a tick opens a read window that takes the bytes already waiting
// and ends 20 ms after the last byte (or 256 ms after it opened when nothing comes), then does the rest of
// the tick in one go with what it read. A click during the window is handled as if it came before the tick.

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <optional>

#include "exchange/echo.h"
#include "exchange/transaction.h"
#include "protocol/translation.h"

namespace kestrel {

class SerialPort;

inline QString writeFailure() {
    return Texts::tr("Ошибка записи в порт");
}

enum Tab { TabReader = 0, TabTag = 1, TabBridge = 2 };

class ExchangeCycle : public QObject {
    Q_OBJECT
  public:
    struct Timing {
        int periodMs = 500;  // the cycle's period
        int windowMs = 256;  // longest read window
        int silenceMs = 20;  // the window ends this long after the last byte
        // Between ticks, arrivals are held this long after a reply's first byte, longer than the longest
        // reply takes at 19200 baud (50 bytes, 26 ms): its other pieces then wake the loop once, not each.
        int holdMs = 50;
    };

    explicit ExchangeCycle(SerialPort& port, QObject* parent = nullptr);
    ExchangeCycle(SerialPort& port, Timing timing, QObject* parent = nullptr);

    // The addressed device (nothing: none, and nothing is polled) and the polled view, as whoever drives
    // the cycle sets them; read at each tick.
    void setAddress(std::optional<quint8> address) { address_ = address; }
    void setView(Tab view) { view_ = view; }
    // How the echo of a request in front of its reply is told and taken off (echo.h); read at each tick.
    void setEchoMode(EchoMode mode) { echo_ = mode; }
    EchoMode echoMode() const { return echo_; }

    // The pending request: complete frame(s) for the next write. A command either replaces what is
    // pending (the earlier request is never sent) or appends to it (both go out in one write).
    const QByteArray& pending() const { return pending_; }
    void replacePending(const QByteArray& frames) { pending_ = frames; }
    void appendPending(const QByteArray& frames) { pending_ += frames; }
    void clearPending() { pending_.clear(); }

    // Replaces the pending request with the network poll; until the next reply, an unframed reply
    // shorter than 20 bytes is taken as the poll's answer.
    void startNetworkPoll();

    // The identification request for the addressed device, or empty.
    QByteArray identifyRequest() const;

    // The cycle on and off. stop() during a read window ends the tick without a write.
    // The first tick comes one period after the start, as when the engineer opens a port, or at once (a port
    // opened again after it was lost, where the engineer is waiting for the link).
    enum class Start { AfterAPeriod, Now };
    void start(Start first = Start::AfterAPeriod);
    void stop();
    bool isRunning() const { return timer_.isActive(); }
    bool tickInProgress() const { return inTick_; }
    // How long ago the request whose answer the next tick reads was written; nothing when there is none.
    // Whoever takes the port from a stopped cycle gives that answer the read window first.
    std::optional<qint64> sinceLastWriteMs() const {
        if (lastRequest_.isEmpty() || lastWrittenMs_ < 0) return std::nullopt;
        return clock_.elapsed() - lastWrittenMs_;
    }
    const Timing& timing() const { return timing_; }

  public slots:
    // One tick: opens the read window; the rest of the tick follows when it closes.
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
    bool inReadWindow() const { return inTick_ && windowOpenedMs_ >= 0; }
    void takeAvailable();
    void collect();
    void onReadyRead();
    void onWindowTimeout();
    void holdArrivals();
    void resumeArrivals();
    void finishTick();
    void runTickBody(const QByteArray& reply);
    void buildIdlePoll(quint8 address, int tab);
    void report(const QByteArray& reply);
    void failConnection();
    void onPortGone();

    SerialPort& port_;
    std::optional<quint8> address_ = 0;
    Tab view_ = TabReader;
    EchoMode echo_ = EchoMode::Auto;
    Timing timing_;
    QByteArray pending_;
    quint8 lastIdentified_ = 0;     // the address whose identification was last requested
    bool bridgeRs485Next_ = false;  // the bridge tab's polls alternate, slave data first
    bool pollInProgress_ = false;
    // The request written on the previous tick, which this tick's reply answers.
    QByteArray lastRequest_;
    QDateTime lastWrittenAt_;
    qint64 lastWrittenMs_ = -1;
    // When bytes waiting in the port first and last arrived (-1: none waiting).
    qint64 firstArrivalMs_ = -1;
    qint64 lastArrivalMs_ = -1;
    QElapsedTimer clock_;
    QTimer timer_;
    QTimer window_;
    qint64 windowOpenedMs_ = -1;  // when the tick's read window opened (-1: none open)
    QByteArray rx_;
    bool inTick_ = false;
    QTimer resume_;  // runs while arrivals are held, and ends the hold
};

}  // namespace kestrel
