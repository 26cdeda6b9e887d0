#include "bus/rounds.h"

#include <QPointer>
#include <algorithm>
#include <cmath>

#include "device/commands.h"
#include "device/requests.h"
#include "exchange/arrival.h"
#include "exchange/classify.h"
#include "exchange/cycle.h"
#include "exchange/logging.h"
#include "protocol/frame.h"
#include "serial/serialport.h"

namespace kestrel::bus {

namespace {
constexpr qint64 kReadPiece = 4096;
constexpr int kEmptyRosterWaitMs = 1000;  // with no reader to ask, the roster is looked at again this often
constexpr double kMsPerByte = 10.0 * 1000.0 / 19200.0;  // one byte at 19200 baud, 10 bits a byte
}  // namespace

BusRounds::BusRounds(SerialPort& port, Options options, QObject* parent)
    : QObject(parent), port_(port), options_(options) {
    clock_.start();
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &BusRounds::onTimer);
    connect(&autoSearch_, &QTimer::timeout, this, &BusRounds::searchNow);
    connect(&port_, &SerialPort::readyRead, this, &BusRounds::onReadyRead);
    // Queued, so that the port is never closed inside its own error handling.
    connect(&port_, &SerialPort::gone, this, &BusRounds::onPortGone, Qt::QueuedConnection);
}

BusRounds::~BusRounds() {
    if (held_) port_.resumeArrivals();
}

void BusRounds::setOptions(const Options& options) {
    options_ = options;
    if (options_.autoSearchMinutes > 0 && running_)
        autoSearch_.start(options_.autoSearchMinutes * 60000);
    else
        autoSearch_.stop();
}

void BusRounds::start() {
    if (running_) return;
    if (!port_.isOpen()) {
        emit portLost(writeFailure());
        return;
    }
    running_ = true;
    stopping_ = false;
    queue_.clear();
    roundOpen_ = false;
    setOptions(options_);
    // An empty roster asks the bus who is there first.
    if (roster_.rows().empty()) searchAsked_ = true;
    if (phase_ == Phase::Reply) return;  // a stop still waiting for its exchange: the rounds go on after it
    phase_ = Phase::Idle;
    timer_.start(0);
}

void BusRounds::stop() {
    if (!running_) return;
    running_ = false;
    autoSearch_.stop();
    if (phase_ == Phase::Reply) {
        stopping_ = true;  // stopped() follows when the reply is over
        return;
    }
    timer_.stop();
    phase_ = Phase::Idle;
    current_.reset();
    emit stopped();
}

void BusRounds::searchNow() {
    searchAsked_ = true;
    // An idle wait (an empty roster, the round's interval) gives way to the search.
    if (running_ && phase_ == Phase::Idle) timer_.start(0);
}

QByteArray BusRounds::requestOf(const Step& step) const {
    switch (step.ask) {
        case Ask::Identify:
            return device::identifyRequest(step.address);
        case Ask::Live:
            return device::currentParamsRequest(step.address);
        case Ask::BoundIds:
            return buildRequest(step.address, cmd::kReadBoundIds);
        case Ask::ResetDelay:
            return buildRequest(step.address, cmd::kReadResetDelay);
        case Ask::Scan:
            return networkPollRequest();
    }
    return {};
}

void BusRounds::planReader(quint8 address, bool front) {
    const ReaderRow* r = roster_.row(address);
    if (!r) return;
    std::vector<Step> steps;
    if (!r->identity) {
        steps.push_back({address, Ask::Identify});
    } else {
        steps.push_back({address, Ask::Live});
        const auto asked = settingsReadAt_.find(address);
        if (asked == settingsReadAt_.end() || round_ - asked->second >= std::max(1, options_.settingsEvery)) {
            settingsReadAt_[address] = round_;
            steps.push_back({address, Ask::BoundIds});
            steps.push_back({address, Ask::ResetDelay});
        }
    }
    if (front)
        queue_.insert(queue_.begin(), steps.begin(), steps.end());
    else
        queue_.insert(queue_.end(), steps.begin(), steps.end());
}

void BusRounds::planRound() {
    for (quint8 a : roster_.addresses()) planReader(a, false);
}

void BusRounds::next() {
    if (!running_) return;
    if (searchAsked_) {
        searchAsked_ = false;
        queue_.push_front({kPollAddress, Ask::Scan});
    }
    // A reader taken out of the roster meanwhile is not asked.
    while (!queue_.empty() && queue_.front().ask != Ask::Scan && !roster_.row(queue_.front().address))
        queue_.pop_front();
    if (queue_.empty()) {
        if (roundOpen_) endRound();
        const qint64 now = clock_.elapsed();
        if (options_.intervalMs > 0 && roundStartMs_ >= 0 && now < roundStartMs_ + options_.intervalMs) {
            timer_.start(int(roundStartMs_ + options_.intervalMs - now));
            return;
        }
        planRound();
        if (queue_.empty()) {
            timer_.start(kEmptyRosterWaitMs);
            return;
        }
    }
    current_ = queue_.front();
    queue_.pop_front();
    attempt_ = 0;
    beginStep();
}

