#include "protocol/exchange.h"

#include <QLoggingCategory>
#include <algorithm>

#include "protocol/crc.h"
#include "protocol/numinput.h"
#include "protocol/trace.h"
#include "serial/serialport.h"

namespace kestrel {

// Hex dumps of the traffic for developers: QT_LOGGING_RULES="kestrel.wire.debug=true".
Q_LOGGING_CATEGORY(lcWire, "kestrel.wire", QtWarningMsg)

namespace {
constexpr int kMaxReadBytes = 255;  // one read takes at most 255 bytes; the rest waits for the next tick
constexpr int kMaxTracedReply = 50;  // replies this long or longer are decoded but not traced
constexpr int kMaxPollAnswer = 20;   // network-poll answers this long or longer are dropped
}  // namespace

ExchangeCycle::ExchangeCycle(SerialPort& port, ExchangeHost& host, QObject* parent)
    : ExchangeCycle(port, host, Timing{}, parent) {}

ExchangeCycle::ExchangeCycle(SerialPort& port, ExchangeHost& host, Timing timing, QObject* parent)
    : QObject(parent), port_(port), host_(host), timing_(timing) {
    timer_.setObjectName(QStringLiteral("TMRComm"));
    timer_.setInterval(timing_.periodMs);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &ExchangeCycle::TMRComm_Timer);
    window_.setSingleShot(true);
    window_.setTimerType(Qt::PreciseTimer);
    connect(&window_, &QTimer::timeout, this, &ExchangeCycle::onWindowTimeout);
    connect(&port_, &SerialPort::readyRead, this, &ExchangeCycle::onReadyRead);
    // Queued, so that the close action never runs inside the port's own error handling.
    connect(&port_, &SerialPort::gone, this, &ExchangeCycle::onPortGone, Qt::QueuedConnection);
}

const std::array<quint8, 18>& ExchangeCycle::dispatchOrder() {
    static const std::array<quint8, 18> order = {0xFC, 0xF0, 0xE0, 0xE3, 0xE6, 0xE8, 0x06, 0xF1, 0xE1,
                                                 0xFA, 0xF2, 0xF5, 0xFB, 0xF8, 0xF3, 0xF6, 0xFD, 0x00};
    return order;
}

bool ExchangeCycle::registerDecoder(quint8 code, Decoder decoder) {
    const auto& order = dispatchOrder();
    if (std::find(order.begin(), order.end(), code) == order.end()) return false;
    decoders_[code] = std::move(decoder);
    return true;
}

void ExchangeCycle::start() { timer_.start(); }

void ExchangeCycle::stop() {
    timer_.stop();
    if (inReadWindow()) {
        window_.stop();
        windowClock_.invalidate();
        rx_.clear();
        inTick_ = false;
    }
}

std::optional<quint8> ExchangeCycle::selectedAddress() const {
    const auto text = host_.selectedAddressText();
    if (!text) return std::nullopt;
    const NumberResult n = parseWholeNumber(*text, 0, 255);
    if (!n.ok()) return std::nullopt;
    return static_cast<quint8>(n.value);
}

QByteArray ExchangeCycle::Zapros_ser_num() const {
    const auto address = selectedAddress();
    return address ? form_zaprosa(*address, kCmdIdentify) : QByteArray();
}

bool ExchangeCycle::CMD_zapros_metki(quint32 SerialN, quint8 cmdd) {
    state_.wrs.clear();
    const auto address = selectedAddress();
    if (address) state_.wrs = form_zaprosa(*address, cmdd, Long_to_string(SerialN));
    host_.setCmdBoxText(PrintToWinText(state_.wrs));
    return address.has_value();
}

void ExchangeCycle::TMRComm_Timer() {
    if (inTick_) return;  // ticks never overlap
    if (!port_.isOpen()) {
        failConnection();
        return;
    }
    inTick_ = true;
    rx_.clear();
    windowClock_.start();
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
    if (rx_.size() >= kMaxReadBytes) {
        finishTick();
        return;
    }
    const qint64 remaining = timing_.windowMs - windowClock_.elapsed();
    if (remaining <= 0) {
        finishTick();
        return;
    }
    if (rx_.size() > before) {
        window_.start(static_cast<int>(std::min<qint64>(remaining, timing_.silenceMs)));
    } else if (!window_.isActive()) {
        window_.start(static_cast<int>(remaining));
    }
}

