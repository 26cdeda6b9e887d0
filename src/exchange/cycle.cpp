#include "exchange/cycle.h"

#include <QLoggingCategory>
#include <algorithm>

#include "device/commands.h"
#include "device/requests.h"
#include "exchange/arrival.h"
#include "exchange/classify.h"
#include "exchange/logging.h"
#include "protocol/frame.h"
#include "protocol/trace.h"
#include "serial/serialport.h"

namespace kestrel {

// Hex dumps of the traffic for developers: QT_LOGGING_RULES="kestrel.wire.debug=true".
Q_LOGGING_CATEGORY(lcWire, "kestrel.wire", QtWarningMsg)

namespace {
constexpr int kMaxReadBytes = 255;  // one read takes at most 255 bytes; the rest waits for the next tick
}  // namespace

QString outcomeKey(Outcome outcome) {
    switch (outcome) {
        case Outcome::Decoded:
            return QStringLiteral("decoded");
        case Outcome::NoReply:
            return QStringLiteral("no-reply");
        case Outcome::WrongCheckByte:
            return QStringLiteral("bad-crc");
        case Outcome::Unframed:
            return QStringLiteral("unframed");
        case Outcome::OtherAddress:
            return QStringLiteral("other-address");
        case Outcome::TooLong:
            return QStringLiteral("too-long");
        case Outcome::UnknownCode:
            return QStringLiteral("unknown-code");
        case Outcome::OtherCode:
            return QStringLiteral("other-code");
    }
    return {};
}

ExchangeCycle::ExchangeCycle(SerialPort& port, QObject* parent) : ExchangeCycle(port, Timing{}, parent) {}

ExchangeCycle::ExchangeCycle(SerialPort& port, Timing timing, QObject* parent)
    : QObject(parent), port_(port), timing_(timing) {
    clock_.start();
    timer_.setObjectName(QStringLiteral("TMRComm"));
    timer_.setInterval(timing_.periodMs);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &ExchangeCycle::tick);
    window_.setSingleShot(true);
    window_.setTimerType(Qt::PreciseTimer);
    connect(&window_, &QTimer::timeout, this, &ExchangeCycle::onWindowTimeout);
    resume_.setSingleShot(true);
    connect(&resume_, &QTimer::timeout, this, &ExchangeCycle::resumeArrivals);
    connect(&port_, &SerialPort::readyRead, this, &ExchangeCycle::onReadyRead);
    // Queued, so that the port is never closed inside its own error handling.
    connect(&port_, &SerialPort::gone, this, &ExchangeCycle::onPortGone, Qt::QueuedConnection);
}

void ExchangeCycle::startNetworkPoll() {
    pending_ = networkPollRequest();
    pollInProgress_ = true;
}

void ExchangeCycle::start(Start first) {
    resumeArrivals();
    lastRequest_.clear();
    firstArrivalMs_ = lastArrivalMs_ = -1;
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
    resumeArrivals();
    if (inReadWindow()) {
        window_.stop();
        windowOpenedMs_ = -1;
        rx_.clear();
        inTick_ = false;
    }
}

QByteArray ExchangeCycle::identifyRequest() const {
    return address_ ? device::identifyRequest(*address_) : QByteArray();
}

void ExchangeCycle::tick() {
    if (inTick_) return;  // ticks never overlap
    // A stopped cycle takes no bytes: the port may be lent to another reader of the bus.
    if (!timer_.isActive()) return;
    if (!port_.isOpen()) {
        failConnection();
        return;
    }
    inTick_ = true;
    rx_.clear();
    windowOpenedMs_ = clock_.elapsed();
    if (resume_.isActive()) {
        // A reply began just before the tick; what of it waits in the driver may still be arriving.
        resumeArrivals();
        lastArrivalMs_ = clock_.elapsed();
    }
    collect();
}

void ExchangeCycle::takeAvailable() {
    const qint64 room = kMaxReadBytes - rx_.size();
    const qint64 n = std::min(port_.bytesAvailable(), room);
    if (n > 0) rx_.append(port_.read(n));
}

void ExchangeCycle::collect() {
    const qsizetype before = rx_.size();
    takeAvailable();
    if (rx_.size() == before && window_.isActive()) return;  // nothing new: the window's end stands
    // The window ends `silenceMs` after the last byte, or when it is full: at once for a reply that was
    // complete long before the tick, the usual case, so the tick costs the loop one wake-up instead of two.
    // Several frames may be pending in one write, so no one command's length ends it; and a frame with a
    // wrong check byte ends with the silence too.
    // An echo of the request written last is no part of the reply: an echo alone waits as nothing would.
    const ArrivalRule arrival{
        timing_.silenceMs, timing_.windowMs, 0, kMaxReadBytes, false, lastRequest_, echo_};
    const qint64 now = clock_.elapsed();
    const qint64 lastByte = lastArrivalMs_ < 0 ? now : lastArrivalMs_;
    const qint64 endsAt =
        std::min(arrival.endsAt(rx_, windowOpenedMs_, lastByte), windowOpenedMs_ + timing_.windowMs);
    if (endsAt <= now) {
        finishTick();
        return;
    }
    window_.start(static_cast<int>(endsAt - now));
}

