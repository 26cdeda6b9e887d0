#pragma once
// Serves a simulated bus on a pseudo-terminal, so the tool (or anything that opens a serial port by
// path) talks to it like to a USB adapter; or on a TCP address, as a serial device server in "TCP server"
// mode does (one connection at a time, the line fixed at 19200 8N1). The bus runs on a thread of its own;
// tests and the window change it while it runs through withBus(), under a lock.

#include <QString>
#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "sim/bus.h"

namespace kestrel::sim {

// One line of traffic, for the trace callback.
struct TraceEntry {
    qint64 ms = 0;         // since start()
    bool incoming = true;  // true: a request frame the bus took; false: bytes sent back
    QByteArray bytes;
};

// "    12.345 request 31 05 F0 FE" (bytes received) or "    12.346 reply   3E 05 ..." (bytes sent).
QString formatTrace(const TraceEntry& entry);

// What answers the line: the bus model or something else, a recorded session say. Bytes in, exchanges
// out, and the time that passed. Called on the host's thread, under its lock.
class Responder {
  public:
    virtual ~Responder() = default;
    virtual std::vector<Exchange> feed(const QByteArray& bytes) = 0;
    virtual void advance(qint64 ms) = 0;
};

class PtyHost {
  public:
    // 19200 baud, 8N1: ten bit times a byte.
    static constexpr std::chrono::microseconds kByteTime{521};

    explicit PtyHost(Bus bus = Bus::withDefaults());
    // Serves `responder` instead of a bus; withBus() and the fault calls then reach an unused empty bus.
    explicit PtyHost(std::unique_ptr<Responder> responder);
    ~PtyHost();  // stops
    PtyHost(const PtyHost&) = delete;
    PtyHost& operator=(const PtyHost&) = delete;

    // Opens a new pseudo-terminal and starts serving. False (with the reason in `error`) when the
    // pty cannot be made or the host already runs. After a hang-up or stop() it may start again, on
    // a new pty with a new path.
    bool start(QString* error = nullptr);
    // Listens on `host`:`port` (port 0: one the system picks) and serves the bus to one connection at a
    // time; a second one is closed at once. A hang-up fault drops the connection and the host listens on,
    // as a device server does when its line side resets. False, with the reason, when it cannot listen.
    bool startTcp(const QString& host, quint16 port, QString* error = nullptr);
    bool servesTcp() const { return listen_ >= 0; }
    // Stops serving and closes the pty; prompt (the thread is woken, not waited out). Idempotent.
    void stop();
    bool isRunning() const { return running_; }
    // True once a hang-up fault closed the line (the slave path is gone then).
    bool hungUp() const { return hungUp_; }

    // The slave side, e.g. "/dev/pts/7", or "tcp://127.0.0.1:40123" when serving TCP; empty while not
    // started.
    QString slavePath() const;

    // Replies go out at the line rate (about 0.52 ms a byte) unless pacing is off.
    void setPacing(bool on) { pacing_ = on; }
    bool pacing() const { return pacing_; }

    // What a real adapter does to the line, set before start():
    struct LineModel {
        bool echo = false;     // every byte received is sent back first, at the line rate (a two-wire
                               // adapter whose receiver stays on while it sends)
        int latencyMs = 0;     // bytes reach the port only at multiples of this period, in chunks (a USB
                               // chip's latency timer); 0: as they come off the line
        int turnaroundMs = 0;  // each answer starts this long after its request
    };
    void setLineModel(const LineModel& line) { line_ = line; }

    // Runs `f` with the bus under the host's lock, from any thread; returns what `f` returns.
    template <class F>
    auto withBus(F&& f) {
        std::lock_guard<std::mutex> lock(mutex_);
        return f(bus_);
    }
    // Bus::injectFault under the lock, with its arguments and their defaults.
    template <class... Args>
    void injectFault(Args&&... args) {
        withBus([&](Bus& b) { b.injectFault(std::forward<Args>(args)...); });
    }
    void clearFaults() {
        withBus([](Bus& b) { b.clearFaults(); });
    }

    // Counts over the host's life, for a caller that must know the line is quiet: every byte taken from the
    // line (counted once its answer is scheduled), every byte of reply sent, and the pieces still to send.
    qint64 bytesReceived() const { return bytesReceived_; }
    qint64 bytesSent() const { return bytesSent_; }
    bool replying() const { return outstanding_ > 0; }

    // Called on the host's thread for every piece of bytes received and of reply sent; set it
    // before start(). It must not call stop().
    void setTrace(std::function<void(const TraceEntry&)> trace) { trace_ = std::move(trace); }

  private:
    struct Pending {
        std::chrono::steady_clock::time_point due;
        QByteArray bytes;
        bool hangUp = false;
    };

    void run();
    void schedule(const Exchange& ex, std::chrono::steady_clock::time_point now, int turnaroundMs);
    // When bytes that leave the line at `t` reach the port: at the next latency period's end, if any.
    std::chrono::steady_clock::time_point delivered(std::chrono::steady_clock::time_point t) const;
    bool sendDue(std::chrono::steady_clock::time_point now);  // false after a hang-up
    void closeFds();
    bool mayStart(QString* error);
    bool startFailed(QString* error, const QString& why);
    bool startThread();
    // Takes a connection waiting on the listening socket (TCP): it becomes the line, or is closed at once
    // when one is served already.
    void acceptConnection();
    void dropConnection();
    qint64 writeLine(const QByteArray& bytes);
    void emitTrace(bool incoming, const QByteArray& bytes);

    Bus bus_;
    std::unique_ptr<Responder> responder_;  // what answers the line: bus_ or the one given
    mutable std::mutex mutex_;
    std::thread thread_;
    std::atomic<bool> running_{false};
    std::atomic<bool> hungUp_{false};
    std::atomic<qint64> bytesReceived_{0}, bytesSent_{0};
    std::atomic<int> outstanding_{0};
    std::atomic<bool> pacing_{true};
    int master_ = -1;  // the line: the pty's master side, or the served TCP connection
    int listen_ = -1;  // the listening TCP socket
    int slave_ = -1;   // kept open so the master never sees the line hang up by itself
    LineModel line_;
    int wake_[2] = {-1, -1};
    QString slavePath_;
    std::deque<Pending> out_;                         // host thread only
    std::chrono::steady_clock::time_point lineFree_;  // when the last queued byte has gone out
    std::chrono::steady_clock::time_point started_;
    std::function<void(const TraceEntry&)> trace_;
};

}  // namespace kestrel::sim
