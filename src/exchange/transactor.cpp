#include "exchange/transactor.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include "exchange/logging.h"
#include "protocol/frame.h"
#include "serial/serialport.h"

namespace kestrel {

namespace {
ExchangeQueue::Line lineOf(const Transactor::Timing& timing) {
    ExchangeQueue::Line line;
    line.gapMs = timing.gapMs;
    line.silenceMs = timing.silenceMs;
    line.holdMs = 0;  // a reply ends at its last byte, as soon as it is read
    line.echo = timing.echo;
    return line;
}
}  // namespace

Transactor::Transactor(SerialPort& port, Timing timing, QObject* parent)
    : QObject(parent), timing_(timing), queue_(port, lineOf(timing), this) {
    connect(&queue_, &ExchangeQueue::exchanged, this, [this](const Transaction& t) { emit attempted(t); });
    connect(&queue_, &ExchangeQueue::portLost, this, [this](const QString& reason) {
        portLost_ = true;
        portLostReason_ = reason;
        if (loop_) loop_->quit();
    });
}

void Transactor::setTiming(const Timing& timing) {
    timing_ = timing;
    queue_.setLine(lineOf(timing));
}

void Transactor::interrupt() {
    interrupted_ = true;
    if (waitingFor_) queue_.endNow(waitingFor_);
    if (loop_) loop_->quit();
}

bool Transactor::pause(int ms) {
    QElapsedTimer t;
    t.start();
    while (!interrupted_ && !portLost_ && t.elapsed() < ms) waitMs(int(ms - t.elapsed()));
    return !interrupted_ && !portLost_;
}

// Runs the event loop for at most `ms`, or until the port goes or an interrupt comes.
void Transactor::waitMs(int ms) {
    if (ms <= 0) return;
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(ms);
    loop_ = &loop;
    loop.exec();
    loop_ = nullptr;
}

Transactor::Result Transactor::run(const ExchangeRequest& request) {
    Result result;
    interrupted_ = false;
    if (portLost_) return result;  // nothing is written to a port that went away
    ExchangeReply* reply = queue_.submit(request);
    waitingFor_ = reply;
    if (!reply->isFinished()) {
        QEventLoop loop;
        connect(reply, &ExchangeReply::finished, &loop, &QEventLoop::quit);
        loop_ = &loop;
        loop.exec();
        loop_ = nullptr;
    }
    // Interrupted before its end came (or the port went meanwhile): the queue ends it now, as it stands.
    if (!reply->isFinished()) queue_.endNow(reply);
    waitingFor_ = nullptr;
    result.last = reply->transaction();
    result.attempts = reply->attempts();
    result.interrupted = interrupted_;
    if (!reply->portFailure().isEmpty()) {
        portLost_ = true;
        if (portLostReason_.isEmpty()) portLostReason_ = reply->portFailure();
    }
    if (result.last.request.isEmpty())
        qCDebug(lcExchange).noquote()
            << "client: nothing written," << (interrupted_ ? "interrupted" : "port lost");
    reply->deleteLater();
    return result;
}

Transactor::Result Transactor::exchange(const QByteArray& request) {
    ExchangeRequest r;
    r.frames = request;
    r.kind = ExchangeRequest::Kind::Answer;
    r.timeoutMs = timing_.timeoutMs;
    r.retries = std::max(0, timing_.retries);
    r.user = "client";
    return run(r);
}

Transactor::Result Transactor::scan() {
    ExchangeRequest r;
    r.frames = networkPollRequest();
    r.kind = ExchangeRequest::Kind::Search;
    r.timeoutMs = timing_.scanWaitMs;
    r.user = "client scan";
    return run(r);
}

}  // namespace kestrel