void BusRounds::beginStep() {
    // The quiet time before the request; what arrives meanwhile (a late answer) belongs to no request.
    // A line that never falls quiet (a flooding device) is written to after the reply timeout all the same:
    // the reader's row then shows what the line does to its answers instead of standing still.
    dropWaiting();
    const qint64 now = clock_.elapsed();
    if (phase_ != Phase::Gap) gapSinceMs_ = now;
    const qint64 quietUntil = lastActivityMs_ < 0 ? 0 : lastActivityMs_ + options_.gapMs;
    if (now < quietUntil && now - gapSinceMs_ < options_.timeoutMs) {
        phase_ = Phase::Gap;
        timer_.start(int(std::min(quietUntil, gapSinceMs_ + options_.timeoutMs) - now));
        return;
    }
    write();
}

void BusRounds::dropWaiting() {
    if (!port_.isOpen()) return;
    if (port_.bytesAvailable() > 0) {
        port_.read(port_.bytesAvailable());
        lastActivityMs_ = clock_.elapsed();
    }
}

void BusRounds::write() {
    if (!port_.isOpen()) return fail(writeFailure());
    const Step step = *current_;
    request_ = requestOf(step);
    const cmd::CommandInfo* command = cmd::commandInfo(static_cast<quint8>(request_[2]));
    fullReplyBytes_ = step.ask == Ask::Scan || !command ? 0 : command->fullReplyBytes;
    rx_.clear();
    firstByteMs_ = lastByteMs_ = -1;
    firstByteUnknown_ = false;
    // On the wire from here: a stop() from a slot the write reaches waits for the reply like any other.
    phase_ = Phase::Reply;
    writtenMs_ = clock_.elapsed();
    if (port_.write(request_) != request_.size()) return fail(writeFailure());
    if (phase_ != Phase::Reply) return;  // dropped (abandon()) from a slot the write reached
    port_.flush();
    writtenAt_ = QDateTime::currentDateTimeUtc();
    writtenMs_ = clock_.elapsed();
    lastActivityMs_ = writtenMs_;
    if (!roundOpen_ && step.ask != Ask::Scan) {
        roundOpen_ = true;
        roundStartMs_ = writtenMs_;
        roundFloorMs_ = 0;
    }
    timer_.start(step.ask == Ask::Scan ? options_.scanWaitMs : options_.timeoutMs);
    // No reply of known length can be complete before its bytes have crossed the wire: until then its
    // pieces wait in the driver and wake the loop once, not once each. What arrives meanwhile has no
    // arrival time of its own, so such a reply carries no reply time.
    if (fullReplyBytes_ > 0) {
        hold(std::min<qint64>(options_.timeoutMs, qint64(std::ceil(fullReplyBytes_ * kMsPerByte))));
        firstByteUnknown_ = true;
    }
}

void BusRounds::onReadyRead() {
    switch (phase_) {
        case Phase::Reply:
            collect();
            break;
        case Phase::Gap:
            dropWaiting();
            break;
        case Phase::Idle:
            // Between the rounds' own exchanges only; a port the rounds do not hold is left alone.
            if (running_) dropWaiting();
            break;
    }
}

void BusRounds::hold(qint64 ms) {
    port_.holdArrivals();
    held_ = true;
    timer_.start(int(std::max<qint64>(1, ms)));
}

void BusRounds::resume() {
    if (!held_) return;
    held_ = false;
    port_.resumeArrivals();
}

void BusRounds::collect() {
    const qsizetype before = rx_.size();
    while (port_.isOpen() && port_.bytesAvailable() > 0) {
        const QByteArray piece = port_.read(kReadPiece);
        if (piece.isEmpty()) break;
        const qint64 now = clock_.elapsed();
        if (firstByteMs_ < 0) firstByteMs_ = now;
        lastByteMs_ = now;
        rx_ += piece;
    }
    if (rx_.isEmpty() && !held_) firstByteUnknown_ = false;  // the write's hold is over and nothing came
    if (!port_.isOpen()) return fail(writeFailure());
    if (held_) return;  // the hold's end looks again
    const bool scan = current_ && current_->ask == Ask::Scan;
    const qint64 now = clock_.elapsed();
    const int waitMs = scan ? options_.scanWaitMs : options_.timeoutMs;
    // A reply is complete at its command's full length; a frame still arriving may take until the timeout.
    // An echo of the request is neither the reply's end nor counted in its length.
    const ArrivalRule arrival{options_.silenceMs, waitMs,       fullReplyBytes_, kMaxTracedReply, true,
                              request_,           options_.echo};
    const qint64 until = scan ? writtenMs_ + waitMs : arrival.endsAt(rx_, writtenMs_, lastByteMs_);
    if (now >= until) return finishExchange();
    // The rest of a reply of known length cannot come sooner than the wire carries it: its pieces wait in
    // the driver meanwhile and wake the loop once. After a hold, the bytes held are reported first.
    // (Behind an echo the rest is not counted: the arrivals are then taken as they come.)
    if (!scan && fullReplyBytes_ > 0 && rx_.size() > before && rx_.size() < fullReplyBytes_ &&
        echoLength(request_, rx_, options_.echo) == 0 && !echoIncomplete(request_, rx_, options_.echo)) {
        const qint64 rest = qint64(std::ceil((fullReplyBytes_ - rx_.size()) * kMsPerByte)) + 1;
        return hold(std::min(rest, until - now));
    }
    timer_.start(int(until - now));
}

