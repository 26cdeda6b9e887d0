#include "exchange/exchangequeue.h"

#include <QLoggingCategory>
#include <algorithm>
#include <cmath>

#include "device/commands.h"
#include "exchange/arrival.h"
#include "exchange/logging.h"
#include "protocol/frame.h"
#include "protocol/trace.h"
#include "protocol/translation.h"
#include "serial/serialport.h"

namespace kestrel {

// Hex dumps of the traffic for developers: QT_LOGGING_RULES="kestrel.wire.debug=true".
Q_LOGGING_CATEGORY(lcWire, "kestrel.wire", QtWarningMsg)

namespace {
constexpr qint64 kReadPiece = 4096;
constexpr qsizetype kMostKept = 65536;  // an answer never needs more; a flood beyond it stays unread

// The table entry of a request's command (its reply code and full reply length); none when unknown.
const cmd::CommandInfo* commandOf(const QByteArray& request) {
    return request.size() < 3 ? nullptr : cmd::commandInfo(static_cast<quint8>(request[2]));
}
}  // namespace

QString writeFailure() {
    return Texts::tr("Ошибка записи в порт");
}

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

ExchangeReply::ExchangeReply(ExchangeRequest request, QObject* parent)
    : QObject(parent), request_(std::move(request)) {}

ExchangeQueue::ExchangeQueue(SerialPort& port, QObject* parent) : ExchangeQueue(port, Line{}, parent) {}

ExchangeQueue::ExchangeQueue(SerialPort& port, Line line, QObject* parent)
    : QObject(parent), port_(port), line_(line) {
    clock_.start();
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &ExchangeQueue::onTimer);
    connect(&port_, &SerialPort::readyRead, this, &ExchangeQueue::onReadyRead);
    // The reason is kept at once; the failure is handled queued, so that the port is never closed inside
    // its own error handling.
    connect(&port_, &SerialPort::gone, this, [this](const QString& reason) {
        goneReason_ = reason;
        goneUntold_ = true;
    });
    connect(&port_, &SerialPort::gone, this, &ExchangeQueue::onPortGone, Qt::QueuedConnection);
}

ExchangeQueue::~ExchangeQueue() {
    if (held_) port_.resumeArrivals();
}

ExchangeReply* ExchangeQueue::submit(ExchangeRequest request) {
    auto* reply = new ExchangeReply(std::move(request), this);
    queue_.emplace_back(reply);
    ++submitting_;
    if (current_.isNull()) startNext();
    --submitting_;
    return reply;
}

void ExchangeQueue::openRead(ExchangeReply* reply) {
    if (!reply || reply->finished_) return;
    reply->readAsked_ = true;
    if (reply == current_ && phase_ == Phase::Waiting) openReadNow();
}

void ExchangeQueue::noRetry(ExchangeReply* reply) {
    if (reply) reply->noRetry_ = true;
}

void ExchangeQueue::endNow(ExchangeReply* reply) {
    if (!reply || reply->finished_) return;
    reply->noRetry_ = true;
    if (reply == current_ && (phase_ == Phase::Waiting || phase_ == Phase::Reading)) return finishAttempt();
    // Not on the wire yet: it finishes with nothing written.
    if (reply == current_) {
        timer_.stop();
        phase_ = Phase::Idle;
        current_.clear();
    } else {
        queue_.erase(std::remove(queue_.begin(), queue_.end(), QPointer<ExchangeReply>(reply)), queue_.end());
    }
    finishReply(reply, false);
    if (current_.isNull()) startNext();
}

void ExchangeQueue::cancel(ExchangeReply* reply) {
    if (!reply || reply->finished_) return;
    if (reply == current_) {
        // Its answer may still come: the next request waits for the line until the cancelled one's timeout.
        if (phase_ == Phase::Waiting || phase_ == Phase::Reading)
            busyUntilMs_ = std::max(busyUntilMs_, attempt_.writtenMs + reply->request_.timeoutMs);
        timer_.stop();
        resume();
        phase_ = Phase::Idle;
        rx_.clear();
        pieces_.clear();
        current_.clear();
    } else {
        queue_.erase(std::remove(queue_.begin(), queue_.end(), QPointer<ExchangeReply>(reply)), queue_.end());
    }
    reply->cancelled_ = true;
    finishReply(reply, false);
    if (current_.isNull() && !queue_.empty()) startNext();
}

