#include "session/busoverview.h"

#include <QFileInfo>

#include "protocol/translation.h"
#include "session/devicesession.h"
#include "session/planapplier.h"

namespace kestrel {

BusOverview::BusOverview(DeviceSession& session, bus::BusRounds::Options options, QObject* parent)
    : QObject(parent), session_(session), sessionAlive_(&session), rounds_(session.queue(), options, this) {
    connect(&rounds_, &bus::BusRounds::stopped, this, &BusOverview::onStopped);
    connect(&rounds_, &bus::BusRounds::portLost, this, &BusOverview::onPortLost);
    connect(&rounds_, &bus::BusRounds::portLost, this, &BusOverview::portLost);
    connect(&rounds_, &bus::BusRounds::rowChanged, this, &BusOverview::rowsChanged);
    connect(&rounds_, &bus::BusRounds::readerAdded, this, &BusOverview::rowsChanged);
    connect(&rounds_, &bus::BusRounds::roundFinished, this, &BusOverview::roundFinished);
    connect(&rounds_, &bus::BusRounds::tagHeard, this, &BusOverview::tagsChanged);
    connect(&session_, &DeviceSession::linkChanged, this, &BusOverview::followPort);
    connect(&session_, &DeviceSession::linkChanged, this, &BusOverview::onLinkChanged);
    // A tick in progress when the overview asked for the bus ends first; the port changes hands after it.
    connect(&session_, &DeviceSession::tickFinished, this, [this] {
        if (wanted_ && !rounds_.isRunning() && !handingBack_) takeOver();
    });
}

BusOverview::~BusOverview() {
    if (!sessionAlive_) return;
    // No waiting here: the exchange in progress is left, and the cycle's first tick comes a period after
    // polling resumes, later than any reply to it.
    const bool held = rounds_.isRunning() || rounds_.exchangeInProgress() || handingBack_;
    rounds_.abandon();
    if (held || wanted_) session_.setPollingPaused(false);
}

void BusOverview::restoreReaders(const Readers& readers) {
    otherBuses_ = readers.otherBuses;
    port_ = readers.port;
    listReaders(readers.listed);
}

BusOverview::Readers BusOverview::readers() const {
    return {rounds_.roster().addresses(), port_, otherBuses_};
}

void BusOverview::listReaders(const QList<quint8>& readers) {
    bus::BusRoster& roster = rounds_.roster();
    for (quint8 a : roster.addresses()) roster.remove(a);
    for (quint8 a : readers) roster.add(a);
    rounds_.forgetReaders();
    emit readersReplaced();
}

void BusOverview::followPort() {
    if (session_.link() != DeviceSession::Link::Open) return;
    const QString port = session_.portIdentity();
    if (port.isEmpty() || port == port_) return;
    // Readers listed for no known port (a settings file of an earlier version) are this port's.
    if (port_.isEmpty() && !otherBuses_.contains(port)) {
        port_ = port;
        return;
    }
    if (!port_.isEmpty()) otherBuses_.insert(port_, rounds_.roster().addresses());
    port_ = port;
    listReaders(otherBuses_.take(port));
}

void BusOverview::addReader(quint8 address) {
    rounds_.roster().add(address);
}

void BusOverview::removeReader(quint8 address) {
    rounds_.roster().remove(address);
}

void BusOverview::searchNow() {
    if (session_.link() == DeviceSession::Link::Open) rounds_.searchNow();
}

bus::SiteSnapshot BusOverview::site(const QString& tool, const QDateTime& saved) const {
    return bus::siteDocument(rounds_.roster(), tool, saved);
}

void BusOverview::setPlan(const bus::Plan& plan, const QString& path) {
    plan_ = plan;
    planPath_ = path;
    for (const bus::PlanRow& row : plan.rows) rounds_.roster().add(row.address);
    emit rowsChanged();
}

std::vector<bus::ReaderSeen> BusOverview::seenOnBus() const {
    std::vector<bus::ReaderSeen> seen;
    for (const bus::ReaderRow& r : rounds_.roster().rows()) {
        bus::ReaderSeen s{r.address, {}, {}, r.boundIds, {}};
        const bool answers =
            r.state == bus::ReaderState::Answering || r.state == bus::ReaderState::CheckErrors;
        if (answers && r.identity) s.serial = r.identity->serial;
        s.settings = r.settings ? r.settings : r.live ? r.live->settings : std::nullopt;
        seen.push_back(s);
    }
    return seen;
}

std::vector<bus::PlanFinding> BusOverview::planFindings() const {
    return plan_ ? bus::checkPlan(*plan_, seenOnBus()) : std::vector<bus::PlanFinding>{};
}

bus::PlanReport BusOverview::planReport(const QString& tool, const QDateTime& at) const {
    bus::PlanReport report;
    if (!plan_) return report;
    report.plan = *plan_;
    report.seen = seenOnBus();
    report.findings = bus::checkPlan(*plan_, report.seen);
    report.journal = bus::readPlanJournal(planPath_, plan_->separator);
    report.site = QFileInfo(planPath_).completeBaseName();
    report.at = at;
    report.tool = tool;
    return report;
}

void BusOverview::setRoundOptions(const bus::BusRounds::Options& options) {
    bus::BusRounds::Options o = options;
    o.searchTags = searchTags_;
    rounds_.setOptions(o);
}

void BusOverview::setSearchTags(bool on) {
    searchTags_ = on;
    setRoundOptions(rounds_.options());
}

bool BusOverview::ask(const QByteArray& frame,
                      std::function<void(const Transaction&, const QString& failure)> done) {
    if (session_.link() != DeviceSession::Link::Open || frame.isEmpty()) return false;
    ExchangeRequest request;
    request.frames = frame;
    request.retries = 2;
    request.user = "overview";
    ExchangeReply* reply = session_.queue().submit(request);
    connect(reply, &ExchangeReply::finished, this, [reply, done = std::move(done)] {
        reply->deleteLater();
        done(reply->transaction(), reply->cancelled() && reply->portFailure().isEmpty()
                                       ? Texts::tr("прервано")
                                       : reply->portFailure());
    });
    return true;
}

bool BusOverview::applyPlan(const QList<quint8>& addresses) {
    if (!plan_ || applier_ || session_.link() != DeviceSession::Link::Open) return false;
    applier_ = new PlanApplier(session_.queue(), *plan_, planPath_, addresses, this);
    connect(applier_, &PlanApplier::readerDone, this, [this](const PlanApplier::Outcome& o) {
        rounds_.readSettingsAgain(o.address);
        emit planReaderApplied(PlanApplier::describe(o));
    });
    connect(applier_, &PlanApplier::finished, this, [this] {
        QStringList lines;
        for (const PlanApplier::Outcome& o : applier_->outcomes()) lines << PlanApplier::describe(o);
        applier_->deleteLater();
        applier_ = nullptr;
        emit planApplied(lines);
    });
    applier_->start();
    return true;
}

void BusOverview::run() {
    setWanted(true);
}

void BusOverview::pause() {
    setWanted(false);
}

void BusOverview::hold() {
    if (wanted_) return;
    wanted_ = true;
    if (handingBack_) {
        // Asked back while the rounds were ending their exchange: they go on after it.
        handingBack_ = false;
        rounds_.start();
    } else {
        takeOver();
    }
    emit stateChanged();
}

void BusOverview::release() {
    if (!wanted_) return;
    wanted_ = false;
    if (rounds_.isRunning()) {
        handingBack_ = true;
        rounds_.stop();  // stopped() hands the port back, at once when no exchange is in progress
    } else {
        session_.setPollingPaused(false);
    }
    emit stateChanged();
}

void BusOverview::setWanted(bool wanted) {
    desired_ = wanted;
    holdOrRelease();
}

void BusOverview::holdOrRelease() {
    using Link = DeviceSession::Link;
    if (desired_ && session_.link() == Link::Open)
        hold();
    else if (!desired_ || session_.link() == Link::Closed)
        release();
}

void BusOverview::takeOver() {
    if (!wanted_ || rounds_.isRunning() || session_.link() != DeviceSession::Link::Open) return;
    if (session_.cycle().tickInProgress()) return;  // tickFinished comes back here
    // Paused, the cycle's last request is read at once, ahead of the rounds' first in the queue.
    session_.setPollingPaused(true);
    startRounds();
}

void BusOverview::startRounds() {
    if (!wanted_ || rounds_.isRunning() || session_.link() != DeviceSession::Link::Open) return;
    rounds_.start();
    emit stateChanged();
}

void BusOverview::onStopped() {
    if (!handingBack_) return;
    handingBack_ = false;
    if (!wanted_) session_.setPollingPaused(false);
    emit stateChanged();
}

void BusOverview::onLinkChanged() {
    if (session_.link() == DeviceSession::Link::Open) {
        // Opened, or the lost port is back: the rounds go on, polling paused again before its first tick.
        takeOver();
        holdOrRelease();
        return;
    }
    // Closed or lost: the port is no longer there to lend; the rounds wait for it.
    const bool wasActive = rounds_.isRunning() || handingBack_;
    rounds_.abandon();
    handingBack_ = false;
    if (wasActive) emit stateChanged();
    holdOrRelease();
}

void BusOverview::onPortLost(const QString& reason) {
    if (session_.link() == DeviceSession::Link::Open) session_.portLostWhileLent(reason);
    handingBack_ = false;
    emit stateChanged();
}

}  // namespace kestrel
