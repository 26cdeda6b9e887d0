#include "bus/rounds.h"

#include <QPointer>
#include <algorithm>
#include <cmath>

#include "device/commands.h"
#include "device/requests.h"
#include "exchange/classify.h"
#include "protocol/frame.h"
#include "serial/serialport.h"

namespace kestrel::bus {

namespace {
constexpr int kEmptyRosterWaitMs = 1000;  // with no reader to ask, the roster is looked at again this often
}  // namespace

BusRounds::BusRounds(ExchangeQueue& queue, Options options, QObject* parent)
    : QObject(parent), queue_(queue), options_(options) {
    wait_.setSingleShot(true);
    connect(&wait_, &QTimer::timeout, this, &BusRounds::next);
    connect(&autoSearch_, &QTimer::timeout, this, &BusRounds::searchNow);
}

BusRounds::~BusRounds() {
    if (reply_) queue_.cancel(reply_);
    delete spent_;
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
    if (!queue_.port().isOpen()) {
        emit portLost(writeFailure());
        return;
    }
    running_ = true;
    stopping_ = false;
    steps_.clear();
    roundOpen_ = false;
    setOptions(options_);
    // An empty roster asks the bus who is there first.
    if (roster_.rows().empty()) searchAsked_ = true;
    if (reply_) return;  // a stop still waiting for its exchange: the rounds go on after it
    wait_.start(0);
}

void BusRounds::stop() {
    if (!running_) return;
    running_ = false;
    autoSearch_.stop();
    wait_.stop();
    if (reply_) {
        stopping_ = true;  // stopped() follows when the reply is over, without a further attempt
        queue_.noRetry(reply_);
        return;
    }
    emit stopped();
}

void BusRounds::searchNow() {
    searchAsked_ = true;
    // An idle wait (an empty roster, the round's interval) gives way to the search.
    if (running_ && !reply_) wait_.start(0);
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
        case Ask::TagSearch:
            return device::tagRequest(step.address, cmd::kAnyTag, cmd::kTagQuery);
    }
    return {};
}

void BusRounds::forgetReaders() {
    settingsReadAt_.clear();
    silence_.clear();
}

void BusRounds::planReader(quint8 address, bool front) {
    const ReaderRow* r = roster_.row(address);
    if (!r) return;
    Silence& silence = silence_[address];
    if (silence.rounds >= kSilentRoundsBeforeBackOff && round_ - silence.askedAt < kAskSilentEvery) return;
    silence.askedAt = round_;
    std::vector<Step> steps;
    if (!r->identity) {
        steps.push_back({address, Ask::Identify});
    } else {
        steps.push_back({address, Ask::Live});
        if (options_.searchTags) steps.push_back({address, Ask::TagSearch});
        const auto asked = settingsReadAt_.find(address);
        if (asked == settingsReadAt_.end() || round_ - asked->second >= std::max(1, options_.settingsEvery)) {
            settingsReadAt_[address] = round_;
            steps.push_back({address, Ask::BoundIds});
            steps.push_back({address, Ask::ResetDelay});
        }
    }
    if (front)
        steps_.insert(steps_.begin(), steps.begin(), steps.end());
    else
        steps_.insert(steps_.end(), steps.begin(), steps.end());
}

void BusRounds::planRound() {
    for (quint8 a : roster_.addresses()) planReader(a, false);
}

void BusRounds::next() {
    if (!running_) return;
    if (searchAsked_) {
        searchAsked_ = false;
        steps_.push_front({kPollAddress, Ask::Scan});
    }
    // A reader taken out of the roster meanwhile is not asked.
    while (!steps_.empty() && steps_.front().ask != Ask::Scan && !roster_.row(steps_.front().address))
        steps_.pop_front();
    if (steps_.empty()) {
        if (roundOpen_) endRound();
        if (!running_) return;  // stopped by whoever heard of the round
        const qint64 now = queue_.nowMs();
        if (options_.intervalMs > 0 && roundStartMs_ >= 0 && now < roundStartMs_ + options_.intervalMs) {
            wait_.start(int(roundStartMs_ + options_.intervalMs - now));
            return;
        }
        planRound();
        if (steps_.empty()) {
            wait_.start(kEmptyRosterWaitMs);
            return;
        }
    }
    current_ = steps_.front();
    steps_.pop_front();
    send();
}