void ExchangeQueue::cancelAll() {
    std::vector<QPointer<ExchangeReply>> dropped{current_};
    dropped.insert(dropped.end(), queue_.begin(), queue_.end());
    queue_.clear();
    for (const QPointer<ExchangeReply>& r : dropped) cancel(r);
    busyUntilMs_ = -1;  // the port is being closed: nothing of it reaches the next open
}

void ExchangeQueue::startNext() {
    while (current_.isNull() && !queue_.empty()) {
        current_ = queue_.front();
        queue_.pop_front();
    }
    if (current_.isNull()) return;
    if (current_->request_.frames.isEmpty()) {  // nothing to write: no exchange
        ExchangeReply* r = current_;
        current_.clear();
        finishReply(r, submitting_ > 0);
        return startNext();
    }
    phase_ = Phase::Idle;
    beginAttempt();
}

void ExchangeQueue::beginAttempt() {
    // The quiet time before the request; what arrives meanwhile belongs to no request and is dropped. A line
    // that never falls quiet (a flooding device) is written to all the same once the request's timeout has
    // gone by (the window's requests wait at most the silence that ends a read), so the rows show what the
    // noise does instead of standing still.
    dropWaiting();
    const qint64 now = clock_.elapsed();
    if (phase_ != Phase::Gap) gapSinceMs_ = now;
    const ExchangeRequest& r = current_->request_;
    const int bound = r.kind == ExchangeRequest::Kind::AsRead ? line_.silenceMs : r.timeoutMs;
    const qint64 quietUntil = lastActivityMs_ < 0 ? 0 : lastActivityMs_ + line_.gapMs;
    if (now < busyUntilMs_ || (now < quietUntil && now - gapSinceMs_ < bound)) {
        phase_ = Phase::Gap;
        const qint64 wait = std::max(busyUntilMs_, std::min(quietUntil, gapSinceMs_ + bound)) - now;
        timerDueMs_ = now + wait;
        timer_.start(int(wait));
        return;
    }
    write();
}

qint64 ExchangeQueue::replyStartMs() const {
    const qsizetype echo = echoLength(attempt_.request, rx_, line_.echo);
    const auto piece = std::find_if(pieces_.begin(), pieces_.end(),
                                    [echo](const std::pair<qsizetype, qint64>& p) { return p.first > echo; });
    return piece != pieces_.end() ? piece->second : lastByteMs_;
}

bool ExchangeQueue::replyBegun() const {
    return !rx_.isEmpty() && !echoIncomplete(attempt_.request, rx_, line_.echo) &&
           rx_.size() > echoLength(attempt_.request, rx_, line_.echo);
}

int ExchangeQueue::readCap() const {
    return current_ && current_->request_.kind == ExchangeRequest::Kind::AsRead ? kMaxReadBytes : kMostKept;
}

