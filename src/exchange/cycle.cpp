#include "exchange/cycle.h"

#include "device/commands.h"
#include "device/requests.h"
#include "exchange/classify.h"
#include "protocol/frame.h"
#include "protocol/trace.h"
#include "serial/serialport.h"

namespace kestrel {

ExchangeCycle::ExchangeCycle(ExchangeQueue& queue, Timing timing, QObject* parent)
    : QObject(parent), queue_(queue), timing_(timing) {
    timer_.setObjectName(QStringLiteral("TMRComm"));
    timer_.setInterval(timing_.periodMs);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &ExchangeCycle::tick);
    emptyWindow_.setSingleShot(true);
    emptyWindow_.setTimerType(Qt::PreciseTimer);
    connect(&emptyWindow_, &QTimer::timeout, this, [this] {
        if (inTick_ && !inFlight_) runTickBody(Transaction{});
    });
    // A port lost between ticks, with no request of the cycle's on the wire, stops the cycle all the same.
    connect(&queue_, &ExchangeQueue::portLost, this, [this](const QString& reason) {
        if (timer_.isActive()) failConnection(reason);
    });
}

void ExchangeCycle::replacePending(const QByteArray& frames) {
    pending_ = frames;
    sendWhilePaused();
}

void ExchangeCycle::appendPending(const QByteArray& frames) {
    pending_ += frames;
    sendWhilePaused();
}

void ExchangeCycle::startNetworkPoll() {
    replacePending(networkPollRequest());
    pollInProgress_ = true;
}

void ExchangeCycle::start(Start first) {
    paused_ = false;
    timer_.start();
    // Queued, so whoever starts the cycle sets the address and tab first; a stop before then cancels it.
    if (first == Start::Now)
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (timer_.isActive() && !inTick_) tick();
            },
            Qt::QueuedConnection);
}

void ExchangeCycle::stop() {
    timer_.stop();
    paused_ = false;
    sendQueued_ = false;
    inTick_ = false;
    emptyWindow_.stop();
    if (ExchangeReply* r = inFlight_) {
        inFlight_.clear();
        r->disconnect(this);
        queue_.cancel(r);
        r->deleteLater();
    }
}

void ExchangeCycle::setPaused(bool paused) {
    if (paused == paused_) return;
    paused_ = paused;
    if (!paused) {
        timer_.start();
        return;
    }
    timer_.stop();
    if (inTick_ && !inFlight_) {  // an empty read window: the tick ends without its write
        emptyWindow_.stop();
        inTick_ = false;
        emit tickFinished();
    }
    // The answer to the last tick's request has its read now, ahead of whatever the bus's holder sends.
    if (inFlight_) queue_.openRead(inFlight_);
    sendWhilePaused();
}

QByteArray ExchangeCycle::identifyRequest() const {
    return address_ ? device::identifyRequest(*address_) : QByteArray();
}

void ExchangeCycle::tick() {
    if (inTick_) return;  // ticks never overlap
    if (!timer_.isActive()) return;
    if (!queue_.port().isOpen()) return failConnection(writeFailure());
    inTick_ = true;
    // The previous tick's request is read now; the rest of the tick follows when its reply is over.
    if (inFlight_) return queue_.openRead(inFlight_);
    // Nothing was asked: the read window stays open to its end all the same, and a click meanwhile counts as
    // made before the tick.
    emptyWindow_.start(timing_.windowMs);
}

void ExchangeCycle::onReplyFinished(ExchangeReply* reply) {
    if (reply != inFlight_) return;
    inFlight_.clear();
    reply->deleteLater();
    if (reply->cancelled()) return;
    const bool wasTick = inTick_;
    // Anything but an ordinary reply ends a network poll, before the next request is judged by it.
    const QByteArray& read = reply->transaction().reply;
    if (!read.isEmpty() && !isFramedReply(read)) pollInProgress_ = false;
    if (!reply->portFailure().isEmpty()) {
        inTick_ = false;
        if (timer_.isActive() || paused_) failConnection(reply->portFailure());
        if (wasTick) emit tickFinished();
        return;
    }
    if (inTick_ && !paused_) return runTickBody(reply->transaction());
    // Sent while paused (or read when the pause began): reported as a tick reports its reply, without a
    // write.
    inTick_ = false;
    report(reply->transaction(), std::nullopt, view_);
    emit tickFinished();
    sendWhilePaused();
}