void BusRounds::send() {
    const Step step = current_;
    ExchangeRequest request;
    request.frames = requestOf(step);
    const bool scan = step.ask == Ask::Scan;
    request.kind = scan ? ExchangeRequest::Kind::Search : ExchangeRequest::Kind::Answer;
    request.timeoutMs = scan ? options_.scanWaitMs : options_.timeoutMs;
    // A reader asked in its back-off gets one attempt: it has not answered for rounds.
    const auto silence = silence_.find(step.address);
    const bool backedOff = silence != silence_.end() && silence->second.rounds >= kSilentRoundsBeforeBackOff;
    request.retries = scan || backedOff || step.ask == Ask::TagSearch ? 0 : options_.retries;
    request.user = scan ? "rounds scan" : "rounds";
    ExchangeReply* reply = queue_.submit(request);
    reply_ = reply;
    connect(reply, &ExchangeReply::written, this, [this, scan] {
        if (roundOpen_ || scan) return;
        roundOpen_ = true;
        roundStartMs_ = queue_.nowMs();
        roundFloorMs_ = 0;
    });
    connect(reply, &ExchangeReply::attempted, this, [this, step, reply](const Transaction& t) {
        onAttempt(step, t,
                  reply->retryFollows(t) ? BusRoster::Attempt::RetryFollows : BusRoster::Attempt::Last);
    });
    connect(reply, &ExchangeReply::finished, this, [this, reply] { onFinished(reply); });
}

void BusRounds::onAttempt(const Step& step, const Transaction& t, BusRoster::Attempt attempt) {
    roundFloorMs_ +=
        qint64(std::lround(double(t.request.size() + t.reply.size()) * ExchangeQueue::kMsPerByte)) +
        queue_.line().gapMs;
    // Whoever listens may end the rounds (or drop them) in its slot: then nothing more happens here.
    const QPointer<BusRounds> alive(this);
    if (step.ask == Ask::Scan) {
        emit exchanged(kPollAddress, t);
        if (!alive || !running_) return;
        if (const auto found = pollAddresses(t, true))
            for (char a : *found) {
                silence_[static_cast<quint8>(a)].rounds = 0;  // it answers: asked every round again
                if (roster_.add(static_cast<quint8>(a))) {
                    emit readerAdded(static_cast<quint8>(a));
                    if (!alive) return;
                    // Asked in this round still, after the readers already planned.
                    if (roundOpen_) planReader(static_cast<quint8>(a), false);
                }
            }
        return;
    }
    if (step.ask == Ask::TagSearch) {
        // Not the reader's answer to judge it by: a reader that hears no tag stays quiet.
        emit exchanged(step.address, t);
        if (!alive) return;
        const auto* answer =
            t.outcome == Outcome::Decoded && t.value ? std::get_if<device::TagAnswer>(&*t.value) : nullptr;
        if (answer && tags_.heard(step.address, *answer, QDateTime::currentDateTime()))
            emit tagHeard(*answer->identifier);
        return;
    }
    const bool hadIdentity = roster_.row(step.address) && roster_.row(step.address)->identity;
    if (t.outcome != Outcome::NoReply) silence_[step.address].rounds = 0;  // it speaks: asked every round
    roster_.take(step.address, t, attempt);
    emit exchanged(step.address, t);
    if (!alive) return;
    emit rowChanged(step.address);
    if (!alive || !running_) return;
    // A reader identified just now has its live values (and settings) read in the same round.
    const ReaderRow* r = roster_.row(step.address);
    if (step.ask == Ask::Identify && !hadIdentity && r && r->identity) planReader(step.address, true);
}

void BusRounds::onFinished(ExchangeReply* reply) {
    if (reply != reply_) return;
    reply_.clear();
    // Deleted when the next request is sent, out of its own signal: a reply a round costs no event of its
    // own.
    delete spent_;
    spent_ = reply;
    if (reply->cancelled()) return;
    if (!reply->portFailure().isEmpty()) return fail(reply->portFailure());
    if (current_.ask != Ask::Scan) {
        // Silent: not a byte came for any attempt. Counted once a round; a byte of any kind ends it.
        Silence& silence = silence_[current_.address];
        if (reply->transaction().outcome != Outcome::NoReply) {
            silence.rounds = 0;
        } else if (silence.silentAt != round_) {
            silence.silentAt = round_;
            ++silence.rounds;
            // The rest of its round is not asked: its next ask waits for the back-off.
            if (silence.rounds >= kSilentRoundsBeforeBackOff)
                while (!steps_.empty() && steps_.front().address == current_.address &&
                       steps_.front().ask != Ask::Scan)
                    steps_.pop_front();
        }
    }
    if (stopping_) {
        stopping_ = false;
        emit stopped();
        return;
    }
    if (running_) next();
}

void BusRounds::endRound() {
    roundOpen_ = false;
    const qint64 elapsed = queue_.nowMs() - roundStartMs_;
    emit roundFinished(round_++, elapsed, roundFloorMs_);
}

void BusRounds::abandon() {
    wait_.stop();
    autoSearch_.stop();
    running_ = stopping_ = false;
    steps_.clear();
    roundOpen_ = false;
    if (ExchangeReply* r = reply_) {
        reply_.clear();
        r->disconnect(this);
        queue_.cancel(r);
        r->deleteLater();
    }
}

void BusRounds::fail(const QString& reason) {
    abandon();
    emit portLost(reason);
}

}  // namespace kestrel::bus