void ExchangeQueue::write() {
    const QPointer<ExchangeReply> reply = current_;
    const ExchangeRequest& r = reply->request_;
    rx_.clear();
    pieces_.clear();
    lastByteMs_ = -1;
    lastLookTaken_ = false;
    heldOnce_ = false;
    attempt_ = Transaction{};
    const cmd::CommandInfo* command = commandOf(r.frames);
    fullReplyBytes_ = r.kind == ExchangeRequest::Kind::Answer && command ? command->fullReplyBytes : 0;
    if (!port_.isOpen()) return fail(goneReason_.isEmpty() ? writeFailure() : goneReason_);
    // On the wire from here: whatever a slot the write reaches does (an echo may come back inside the write),
    // the reply is read as any other.
    phase_ = Phase::Waiting;
    attempt_.request = r.frames;
    qCDebug(lcWire).noquote() << "write" << hexDump(r.frames, QLatin1Char(' '));
    const qint64 sent = port_.write(r.frames);
    if (sent != r.frames.size() || !port_.isOpen()) {
        attempt_.request.clear();  // nothing, or not all of it, went out
        return fail(!port_.isOpen() && !goneReason_.isEmpty() ? goneReason_ : writeFailure());
    }
    if (reply != current_) return;  // dropped (cancelAll) from a slot the write reached
    port_.flush();
    goneReason_.clear();
    attempt_.writtenAt = QDateTime::currentDateTimeUtc();
    attempt_.writtenMs = clock_.elapsed();
    lastActivityMs_ = attempt_.writtenMs;
    ++current_->attempts_;
    if (submitting_ > 0) {
        // Inside submit() the asker has not connected yet: it hears of the write once submit() has returned.
        QMetaObject::invokeMethod(
            reply, [reply] { emit reply->written(); }, Qt::QueuedConnection);
    } else {
        emit reply->written();
    }
    if (!reply || reply != current_ || phase_ != Phase::Waiting) return;
    if (!r.readWhenAsked || reply->readAsked_) openReadNow();
}

void ExchangeQueue::openReadNow() {
    phase_ = Phase::Reading;
    readOpenMs_ = clock_.elapsed();
    if (held_) {
        // A reply began before the read opened; what of it waits in the driver may still be arriving, and
        // counts as arriving now, the latest it can have come.
        resume();
        if (!rx_.isEmpty()) lastByteMs_ = readOpenMs_;
    }
    collect();
}

void ExchangeQueue::onReadyRead() {
    switch (phase_) {
        case Phase::Reading:
            return collect();
        case Phase::Waiting: {
            // Between the write and the read only a reply's first byte needs its time: once the reply (past
            // the echo) has begun, its other pieces wait in the driver and the read takes them whole.
            const bool begun = replyBegun();
            takeArrivals();
            if (line_.holdMs > 0 && !begun && replyBegun()) {
                heldOnce_ = true;
                hold(line_.holdMs);
            }
            return;
        }
        case Phase::Gap:
            return dropWaiting();
        case Phase::Idle:
            return;  // no request of this queue's: what came waits, and is dropped before the next write
    }
}

void ExchangeQueue::takeArrivals() {
    const qsizetype cap = readCap();
    bool any = false;
    while (port_.isOpen() && port_.bytesAvailable() > 0 && rx_.size() < cap) {
        const QByteArray piece = port_.read(std::min<qint64>(kReadPiece, cap - rx_.size()));
        if (piece.isEmpty()) break;
        const qint64 now = clock_.elapsed();
        lastByteMs_ = now;
        rx_ += piece;
        pieces_.emplace_back(rx_.size(), now);
        any = true;
    }
    if (any) lastLookTaken_ = false;
}