void ExchangeCycle::buildIdlePoll(quint8 address, int tab) {
    if (tab == TabTag) {
        pending_ = device::tagRequest(address, cmd::kAnyTag, cmd::kTagQuery);
    } else if (tab == TabReader) {
        pending_ = device::currentParamsRequest(address);
    } else if (tab == TabBridge) {
        pending_ = buildRequest(address, bridgeRs485Next_ ? cmd::kBridgeRs485 : cmd::kBridgeData);
        bridgeRs485Next_ = !bridgeRs485Next_;
    }
}

bool ExchangeCycle::send(bool readAtNextTick) {
    ExchangeRequest request;
    request.frames = pending_;
    request.kind = ExchangeRequest::Kind::AsRead;
    request.timeoutMs = timing_.windowMs;
    request.readWhenAsked = readAtNextTick;
    request.pollAnswerExpected = pollInProgress_;
    request.user = "cycle";
    pending_.clear();  // emptied after every write attempt
    ExchangeReply* reply = queue_.submit(request);
    if (reply->isFinished()) {
        // Refused at once: the port is gone. The reply read before is dropped.
        reply->deleteLater();
        failConnection(reply->portFailure().isEmpty() ? writeFailure() : reply->portFailure());
        return false;
    }
    inFlight_ = reply;
    connect(reply, &ExchangeReply::finished, this, [this, reply] { onReplyFinished(reply); });
    return true;
}

void ExchangeCycle::sendWhilePaused() {
    if (!paused_ || sendQueued_ || pending_.isEmpty()) return;
    // After the handler that set it is done: a request appended to it goes out in the same write.
    sendQueued_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            sendQueued_ = false;
            if (!paused_ || inFlight_ || pending_.isEmpty()) return;
            emit requestShown(requestBoxText(pending_));
            if (send(false)) emit written();
        },
        Qt::QueuedConnection);
}

void ExchangeCycle::runTickBody(const Transaction& previous) {
    const int tab = view_;

    // Address change: a newly selected device is identified first, replacing whatever was pending.
    const auto address = address_;
    if (address && *address != lastIdentified_) {
        pending_ = device::identifyRequest(*address);
        lastIdentified_ = *address;
    }

    // Idle poll of the open tab; the trace shows its check byte beside the reply.
    std::optional<quint8> pollCheck;
    if (address && pending_.isEmpty()) {
        buildIdlePoll(*address, tab);
        if (!pending_.isEmpty()) pollCheck = static_cast<quint8>(pending_.back());
    }
    emit requestShown(requestBoxText(pending_));

    if (!pending_.isEmpty() && !send(true)) return;
    emit written();
    report(previous, pollCheck, tab);
    inTick_ = false;
    emit tickFinished();
}

void ExchangeCycle::report(const Transaction& t, std::optional<quint8> pollCheck, int tab) {
    if (t.reply.isEmpty()) {
        if (!t.request.isEmpty()) emit transaction(t);
        emit silence(tab);
        return;
    }
    emit replyArrived();
    if (t.reply.size() < kMaxTracedReply) emit traceText(replyTraceText(t.reply, pollCheck));
    emit transaction(t);
    emit replyHandled();
}

void ExchangeCycle::failConnection(const QString& reason) {
    const bool wasTick = inTick_;
    stop();
    pending_.clear();
    emit connectionLost(reason);
    if (wasTick) emit tickFinished();
}

}  // namespace kestrel