void ExchangeCycle::onReadyRead() {
    if (inReadWindow()) collect();
}

void ExchangeCycle::onWindowTimeout() {
    if (inTick_) finishTick();
}

void ExchangeCycle::finishTick() {
    window_.stop();
    windowClock_.invalidate();
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

void ExchangeCycle::runTickBody(const QByteArray& reply) {
    ExchangeState& s = state_;
    const int tab = host_.openTab();

    // Address change: a newly selected device is identified first, replacing whatever was pending.
    const auto address = selectedAddress();
    if (address && *address != s.last_net) {
        s.wrs = Zapros_ser_num();
        s.last_net = *address;
    }

    // Idle poll of the open tab.
    std::optional<quint8> pollCheck;
    if (address && s.wrs.isEmpty()) {
        if (tab == TabTag) {
            CMD_zapros_metki(kTagSearchId, kCmdTagSearch);
        } else if (tab == TabReader) {
            s.wrs = form_zaprosa(*address, kCmdCurrentParams);
        } else if (tab == TabBridge) {
            if (s.CointWrs == 1) {
                s.wrs = form_zaprosa(*address, kCmdBridgeRs485);
                s.CointWrs = 0;
            } else {
                s.wrs = form_zaprosa(*address, kCmdBridgeData);
                s.CointWrs = 1;
            }
        }
        if (!s.wrs.isEmpty()) pollCheck = static_cast<quint8>(s.wrs.back());
    }

    host_.setCmdBoxText(PrintToWinText(s.wrs));

    if (!reply.isEmpty()) qCDebug(lcWire).noquote() << "read " << hexDump(reply, QLatin1Char(' '));
    if (!s.wrs.isEmpty()) qCDebug(lcWire).noquote() << "write" << hexDump(s.wrs, QLatin1Char(' '));
    const qint64 written = port_.write(s.wrs);
    if (written != s.wrs.size() || !port_.isOpen()) {
        failConnection();
        return;
    }
    s.wrs.clear();
    host_.setLampColour(host_.lampColour() == kLampWhite ? kLampGrey : kLampWhite);

    if (reply.isEmpty()) {
        if (!s.no_data) {
            s.last_msg = host_.statusText();
            s.no_data = true;
        }
        if (tab == TabReader) {
            host_.setStatusText(kMsgNoReaderData + host_.selectedAddressText().value_or(QString()));
        } else if (tab == TabTag) {
            host_.setStatusText(kMsgNoTag);
        } else if (tab == TabBridge) {
            host_.setStatusText(kMsgNoBridge);
        }
        return;
    }

    if (s.no_data) {
        host_.setStatusText(s.last_msg);
        s.no_data = false;
    }
    if (reply.size() < kMaxTracedReply) host_.setTxtRec(replyTraceText(reply, pollCheck));
    dispatch(reply);
    host_.setLampColour(kLampRed);
    port_.flush();
}

void ExchangeCycle::dispatch(const QByteArray& reply) {
    if (reply.size() >= 4 && static_cast<quint8>(reply[0]) == kReplyStart) {
        const quint8 code = static_cast<quint8>(reply[2]);
        if (code == kCmdCurrentParams && static_cast<quint8>(reply.back()) != crc8(reply.left(reply.size() - 1))) {
            return;  // a current-parameters reply with a wrong check byte is ignored silently
        }
        const auto it = decoders_.find(code);
        if (it != decoders_.end() && it->second) it->second(Reply(reply));
        return;
    }
    if (state_.net_opr && reply.size() < kMaxPollAnswer && pollAnswer_) pollAnswer_(reply);
    state_.net_opr = false;
}

void ExchangeCycle::failConnection() {
    timer_.stop();
    window_.stop();
    inTick_ = true;  // no tick starts while the message box is open
    host_.showWriteFailure(kMsgWriteFailure);
    host_.runCloseAction();
    state_.wrs.clear();
    inTick_ = false;
}

void ExchangeCycle::onPortGone() {
    if (inTick_) {
        if (inReadWindow()) finishTick();  // the port is closed: finishTick takes the failure path
        return;
    }
    if (timer_.isActive()) failConnection();
}

}  // namespace kestrel