void ExchangeQueue::collect() {
    const qsizetype before = rx_.size();
    takeArrivals();
    if (!port_.isOpen()) return fail(goneReason_.isEmpty() ? writeFailure() : goneReason_);
    if (held_) return;  // the hold's end looks again
    const ExchangeRequest& r = current_->request_;
    const qint64 now = clock_.elapsed();
    qint64 until = readOpenMs_ + r.timeoutMs;
    if (r.kind != ExchangeRequest::Kind::Search) {
        // Complete at the command's full length or at the longest read; of open length, with the silence; a
        // frame still arriving may take until the timeout. An echo of the request is neither the reply's end
        // nor counted in its length.
        const bool answer = r.kind == ExchangeRequest::Kind::Answer;
        const ArrivalRule arrival{
            line_.silenceMs, r.timeoutMs,      fullReplyBytes_, answer ? kMaxTracedReply : kMaxReadBytes,
            answer,          attempt_.request, line_.echo};
        until = arrival.endsAt(rx_, readOpenMs_, lastByteMs_ < 0 ? now : lastByteMs_);
        // The window's read ends at its limit however the line babbles.
        if (!answer) until = std::min(until, readOpenMs_ + r.timeoutMs);
    }
    if (now >= until) return finishAttempt();
    // The rest of a reply of known length cannot come sooner than the wire carries it: its pieces wait in the
    // driver meanwhile and wake the loop once. Behind an echo only the reply's own bytes are counted.
    const qsizetype echo = echoLength(attempt_.request, rx_, line_.echo);
    const qsizetype replyBytes = rx_.size() - echo;
    // Once an attempt: what is still missing after the hold (a device a little slower than the wire) is taken
    // as it comes, not waited for again.
    if (line_.holdMs > 0 && !heldOnce_ && fullReplyBytes_ > 0 && rx_.size() > before && replyBytes > 0 &&
        replyBytes < fullReplyBytes_ && !echoIncomplete(attempt_.request, rx_, line_.echo)) {
        heldOnce_ = true;
        const qint64 rest = qint64(std::ceil(double(fullReplyBytes_ - replyBytes) * kMsPerByte));
        return hold(std::min(rest, until - now));
    }
    timerDueMs_ = until;
    timer_.start(int(until - now));
}

void ExchangeQueue::onTimer() {
    switch (phase_) {
        case Phase::Idle:
            return;
        case Phase::Gap:
            dropWaiting();
            return beginAttempt();
        case Phase::Waiting:
            return resume();  // the hold's end: the held pieces are reported and stamped as they come
        case Phase::Reading:
            break;
    }
    if (held_) {
        // Bytes held in the driver count as arriving now, the latest they can have come; they are reported
        // at once, and the reply's end is looked at again then.
        resume();
        if (!rx_.isEmpty()) lastByteMs_ = clock_.elapsed();
        return collect();
    }
    // A timer that fires late found the tool busy, not the line silent: what reached the port meanwhile may
    // not have been reported yet. The loop delivers it once before the read is judged over.
    if (!lastLookTaken_ && clock_.elapsed() - timerDueMs_ > kLateMs) {
        lastLookTaken_ = true;
        timerDueMs_ = clock_.elapsed();
        timer_.start(0);
        return;
    }
    collect();
}

void ExchangeQueue::finishAttempt() {
    timer_.stop();
    resume();
    const QPointer<ExchangeReply> reply = current_;
    const ExchangeRequest& r = reply->request_;
    Transaction t = attempt_;
    t.reply = rx_;
    if (!rx_.isEmpty()) qCDebug(lcWire).noquote() << "read " << hexDump(rx_, QLatin1Char(' '));
    // The echo of the request is taken off before anything looks at the reply; an echo alone is no reply.
    removeEcho(t, line_.echo);
    if (!t.reply.isEmpty()) {
        t.firstByteMs = replyStartMs();  // the first piece reaching past the echo
        t.lastByteMs = lastByteMs_;
    }
    if (!rx_.isEmpty()) lastActivityMs_ = lastByteMs_;
    rx_.clear();
    pieces_.clear();
    switch (r.kind) {
        case ExchangeRequest::Kind::Answer:
            classifyReply(t.request, t.reply, false).recordIn(t, ClassifiedReply::Taken::AsAnswer);
            break;
        case ExchangeRequest::Kind::AsRead:
            classifyReply(t.request, t.reply, r.pollAnswerExpected)
                .recordIn(t, ClassifiedReply::Taken::AsRead);
            break;
        case ExchangeRequest::Kind::Search:
            classifyReply(t.request, t.reply, true).recordIn(t, ClassifiedReply::Taken::AsRead);
            if (t.reply.isEmpty()) t.value = device::PollAnswer{};  // an empty bus is an answer too
            break;
    }
    logTransaction(r.user, t);
    phase_ = Phase::Idle;
    reply->last_ = t;
    if (submitting_ > 0) {
        // Over inside submit() (a flood read whole while the request went out): told once the asker can hear.
        QMetaObject::invokeMethod(
            this, [this, reply, t] { announce(reply, t); }, Qt::QueuedConnection);
        return;
    }
    announce(reply, t);
}