void ExchangeCycle::onReadyRead() {
    // Arrival is stamped when the bytes reach the port, whether or not a tick is reading. Bytes reported
    // at the end of a hold count as arriving then, the latest they can have come.
    const qint64 now = clock_.elapsed();
    const bool first = firstArrivalMs_ < 0;
    if (first) firstArrivalMs_ = now;
    lastArrivalMs_ = now;
    if (inReadWindow()) {
        collect();
    } else if (first && timer_.isActive()) {
        // Between ticks only a reply's first byte needs its time; the tick reads the rest.
        holdArrivals();
    }
}

void ExchangeCycle::holdArrivals() {
    port_.holdArrivals();
    resume_.start(timing_.holdMs);
}

void ExchangeCycle::resumeArrivals() {
    // Resuming what is not held is harmless, so a stop or start needs not know whether a hold is on.
    resume_.stop();
    port_.resumeArrivals();
}

void ExchangeCycle::onWindowTimeout() {
    if (inTick_) finishTick();
}

void ExchangeCycle::finishTick() {
    window_.stop();
    windowOpenedMs_ = -1;
    if (!port_.isOpen()) {
        rx_.clear();
        inTick_ = false;
        failConnection();
        emit tickFinished();
        return;
    }
    const QByteArray reply = rx_;
    rx_.clear();
    runTickBody(reply);
    inTick_ = false;
    emit tickFinished();
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

void ExchangeCycle::runTickBody(const QByteArray& read) {
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

    if (!read.isEmpty()) qCDebug(lcWire).noquote() << "read " << hexDump(read, QLatin1Char(' '));
    if (!pending_.isEmpty()) qCDebug(lcWire).noquote() << "write" << hexDump(pending_, QLatin1Char(' '));
    const QByteArray previous = lastRequest_;
    const QDateTime previousAt = lastWrittenAt_;
    const qint64 previousMs = lastWrittenMs_;
    const qint64 sent = port_.write(pending_);
    if (sent != pending_.size() || !port_.isOpen()) {
        failConnection();
        return;
    }
    lastRequest_ = pending_;
    lastWrittenAt_ = pending_.isEmpty() ? QDateTime() : QDateTime::currentDateTimeUtc();
    lastWrittenMs_ = pending_.isEmpty() ? -1 : clock_.elapsed();
    pending_.clear();
    emit written();

    Transaction t;
    t.request = previous;
    t.writtenAt = previousAt;
    t.writtenMs = previousMs;
    t.reply = read;
    // The echo of the request is taken off before anything looks at the reply; an echo alone is no reply.
    // The reply's time stays that of the first byte read: the tick does not see where the echo ended.
    removeEcho(t, echo_);
    const QByteArray& reply = t.reply;
    if (!reply.isEmpty()) {
        t.firstByteMs = firstArrivalMs_;
        t.lastByteMs = lastArrivalMs_;
    }
    // Bytes still waiting (a read takes at most 255) count as arriving now.
    firstArrivalMs_ = lastArrivalMs_ = port_.bytesAvailable() > 0 ? clock_.elapsed() : -1;

    if (reply.isEmpty()) {
        if (!t.request.isEmpty()) {
            logTransaction("cycle", t);
            emit transaction(t);
        }
        emit silence(tab);
        return;
    }

    emit replyArrived();
    if (reply.size() < kMaxTracedReply) emit traceText(replyTraceText(reply, pollCheck));
    // The window shows every reply by position whatever its code: another command's reply as that command's.
    classifyReply(previous, reply, pollInProgress_).recordIn(t, ClassifiedReply::Taken::AsRead);
    if (!isFramedReply(reply)) pollInProgress_ = false;
    logTransaction("cycle", t);
    emit transaction(t);
    emit replyHandled();
    port_.flush();
}

void ExchangeCycle::failConnection() {
    timer_.stop();
    resumeArrivals();
    window_.stop();
    pending_.clear();
    emit connectionLost(writeFailure());
}

void ExchangeCycle::onPortGone() {
    if (inTick_) {
        if (inReadWindow()) finishTick();  // the port is closed: finishTick takes the failure path
        return;
    }
    if (timer_.isActive()) failConnection();
}

}  // namespace kestrel
