#include "session/planapplier.h"

#include "bus/planreport.h"
#include "device/commands.h"
#include "device/requests.h"
#include "exchange/exchangequeue.h"
#include "protocol/translation.h"

namespace kestrel {

namespace {

const QStringList kParts = {QStringLiteral("mode"), QStringLiteral("radio"), QStringLiteral("bound-ids")};
constexpr int kTimeoutMs = 300;
constexpr int kRetries = 2;

}  // namespace

PlanApplier::PlanApplier(ExchangeQueue& queue, bus::Plan plan, QString planPath, QList<quint8> addresses,
                         QObject* parent)
    : QObject(parent),
      queue_(queue),
      queueAlive_(&queue),
      plan_(std::move(plan)),
      planPath_(std::move(planPath)),
      addresses_(std::move(addresses)) {}

PlanApplier::~PlanApplier() {
    if (queueAlive_ && reply_ && !reply_->isFinished()) queue_.cancel(reply_);
}

void PlanApplier::start() {
    running_ = true;
    stopped_ = false;
    next_ = 0;
    outcomes_.clear();
    nextReader();
}

void PlanApplier::stop() {
    stopped_ = true;
    if (reply_ && !reply_->isFinished()) queue_.noRetry(reply_);
}

QString PlanApplier::describe(const Outcome& o) {
    const QString who = bus::planReaderName(o.address, o.name) + QStringLiteral(", ") +
                        (o.serial ? Texts::tr("серийный номер %1").arg(*o.serial) : QStringLiteral("-"));
    return QStringLiteral("%1: %2").arg(
        who, o.failure.isEmpty() ? bus::appliedText(o.written, o.verified, o.tookReader) : o.failure);
}

void PlanApplier::nextReader() {
    while (next_ < addresses_.size()) {
        const quint8 address = addresses_[next_++];
        const bus::PlanRow* row = plan_.rowAt(address);
        if (!row) continue;  // not planned: nothing to apply
        if (stopped_) break;
        wanted_ = bus::plannedParts(*row, kParts);
        seen_ = readBack_ = {address, {}, {}, {}, {}};
        step_ = 0;
        outcome_ = {address, row->name, {}, {}, false, !row->serial, {}};
        stage_ = Stage::Identify;
        return ask(device::identifyRequest(address));
    }
    running_ = false;
    emit finished();
}

void PlanApplier::ask(const QByteArray& frame) {
    ExchangeRequest request;
    request.frames = frame;
    request.timeoutMs = kTimeoutMs;
    request.retries = kRetries;
    request.user = "plan";
    reply_ = queue_.submit(request);
    connect(reply_, &ExchangeReply::finished, this, &PlanApplier::answered);
}

void PlanApplier::answered() {
    ExchangeReply* reply = reply_;
    if (!reply || reply != sender()) return;
    reply->deleteLater();
    if (reply->cancelled() || !reply->portFailure().isEmpty())
        return readerEnds(reply->portFailure().isEmpty() ? Texts::tr("прервано") : reply->portFailure());
    const Transaction& t = reply->transaction();
    const std::optional<device::DeviceValue>& value = t.value;
    const auto* identity = value ? std::get_if<device::Identification>(&*value) : nullptr;
    const auto* live = value ? std::get_if<device::LiveReading>(&*value) : nullptr;
    const auto* table = value ? std::get_if<device::BoundIdTable>(&*value) : nullptr;
    const quint8 address = outcome_.address;
    switch (stage_) {
        case Stage::Identify: {
            if (!reply->ok() || !identity || !identity->serial)
                return readerEnds(Texts::tr("не отвечает; ничего не записано"));
            outcome_.serial = seen_.serial = identity->serial;
            const bus::PlanRow* row = plan_.rowAt(address);
            if (row && row->serial && *row->serial != *identity->serial)
                return readerEnds(Texts::tr("серийный номер %1, по плану %2; ничего не записано")
                                      .arg(*identity->serial)
                                      .arg(*row->serial));
            stage_ = Stage::Settings;
            return ask(device::currentParamsRequest(address));
        }
        case Stage::Settings:
            if (reply->ok() && live) seen_.settings = live->settings;
            if (!wanted_.tags) return readsDone();
            stage_ = Stage::BoundIds;
            return ask(device::plainRequest(address, cmd::kReadBoundIds).frame);
        case Stage::BoundIds:
            if (reply->ok() && table) seen_.boundIds = *table;
            return readsDone();
        case Stage::Write: {
            const QString label = steps_[step_].label;
            if (!reply->ok()) {
                // A request that went out without an acceptable answer may have been applied or not.
                const bool unknown = !t.request.isEmpty();
                journal(label, unknown ? QStringLiteral("unknown") : QStringLiteral("not-written"));
                QStringList notWritten;
                for (std::size_t k = step_ + 1; k < steps_.size(); ++k) notWritten << steps_[k].label;
                return readerEnds(bus::writeStoppedText(Texts::tr("нет подтверждения записи"),
                                                        outcome_.written, unknown, label, notWritten));
            }
            outcome_.written << label;
            journal(label, QStringLiteral("written"));
            ++step_;
            return writeNext();
        }
        case Stage::VerifyIdentify:
            readBack_.serial = reply->ok() && identity ? identity->serial : std::nullopt;
            stage_ = Stage::VerifySettings;
            return ask(device::currentParamsRequest(address));
        case Stage::VerifySettings:
            if (reply->ok() && live) readBack_.settings = live->settings;
            if (!wanted_.tags) return readBackDone();
            stage_ = Stage::VerifyBoundIds;
            return ask(device::plainRequest(address, cmd::kReadBoundIds).frame);
        case Stage::VerifyBoundIds:
            if (reply->ok() && table) readBack_.boundIds = *table;
            return readBackDone();
    }
}

// What the reader has is known: what differs from the plan is written.
void PlanApplier::readsDone() {
    QString refusal;
    steps_ = bus::planSteps(wanted_, seen_, &refusal);
    if (!refusal.isEmpty()) return readerEnds(refusal);
    writeNext();
}

// Read back after the writes: the reader is as planned, and still the same reader.
void PlanApplier::readBackDone() {
    const std::vector<bus::PlanDifference> left = bus::planDifferences(wanted_, readBack_);
    if (readBack_.serial != seen_.serial || !left.empty()) {
        journal(QStringLiteral("verify"), QStringLiteral("failed"));
        return readerEnds(Texts::tr("проверка не прошла: %1")
                              .arg(readBack_.serial != seen_.serial
                                       ? Texts::tr("считыватель не отвечает тем же серийным номером")
                                       : bus::differencesText(left)));
    }
    outcome_.verified = true;
    journal(QStringLiteral("verify"), QStringLiteral("verified"));
    readerEnds();
}

void PlanApplier::writeNext() {
    if (stopped_) return readerEnds(Texts::tr("прервано"));
    if (step_ < steps_.size()) {
        stage_ = Stage::Write;
        return ask(steps_[step_].frame);
    }
    stage_ = Stage::VerifyIdentify;
    ask(device::identifyRequest(outcome_.address));
}

void PlanApplier::readerEnds(const QString& failure) {
    if (!failure.isEmpty()) outcome_.failure = failure;
    outcomes_.push_back(outcome_);
    emit readerDone(outcome_);
    nextReader();
}

void PlanApplier::journal(const QString& action, const QString& outcome) {
    const QString failure = bus::appendPlanJournal(planPath_, plan_.separator, outcome_.address,
                                                   outcome_.serial, action, outcome);
    if (!failure.isEmpty() && outcome_.failure.isEmpty()) outcome_.failure = failure;
}

}  // namespace kestrel