void ExchangeQueue::announce(const QPointer<ExchangeReply>& reply, const Transaction& t) {
    if (!reply || reply != current_) return;
    const ExchangeRequest& r = reply->request_;
    const char* user = r.user;
    // Whoever asked sees the attempt, then the feed has it: the row and the statistics are in place when the
    // answer is shown (finished()).
    const QPointer<ExchangeQueue> alive(this);
    emit reply->attempted(t);
    if (!alive) return;
    emit exchanged(t, user);
    if (!alive || !reply || reply != current_) return;
    // Asked to stop retrying meanwhile (a listener stopping), it is not retried.
    if (reply->retryFollows(t)) {
        qCDebug(lcExchange).noquote() << user << ": another attempt after" << reply->attempts_;
        if (phase_ == Phase::Idle) beginAttempt();
        return;
    }
    current_.clear();
    finishReply(reply, false);
    if (alive && current_.isNull()) startNext();
}

bool ExchangeReply::retryFollows(const Transaction& t) const {
    return request_.kind == ExchangeRequest::Kind::Answer && t.outcome != Outcome::Decoded && !noRetry_ &&
           attempts_ <= request_.retries;
}

void ExchangeQueue::finishReply(ExchangeReply* reply, bool deferred) {
    reply->finished_ = true;
    if (!deferred) {
        emit reply->finished();
        return;
    }
    // Inside submit() the asker has not connected yet: it hears the end once submit() has returned.
    QMetaObject::invokeMethod(
        reply, [reply] { emit reply->finished(); }, Qt::QueuedConnection);
}

void ExchangeQueue::dropWaiting() {
    if (!port_.isOpen() || port_.bytesAvailable() <= 0) return;
    const QByteArray dropped = port_.read(port_.bytesAvailable());
    lastActivityMs_ = clock_.elapsed();
    qCDebug(lcExchange).noquote() << "dropped" << dropped.size() << "bytes that answer no request";
}

void ExchangeQueue::hold(qint64 ms) {
    port_.holdArrivals();
    held_ = true;
    const qint64 wait = std::max<qint64>(1, ms);
    timerDueMs_ = clock_.elapsed() + wait;
    timer_.start(int(wait));
}

void ExchangeQueue::resume() {
    if (!held_) return;
    held_ = false;
    port_.resumeArrivals();
}

void ExchangeQueue::fail(const QString& reason) {
    const bool onWire = phase_ == Phase::Waiting || phase_ == Phase::Reading;
    timer_.stop();
    resume();
    phase_ = Phase::Idle;
    std::vector<QPointer<ExchangeReply>> failed{current_};
    failed.insert(failed.end(), queue_.begin(), queue_.end());
    const Transaction unfinished = attempt_;
    const QPointer<ExchangeReply> written = onWire ? current_ : nullptr;
    current_.clear();
    queue_.clear();
    rx_.clear();
    pieces_.clear();
    const bool deferred = submitting_ > 0;
    const QPointer<ExchangeQueue> alive(this);
    for (const QPointer<ExchangeReply>& r : failed) {
        if (!r || r->finished_) continue;
        r->portFailure_ = reason;
        if (r == written) r->last_ = unfinished;
        finishReply(r, deferred);
        if (!alive) return;
    }
    // One loss is told once: a port that went away is noticed by a read or a write here, and by its own
    // signal.
    const bool gone = !port_.isOpen() && !goneReason_.isEmpty();
    if (gone && !std::exchange(goneUntold_, false)) return;
    if (deferred)
        QMetaObject::invokeMethod(
            this, [this, reason] { emit portLost(reason); }, Qt::QueuedConnection);
    else
        emit portLost(reason);
}

void ExchangeQueue::onPortGone(const QString& reason) {
    if (port_.isOpen() || !goneUntold_) return;  // opened again since, or told already
    fail(reason);
}

}  // namespace kestrel