void BusRounds::onTimer() {
    switch (phase_) {
        case Phase::Idle:
            next();
            break;
        case Phase::Gap:
            dropWaiting();
            beginStep();
            break;
        case Phase::Reply:
            if (held_) {
                // Bytes held in the driver count as arriving now, the latest they can have come; they are
                // reported at once, and the reply's end is looked at again then.
                resume();
                if (lastByteMs_ >= 0) lastByteMs_ = clock_.elapsed();
            }
            collect();
            break;
    }
}

void BusRounds::finishExchange() {
    timer_.stop();
    resume();
    phase_ = Phase::Idle;
    const Step step = *current_;
    Transaction t;
    t.request = request_;
    t.writtenAt = writtenAt_;
    t.writtenMs = writtenMs_;
    t.reply = rx_;
    if (step.ask != Ask::Scan) removeEcho(t, options_.echo);
    if (!rx_.isEmpty()) {
        t.firstByteMs = firstByteUnknown_ ? -1 : firstByteMs_;
        t.lastByteMs = lastByteMs_;
        lastActivityMs_ = lastByteMs_;
    }
    rx_.clear();
    roundFloorMs_ += qint64(std::lround((t.request.size() + t.reply.size()) * kMsPerByte)) + options_.gapMs;
    if (step.ask == Ask::Scan) {
        classifyReply(t.request, t.reply, true).recordIn(t, ClassifiedReply::Taken::AsRead);
        if (t.reply.isEmpty()) t.value = device::PollAnswer{};  // an empty bus is an answer too
        logTransaction("rounds scan", t);
        const QPointer<BusRounds> alive(this);
        emit exchanged(kPollAddress, t);
        if (!alive || !current_) return;
        if (const auto found = pollAddresses(t, true))
            for (char a : *found)
                if (roster_.add(static_cast<quint8>(a))) {
                    emit readerAdded(static_cast<quint8>(a));
                    // Asked in this round still, after the readers already planned.
                    if (roundOpen_) planReader(static_cast<quint8>(a), false);
                }
    } else {
        // The overview takes only the asked reader's answer to its command, as the client does.
        classifyReply(t.request, t.reply, false).recordIn(t, ClassifiedReply::Taken::AsAnswer);
        logTransaction("rounds", t);
        const bool hadIdentity = roster_.row(step.address) && roster_.row(step.address)->identity;
        roster_.take(step.address, t);
        // Whoever listens may end the rounds (or drop them) in its slot: then nothing more happens here.
        const QPointer<BusRounds> alive(this);
        emit exchanged(step.address, t);
        if (!alive) return;
        emit rowChanged(step.address);
        if (!alive || current_ == std::nullopt) return;
        const bool good = t.outcome == Outcome::Decoded;
        if (!good && running_ && attempt_ < options_.retries) {
            ++attempt_;
            return beginStep();
        }
        // A reader identified just now has its live values (and settings) read in the same round.
        const ReaderRow* r = roster_.row(step.address);
        if (step.ask == Ask::Identify && !hadIdentity && r && r->identity) planReader(step.address, true);
    }
    current_.reset();
    if (stopping_) {
        stopping_ = false;
        resume();
        emit stopped();
        return;
    }
    if (running_) next();
}

void BusRounds::endRound() {
    roundOpen_ = false;
    const qint64 elapsed = clock_.elapsed() - roundStartMs_;
    emit roundFinished(round_++, elapsed, roundFloorMs_);
}

void BusRounds::abandon() {
    timer_.stop();
    resume();
    autoSearch_.stop();
    running_ = stopping_ = false;
    phase_ = Phase::Idle;
    current_.reset();
    queue_.clear();
    roundOpen_ = false;
    rx_.clear();
}

void BusRounds::fail(const QString& reason) {
    abandon();
    emit portLost(reason);
}

void BusRounds::onPortGone(const QString& reason) {
    if (running_ || phase_ != Phase::Idle) fail(reason);
}

}  // namespace kestrel::bus
