#include "exchange/transactor.h"

#include <QEventLoop>
#include <QTimer>
#include <algorithm>

#include "device/commands.h"
#include "exchange/arrival.h"
#include "exchange/classify.h"
#include "exchange/cycle.h"
#include "exchange/logging.h"
#include "protocol/frame.h"
#include "serial/serialport.h"

namespace kestrel {

namespace {
constexpr qint64 kReadPiece = 4096;

// The table entry of a request's command (its reply code and full reply length); none when unknown.
const cmd::CommandInfo* commandOf(const QByteArray& request) {
    return request.size() < 3 ? nullptr : cmd::commandInfo(static_cast<quint8>(request[2]));
}
}  // namespace

Transactor::Transactor(SerialPort& port, Timing timing, QObject* parent)
    : QObject(parent), port_(port), timing_(timing) {
    clock_.start();
    connect(&port_, &SerialPort::gone, this, [this](const QString& reason) {
        portLost_ = true;
        portLostReason_ = reason;
        if (loop_) loop_->quit();
    });
    connect(&port_, &SerialPort::readyRead, this, [this] {
        if (loop_) loop_->quit();  // the wait looks at what came and decides whether to go on
    });
}

void Transactor::interrupt() {
    interrupted_ = true;
    if (loop_) loop_->quit();
}

bool Transactor::pause(int ms) {
    QElapsedTimer t;
    t.start();
    while (!interrupted_ && !portLost_ && t.elapsed() < ms) {
        waitMs(int(ms - t.elapsed()));
        if (port_.isOpen() && port_.bytesAvailable() > 0) port_.read(port_.bytesAvailable());
    }
    return !interrupted_ && !portLost_;
}

// Runs the event loop for at most `ms`, or until a byte arrives, the port goes or an interrupt comes.
void Transactor::waitMs(int ms) {
    if (ms <= 0) return;
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(ms);
    loop_ = &loop;
    loop.exec();
    loop_ = nullptr;
}

// Moves what has arrived into the reply; true when something came.
bool Transactor::takeAvailable() {
    bool any = false;
    while (port_.isOpen() && port_.bytesAvailable() > 0) {
        const QByteArray piece = port_.read(kReadPiece);
        if (piece.isEmpty()) break;
        const qint64 now = clock_.elapsed();
        if (firstByteMs_ < 0) firstByteMs_ = now;
        lastByteMs_ = now;
        rx_ += piece;
        pieces_.emplace_back(rx_.size(), now);
        any = true;
    }
    if (any) lastActivityMs_ = lastByteMs_;
    return any;
}

Transaction Transactor::attempt(const QByteArray& request, int fullBytes, int waitMsTotal, bool wholeWait) {
    Transaction t;
    t.request = request;
    // The quiet time before the request; what arrives meanwhile (a late answer to an earlier request)
    // belongs to no request of ours and is dropped.
    while (!portLost_ && !interrupted_ && lastActivityMs_ >= 0 &&
           clock_.elapsed() - lastActivityMs_ < timing_.gapMs) {
        waitMs(int(timing_.gapMs - (clock_.elapsed() - lastActivityMs_)));
        rx_.clear();
        takeAvailable();
    }
    rx_.clear();
    if (port_.isOpen() && port_.bytesAvailable() > 0) port_.read(port_.bytesAvailable());
    firstByteMs_ = lastByteMs_ = -1;
    pieces_.clear();
    if (portLost_ || interrupted_ || !port_.isOpen()) {
        t.request.clear();
        return t;
    }
    if (port_.write(request) != request.size()) {
        portLost_ = true;
        if (portLostReason_.isEmpty()) portLostReason_ = writeFailure();
        t.request.clear();
        return t;
    }
    port_.flush();
    t.writtenAt = QDateTime::currentDateTimeUtc();
    t.writtenMs = clock_.elapsed();
    lastActivityMs_ = t.writtenMs;

    // The reply is complete at its command's full length; a frame still arriving may take until the timeout.
    // An echo of the request is neither the reply's end nor counted in its length.
    const ArrivalRule arrival{timing_.silenceMs, waitMsTotal, fullBytes, kMaxTracedReply, true,
                              request,           timing_.echo};
    for (;;) {
        takeAvailable();
        if (portLost_ || interrupted_) break;
        const qint64 now = clock_.elapsed();
        const qint64 until =
            wholeWait ? t.writtenMs + waitMsTotal : arrival.endsAt(rx_, t.writtenMs, lastByteMs_);
        if (now >= until) break;
        waitMs(int(until - now));
    }
    t.reply = rx_;
    removeEcho(t, timing_.echo);
    if (!t.reply.isEmpty()) {
        // The reply's first byte came with the first piece reaching past the echo.
        const qsizetype echo = rx_.size() - t.reply.size();
        const auto piece =
            std::find_if(pieces_.begin(), pieces_.end(),
                         [echo](const std::pair<qsizetype, qint64>& p) { return p.first > echo; });
        t.firstByteMs = piece != pieces_.end() ? piece->second : firstByteMs_;
        t.lastByteMs = lastByteMs_;
    }
    return t;
}

Transactor::Result Transactor::exchange(const QByteArray& request, const Expect& expect) {
    Result result;
    interrupted_ = false;
    const cmd::CommandInfo* command = commandOf(request);
    const int tries = std::max(0, timing_.retries) + 1;
    for (int i = 0; i < tries; ++i) {
        Transaction t = attempt(request, command ? command->fullReplyBytes : 0, timing_.timeoutMs, false);
        if (t.request.isEmpty()) {  // nothing written: the port is gone or the wait was interrupted
            qCDebug(lcExchange).noquote()
                << "client: nothing written," << (interrupted_ ? "interrupted" : "port lost");
            result.last = t;
            break;
        }
        ++result.attempts;
        // The client takes only its request's answer: the addressed device's reply to its command.
        classifyReply(request, t.reply, false, expect).recordIn(t, ClassifiedReply::Taken::AsAnswer);
        logTransaction("client", t);
        emit attempted(t);
        result.last = t;
        if (t.outcome == Outcome::Decoded || portLost_ || interrupted_) break;
        if (i + 1 < tries) qCDebug(lcExchange).noquote() << "client: retry" << i + 1 << "of" << tries - 1;
    }
    result.interrupted = interrupted_;
    return result;
}

Transactor::Result Transactor::scan() {
    Result result;
    interrupted_ = false;
    Transaction t = attempt(networkPollRequest(), 0, timing_.scanWaitMs, true);
    if (!t.request.isEmpty()) {
        result.attempts = 1;
        classifyReply(t.request, t.reply, true).recordIn(t, ClassifiedReply::Taken::AsRead);
        if (t.reply.isEmpty()) t.value = device::PollAnswer{};  // an empty bus is an answer too
        logTransaction("client scan", t);
        emit attempted(t);
    }
    result.last = t;
    result.interrupted = interrupted_;
    return result;
}

}  // namespace kestrel
