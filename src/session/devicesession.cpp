#include "session/devicesession.h"

#include <QLoggingCategory>
#include <QScopedValueRollback>
#include <utility>

#include "device/commands.h"
#include "device/requests.h"
#include "protocol/hexid.h"
#include "protocol/translation.h"
#include "serial/networkport.h"

// The session's own events: the link's states, a lost port and its return, the addressed device and view.
Q_LOGGING_CATEGORY(lcSession, "kestrel.session", QtWarningMsg)

namespace kestrel {

namespace {

ExchangeQueue::Line lineOf(const DeviceSession::Options& options) {
    ExchangeQueue::Line line;
    line.silenceMs = options.timing.silenceMs;
    line.holdMs = options.timing.holdMs;
    line.echo = options.echo;
    return line;
}

const char* linkName(DeviceSession::Link link) {
    switch (link) {
        case DeviceSession::Link::Closed:
            return "closed";
        case DeviceSession::Link::Open:
            return "open";
        case DeviceSession::Link::Waiting:
            return "waiting for the lost port";
    }
    return "?";
}

template <class... Ts>
struct Overloaded : Ts... {
    using Ts::operator()...;
};
template <class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

constexpr quint8 kRotationModeA = 4;
constexpr quint8 kRotationModeB = 5;

// The kind of reply a value is, among those the views show.
std::optional<Reading> readingOf(const device::DeviceValue& value) {
    return std::visit(Overloaded{
                          [](const device::Identification&) { return std::optional(Reading::Identity); },
                          [](const device::LiveReading&) { return std::optional(Reading::Live); },
                          [](const device::TagAnswer&) { return std::optional(Reading::CurrentTag); },
                          [](const device::TagParameters&) { return std::optional(Reading::ReadTag); },
                          [](const device::SlaveData&) { return std::optional(Reading::SlaveData); },
                          [](const device::SlaveRs485&) { return std::optional(Reading::SlaveRs485); },
                          [](const auto&) { return std::optional<Reading>(); },
                      },
                      value);
}

// Who answers a request, by its command code: the reader, or through it a tag or the bridge's slave.
DeviceSession::Answerer answererOf(std::optional<quint8> code) {
    using A = DeviceSession::Answerer;
    switch (code.value_or(cmd::kCurrentParams)) {
        case cmd::kTagQuery:
        case cmd::kTagRead:
        case cmd::kTagWrite:
        case cmd::kTagSetSerial:
            return A::Tag;
        case cmd::kBridgeData:
        case cmd::kBridgeRs485:
            return A::Slave;
        default:
            return A::Reader;
    }
}

// What an answerer's silence leaves unconfirmed: everything when the reader is silent (the rest reaches the
// tool through it), else the tag's or the slave's own values.
bool leavesUnconfirmed(DeviceSession::Answerer silent, Reading reading) {
    switch (silent) {
        case DeviceSession::Answerer::Reader:
            return true;
        case DeviceSession::Answerer::Tag:
            return reading == Reading::CurrentTag || reading == Reading::ReadTag;
        case DeviceSession::Answerer::Slave:
            return reading == Reading::SlaveData || reading == Reading::SlaveRs485;
    }
    return true;
}

Rotation rotationOf(quint8 state) {
    switch (state) {
        case 0:
            return Rotation::Stop;
        case 1:
            return Rotation::Left;
        case 2:
            return Rotation::Right;
        default:
            return Rotation::Unknown;
    }
}

}  // namespace

DeviceSession::DeviceSession(SerialPort& port, Options options, QObject* parent)
    : QObject(parent),
      port_(port),
      options_(options),
      queue_(port, lineOf(options), this),
      cycle_(queue_, options.timing, this),
      model_(this) {
    lookForLostPort_.setObjectName(QStringLiteral("lookForLostPort"));
    lookForLostPort_.setParent(this);
    lookForLostPort_.setInterval(options_.lookForLostPortMs);
    connect(&lookForLostPort_, &QTimer::timeout, this, &DeviceSession::lookForLostPort);
    connect(&cycle_, &ExchangeCycle::transaction, this, &DeviceSession::handle);
    // Every exchange on the line, the window's and the overview's, reaches the feed once, from the queue.
    connect(&queue_, &ExchangeQueue::exchanged, this, &DeviceSession::feed);
    connect(&cycle_, &ExchangeCycle::requestShown, this, &DeviceSession::requestShown);
    connect(&cycle_, &ExchangeCycle::traceText, this, &DeviceSession::traceText);
    connect(&cycle_, &ExchangeCycle::written, this, &DeviceSession::written);
    connect(&cycle_, &ExchangeCycle::replyArrived, this, &DeviceSession::replyArrived);
    connect(&cycle_, &ExchangeCycle::silence, this, &DeviceSession::silence);
    connect(&cycle_, &ExchangeCycle::replyHandled, this, &DeviceSession::replyHandled);
    connect(&cycle_, &ExchangeCycle::tickFinished, this, &DeviceSession::tickFinished);
    // After the tick, never inside it: the cycle has stopped already.
    connect(&cycle_, &ExchangeCycle::connectionLost, this, &DeviceSession::connectionLost,
            Qt::QueuedConnection);
    cycle_.setAddress(address_);
    cycle_.setView(view_);
    port_.setDirectionLine(options_.direction);
    connect(&port_, &SerialPort::directionRefused, this, [this](const QString& text) {
        if (!std::exchange(directionRefusalTold_, true)) emit linkEvent(text);
    });
}

void DeviceSession::setEchoMode(EchoMode mode) {
    const bool changed = mode != options_.echo;
    options_.echo = mode;
    queue_.setEchoMode(mode);
    if (changed) emit linkSettingsChanged();
}

void DeviceSession::setDirectionLine(DirectionLine line) {
    const bool changed = line != options_.direction;
    options_.direction = line;
    port_.setDirectionLine(line);
    if (changed) emit linkSettingsChanged();
}

LinkSettings DeviceSession::linkSettings() const {
    LinkSettings s;
    s.portIdentity = portIdentity_.isEmpty() ? rememberedIdentity_ : portIdentity_;
    s.address = link_ == Link::Open || !addressKept_ ? address_ : addressKept_;
    s.reconnect = options_.reconnect;
    s.servers = port_.networkPorts();
    s.echo = options_.echo;
    s.direction = options_.direction;
    return s;
}

void DeviceSession::restore(const LinkSettings& settings, bool selectRememberedPort) {
    setReconnect(settings.reconnect);
    // Servers this run already knows (a server named on the command line) stay in the list after them.
    QStringList servers = settings.servers;
    for (const QString& name : port_.networkPorts())
        if (!servers.contains(name)) servers.append(name);
    port_.setNetworkPorts(servers);
    setEchoMode(settings.echo);
    setDirectionLine(settings.direction);
    if (settings.address) setAddress(settings.address);
    rememberedIdentity_ = settings.portIdentity;
    portToSelect_ = selectRememberedPort ? settings.portIdentity : QString();
    emit linkSettingsChanged();
}

std::optional<QString> DeviceSession::addServer(const QString& typed, QString* refusal) {
    const QString name = typedNetworkPortName(typed);
    if (!parseNetworkPortName(name, refusal)) return std::nullopt;
    QStringList servers = port_.networkPorts();
    servers.removeAll(name);
    servers.append(name);
    port_.setNetworkPorts(servers);
    emit linkSettingsChanged();
    return name;
}

void DeviceSession::awaitPort(const QString& name) {
    awaitedPort_ = name;
    if (!name.isEmpty())
        emit linkEvent(Texts::tr("Порт %1 не найден; он будет выбран, когда появится.").arg(name));
}

QString DeviceSession::portToSelect(const QList<PortInfo>& listed) {
    if (link_ != Link::Closed) return {};
    for (const PortInfo& p : listed) {
        if (!portToSelect_.isEmpty() && p.identity() == portToSelect_) {
            portToSelect_.clear();
            return p.name;
        }
    }
    for (const PortInfo& p : listed) {
        if (!awaitedPort_.isEmpty() && p.name == awaitedPort_) {
            awaitedPort_.clear();
            emit linkEvent(Texts::tr("Порт %1 появился и выбран.").arg(p.name));
            return p.name;
        }
    }
    return {};
}

void DeviceSession::forgetPortToSelect() {
    portToSelect_.clear();
    awaitedPort_.clear();
}

DeviceSession::~DeviceSession() {
    lookForLostPort_.stop();
    stopExchange();
}

void DeviceSession::setLink(Link link) {
    qCDebug(lcSession) << "link" << linkName(link) << portName_;
    const Link before = std::exchange(link_, link);
    if (link != Link::Waiting) lookForLostPort_.stop();
    if (link != Link::Open) {
        // Closed or lost: nothing answers from now on.
        if (!silentSince_.isValid()) {
            silentSince_ = QDateTime::currentDateTime();
            bytesWhileSilent_ = false;
        }
        markStale(Staleness::Why::NoReply, silentSince_);
        if (std::exchange(paused_, false)) emit pollingPausedChanged(false);
    }
    if (before == Link::Open && link != Link::Open) {
        // The address list is back to "0" after a close or a loss; the address of the port open is kept
        // for the next run (a port back again is addressed as it was, from what the loss kept).
        // The values shown stay marked as unanswered: nobody was addressed instead.
        if (address_) addressKept_ = address_;
        if (std::exchange(address_, 0) != 0) {
            model_.forgetReadTag();
            lastReplyAt_ = {};
            cycle_.setAddress(address_);
            emit addressChanged();
        }
    }
    emit linkChanged(link);
}

void DeviceSession::setReconnect(bool on) {
    const bool changed = on != options_.reconnect;
    options_.reconnect = on;
    if (changed) emit linkSettingsChanged();
    // Turned off while waiting: the waiting ends as a close would end it.
    if (!on && link_ == Link::Waiting) close();
}

OpenResult DeviceSession::open(const QString& name, const QString& identity) {
    if (link_ == Link::Waiting) {
        // The lost port is the one this session is for until the engineer closes it or picks another.
        lookForLostPort();
        if (link_ == Link::Open) return {true, OpenFailure::None, {}, 0};
        return {false, OpenFailure::Other, lost_ ? lost_->lastFailure : QString(), 0};
    }
    if (link_ == Link::Open) return {true, OpenFailure::None, {}, 0};
    forgetPortToSelect();
    directionRefusalTold_ = false;  // said once an open by the engineer, not again at each reconnect
    const OpenResult r = port_.open(name);
    if (!r.ok) return r;
    portName_ = name;
    portIdentity_ = identity;
    statistics_.reset();
    lastWrite_.reset();
    lastReplyAt_ = {};
    silentSince_ = {};
    // An adapter opened as soon as it was plugged in may not have told the system all about itself yet
    // (udev fills in its serial number and links a moment later): its identity is read again after that.
    QTimer::singleShot(kPortDetailsSettleMs + 500, this, [this, name] {
        if (link_ != Link::Open || portName_ != name) return;
        for (const PortInfo& p : port_.portInfos())
            if (p.name == name) portIdentity_ = p.identity();
    });
    startExchange(ExchangeCycle::Start::AfterAPeriod);
    setLink(Link::Open);
    return r;
}

void DeviceSession::close() {
    lost_.reset();
    stopExchange();
    portName_.clear();
    if (link_ != Link::Closed) setLink(Link::Closed);
}

void DeviceSession::startExchange(ExchangeCycle::Start first) {
    if (!options_.logFile.isEmpty() && !logFileFailed_) {
        QString error;
        if (!logFile_.open(options_.logFile, &error)) stopLogFile(error);
    }
    cycle_.start(first);
}

void DeviceSession::stopExchange() {
    cycle_.stop();
    queue_.cancelAll();
    if (port_.isOpen()) port_.close();
    logFile_.close();
}

void DeviceSession::connectionLost(const QString& reason) {
    // Once a loss: a second report of it (the cycle's and the overview's) while the first is told is the
    // same.
    if (link_ != Link::Open || losing_) return;
    const QScopedValueRollback<bool> once(losing_, true);
    qCDebug(lcSession) << "port lost:" << portName_ << reason << (options_.reconnect ? "(waiting)" : "");
    if (!options_.reconnect) {
        stopExchange();
        emit linkFailed(reason);
        return;
    }
    // Closed once, without a box; the port is waited for where the engineer was.
    const QString name = portName_;
    const std::optional<quint8> address = address_;
    const Tab view = view_;
    stopExchange();
    lost_ = LostPort{LostAdapter(name, portIdentity_, port_.portInfos()), address, view, {}};
    setLink(Link::Waiting);
    lookForLostPort_.start();
    emit linkEvent(Texts::tr("Порт %1 потерян (%2), ожидание его возвращения").arg(name, reason));
}

// The lost adapter, under its old name or a new one, is opened again when it can be; a port that is back
// but cannot be opened is reported once per cause.
void DeviceSession::lookForLostPort() {
    if (link_ != Link::Waiting || !lost_) return lookForLostPort_.stop();
    const QString name = lost_->adapter.findIn(port_.portInfos());
    if (name.isEmpty() || !port_.readyToOpen(name)) return;
    const OpenResult r = port_.open(name);
    if (!r.ok) {
        if (r.cause == lost_->lastFailure) return;
        lost_->lastFailure = r.cause;
        emit linkEvent(Texts::tr("Порт %1 вернулся, но не открывается: %2; ожидание").arg(name, r.cause));
        return;
    }
    const LostPort lost = *lost_;
    lost_.reset();
    portName_ = name;
    setAddress(lost.address);
    setView(lost.view);
    startExchange(ExchangeCycle::Start::Now);
    // The device may be another one now, or changed while away: it tells who it is first.
    identifyAgain();
    setLink(Link::Open);
    emit reopened();
    emit linkEvent(Texts::tr("Порт %1 снова открыт").arg(name));
}

void DeviceSession::setPollingPaused(bool paused) {
    if (link_ != Link::Open || paused == paused_) return;
    qCDebug(lcSession) << (paused ? "polling paused" : "polling resumed");
    paused_ = paused;
    // Paused, the cycle's requests go out between the holder's exchanges; resumed, it ticks again.
    cycle_.setPaused(paused);
    emit pollingPausedChanged(paused);
}

void DeviceSession::setAddress(std::optional<quint8> address) {
    const bool changed = address != address_;
    if (changed) {
        qCDebug(lcSession) << "address" << (address ? int(*address) : -1);
        // What the views show is the former device's now, and stays marked so until the new one answers
        // with each kind of value. Its settings fill the panels on the next refresh (the bus search, a mode
        // write), as they always have: a change of address alone does not overwrite the boxes.
        markStale(Staleness::Why::OtherAddress, QDateTime::currentDateTime());
        model_.forgetReadTag();
        lastReplyAt_ = {};
        silentSince_ = {};
    }
    address_ = address;
    cycle_.setAddress(address);
    if (changed) emit addressChanged();
}

void DeviceSession::setView(Tab view) {
    if (view != view_) qCDebug(lcSession) << "view" << int(view);
    view_ = view;
    cycle_.setView(view);
}

void DeviceSession::identifyAgain() {
    cycle_.replacePending(cycle_.identifyRequest());
}

device::Request DeviceSession::readTagParameters() {
    const QString id = model_.currentTagId() ? formatHexId(*model_.currentTagId()) : QStringLiteral("0");
    const device::Request r = device::tagReadRequest(address_, id);
    if (r.refused == device::Request::Refused::Identifier) return r;
    cycle_.replacePending(r.frame);  // nothing pending without an address
    if (r.ok()) tagIdFollows_ = true;
    return r;
}

device::Request DeviceSession::setTagSerialRequest(const QString& serial) const {
    const QString id = model_.currentTagId() ? formatHexId(*model_.currentTagId()) : QStringLiteral("0");
    return device::tagSetSerialRequest(address_, id, serial);
}

QString DeviceSession::tagWriteSerial() const {
    if (const auto& read = model_.readTag().value; read && read->serial)
        return QString::number(*read->serial);
    if (const auto& current = model_.currentTag().value; current && current->serial)
        return QString::number(*current->serial);
    return QStringLiteral("0");
}

void DeviceSession::handle(const Transaction& t) {
    if (const std::optional<WriteCheck> write = writeCheckOf(t)) lastWrite_ = write;
    const QDateTime panelsFilledBefore = panelsFilledAt_;
    if (t.value) take(*t.value);
    judgeReply(t, traffic::recordOf(t), panelsFilledAt_ != panelsFilledBefore);
}

void DeviceSession::feed(const Transaction& t) {
    const traffic::Record r = traffic::recordOf(t);
    statistics_.add(r);
    record(r, t);
}

void DeviceSession::send(const QByteArray& frames) {
    cycle_.replacePending(frames);
}

void DeviceSession::sendAlso(const QByteArray& frames) {
    cycle_.appendPending(frames);
}

void DeviceSession::dropPending() {
    cycle_.clearPending();
}

const QByteArray& DeviceSession::pendingRequest() const {
    return cycle_.pending();
}

void DeviceSession::searchBus() {
    cycle_.startNetworkPoll();
    requestSettingsRefresh();
}

bool DeviceSession::writeMode(quint8 mode) {
    if (!address_) return false;
    cycle_.appendPending(device::setModeRequest(*address_, mode));
    requestSettingsRefresh();
    return true;
}

void DeviceSession::portLostWhileLent(const QString& reason) {
    connectionLost(reason);
}

void DeviceSession::record(const traffic::Record& r, const Transaction& t) {
    emit recorded(r, t);
    if (!logFile_.isOpen()) return;
    QString error;
    QString renewed;
    if (!logFile_.append(r, &error, &renewed)) stopLogFile(error);
    // A log file deleted or moved away (rotated) goes on in a new file: said once, without a box, since
    // nothing was lost and a box for every rotation would stop the engineer's work.
    if (!renewed.isEmpty()) emit linkEvent(renewed);
}

void DeviceSession::take(const device::DeviceValue& value) {
    const QDateTime at = QDateTime::currentDateTime();
    std::visit(Overloaded{
                   [&](const device::LiveReading& v) { take(v, at); },
                   [&](const device::Identification& v) { model_.setIdentity(v, at); },
                   [&](const device::TagAnswer& v) {
                       model_.setCurrentTag(v, at);
                       if (tagIdFollows_ && v.identifier) {
                           tagIdFollows_ = false;
                           emit tagIdForFrame(*v.identifier);
                       }
                   },
                   [&](const device::TagParameters& v) { model_.setReadTag(v, at); },
                   [&](const device::SlaveData& v) { model_.setSlaveData(v, at); },
                   [&](const device::SlaveRs485& v) { model_.setSlaveRs485(v, at); },
                   [&](const device::ModeSet& v) {
                       if (v.mode) {
                           refresh_ = SettingsRefresh::Idle;
                           auto settings = model_.settings().value.value_or(device::LiveReading::Settings{});
                           settings.mode = v.mode;
                           model_.setSettings(settings, at);
                       }
                       emit answered(value);
                   },
                   [&](const device::PollAnswer& v) {
                       // The first device that answered is addressed and asked who it is.
                       if (!v.addresses.isEmpty()) setAddress(static_cast<quint8>(v.addresses.front()));
                       emit answered(value);
                       identifyAgain();
                   },
                   [&](const device::Acknowledgement& v) {
                       // A write's acknowledgement the status line has no text for (radio parameters, a
                       // tag's serial number) leaves it as any reply without a decoder would.
                       if (!v.statusText().isEmpty()) emit answered(value);
                   },
                   [&](const auto&) { emit answered(value); },
               },
               value);
}

void DeviceSession::take(const device::LiveReading& v, const QDateTime& at) {
    model_.setLive(v, at);
    if (v.stateByte && tagMode_) {
        const bool reportsRotation = *tagMode_ == kRotationModeA || *tagMode_ == kRotationModeB;
        model_.setRotation(reportsRotation ? std::optional(rotationOf(*v.stateByte)) : std::nullopt);
    }
    if (!v.settings) return;
    model_.setSettings(*v.settings, at);
    if (refresh_ == SettingsRefresh::CopyNext) {
        // Shown once: the mode shown ends the refresh (a reply always carries it with the settings).
        if (v.settings->mode) refresh_ = SettingsRefresh::Idle;
        panelsFilledAt_ = at;
        emit settingsForPanels(*v.settings);
    } else if (refresh_ == SettingsRefresh::Asked) {
        refresh_ = SettingsRefresh::CopyNext;
        emit settingsAnnounced();
    }
}

void DeviceSession::judgeReply(const Transaction& t, const traffic::Record& r, bool panelsFilled) {
    // Only a request to the addressed device tells of it: neither a bus search nor the reply to a request
    // the former device was sent before another was addressed.
    if (t.request.isEmpty() || !address_ || r.address != *address_) return;
    const Answerer answerer = answererOf(r.code);
    if (r.outcome != Outcome::Decoded) {
        if (!silentSince_.isValid()) {
            silentSince_ = t.writtenAt.isValid() ? t.writtenAt.toLocalTime() : QDateTime::currentDateTime();
            bytesWhileSilent_ = false;
        }
        if (!t.reply.isEmpty()) bytesWhileSilent_ = true;
        markStale(Staleness::Why::NoReply, silentSince_, answerer);
        return;
    }
    // When the reply came (it is read at the next tick, up to a period later).
    const std::optional<qint64> replyMs = t.replyTimeMs();
    lastReplyAt_ = t.writtenAt.isValid() && replyMs ? t.writtenAt.toLocalTime().addMSecs(*replyMs)
                                                    : QDateTime::currentDateTime();
    silentSince_ = {};
    // The reader answers, and so does whoever answered through it: their silence is over for what they
    // said; the reply's own kind (and the panels a settings refresh filled just now) is current again, also
    // after another address.
    const std::optional<Reading> fresh = t.value ? readingOf(*t.value) : std::nullopt;
    StalenessTable table = model_.staleness();
    for (std::size_t i = 0; i < kReadingCount; ++i) {
        const auto reading = static_cast<Reading>(i);
        const bool silenceOver = table[i] && table[i]->why == Staleness::Why::NoReply &&
                                 (silentAnswerer_[i] == Answerer::Reader || silentAnswerer_[i] == answerer);
        if (silenceOver || reading == fresh || (panelsFilled && reading == Reading::Settings))
            table[i].reset();
    }
    model_.setStaleness(table);
}

void DeviceSession::markStale(Staleness::Why why, const QDateTime& since, Answerer silent) {
    StalenessTable table = model_.staleness();
    for (std::size_t i = 0; i < kReadingCount; ++i) {
        const auto reading = static_cast<Reading>(i);
        std::optional<Staleness>& mark = table[i];
        // Old already: a silence adds nothing to any mark, another address only to a silence's.
        if (mark && (why == Staleness::Why::NoReply || mark->why == Staleness::Why::OtherAddress)) continue;
        if (why == Staleness::Why::NoReply && !leavesUnconfirmed(silent, reading)) continue;
        const QDateTime valueAt = mark ? mark->valueAt : shownAt(reading);
        if (!mark && !valueAt.isValid()) continue;  // nothing of this kind was shown
        mark = Staleness{why, since, valueAt, mark ? mark->from : address_};
        silentAnswerer_[i] = silent;
    }
    model_.setStaleness(table);
}

QDateTime DeviceSession::shownAt(Reading reading) const {
    switch (reading) {
        case Reading::Identity:
            return model_.identity().at;
        case Reading::Live:
            return model_.live().at;
        case Reading::Settings:
            return panelsFilledAt_;
        case Reading::CurrentTag:
            return model_.currentTag().at;
        case Reading::ReadTag:
            return model_.readTag().at;
        case Reading::SlaveData:
            return model_.slaveData().at;
        case Reading::SlaveRs485:
            return model_.slaveRs485().at;
    }
    return {};
}

void DeviceSession::stopLogFile(const QString& reason) {
    // One message, after the tick; the log file stays off for the rest of the run.
    logFileFailed_ = true;
    logFile_.close();
    const QString text = traffic::logFileFailure(options_.logFile, reason);
    QTimer::singleShot(0, this, [this, text] { emit logFileFailed(text); });
}

}  // namespace kestrel
