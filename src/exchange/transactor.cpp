#include "exchange/transactor.h"

#include <QEventLoop>
#include <QTimer>
#include <algorithm>

#include "device/commands.h"
#include "exchange/classify.h"
#include "exchange/cycle.h"
#include "protocol/frame.h"
#include "serial/serialport.h"

namespace kestrel {

namespace {
constexpr qint64 kReadPiece = 4096;

// The table entry of a request's command (its reply code and full reply length); none when unknown.
const cmd::CommandInfo* commandOf(const QByteArray& request) {
    return request.size() < 3 ? nullptr : cmd::commandInfo(static_cast<quint8>(request[2]));
}
}  // namespace

Transactor::Transactor(SerialPort& port, Timing timing, QObject* parent)
    : QObject(parent), port_(port), timing_(timing) {
    clock_.start();
    connect(&port_, &SerialPort::gone, this, [this](const QString& reason) {
        portLost_ = true;
        portLostReason_ = reason;
        if (loop_) loop_->quit();
    });
    connect(&port_, &SerialPort::readyRead, this, [this] {
        if (loop_) loop_->quit();  // the wait looks at what came and decides whether to go on
    });
}

void Transactor::interrupt() {
    interrupted_ = true;
    if (loop_) loop_->quit();
}

bool Transactor::pause(int ms) {
    QElapsedTimer t;
    t.start();
    while (!interrupted_ && !portLost_ && t.elapsed() < ms) {
        waitMs(int(ms - t.elapsed()));
        if (port_.isOpen() && port_.bytesAvailable() > 0) port_.read(port_.bytesAvailable());
    }
    return !interrupted_ && !portLost_;
}

// Runs the event loop for at most `ms`, or until a byte arrives, the port goes or an interrupt comes.
void Transactor::waitMs(int ms) {
    if (ms <= 0) return;
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(ms);
    loop_ = &loop;
    loop.exec();
    loop_ = nullptr;
}

// Moves what has arrived into the reply; true when something came.
bool Transactor::takeAvailable() {
    bool any = false;
    while (port_.isOpen() && port_.bytesAvailable() > 0) {
        const QByteArray piece = port_.read(kReadPiece);
        if (piece.isEmpty()) break;
        const qint64 now = clock_.elapsed();
        if (firstByteMs_ < 0) firstByteMs_ = now;
        lastByteMs_ = now;
        rx_ += piece;
        any = true;
    }
    if (any) lastActivityMs_ = lastByteMs_;
    return any;
}

Transaction Transactor::attempt(const QByteArray& request, int fullBytes, int waitMsTotal, bool wholeWait) {
    Transaction t;
    t.request = request;
    // The quiet time before the request; what arrives meanwhile (a late answer to an earlier request)
    // belongs to no request of ours and is dropped.
    while (!portLost_ && !interrupted_ && lastActivityMs_ >= 0 &&
           clock_.elapsed() - lastActivityMs_ < timing_.gapMs) {
        waitMs(int(timing_.gapMs - (clock_.elapsed() - lastActivityMs_)));
        rx_.clear();
        takeAvailable();
    }
    rx_.clear();
    if (port_.isOpen() && port_.bytesAvailable() > 0) port_.read(port_.bytesAvailable());
    firstByteMs_ = lastByteMs_ = -1;
    if (portLost_ || interrupted_ || !port_.isOpen()) {
        t.request.clear();
        return t;
    }
    if (port_.write(request) != request.size()) {
        portLost_ = true;
        if (portLostReason_.isEmpty()) portLostReason_ = writeFailure();
        t.request.clear();
        return t;
    }
    port_.flush();
    t.writtenAt = QDateTime::currentDateTimeUtc();
    t.writtenMs = clock_.elapsed();
    lastActivityMs_ = t.writtenMs;

    for (;;) {
        takeAvailable();
        if (portLost_ || interrupted_) break;
        const qint64 now = clock_.elapsed();
        qint64 until = 0;
        if (wholeWait) {
            until = t.writtenMs + waitMsTotal;
        } else if (rx_.isEmpty()) {
            until = t.writtenMs + waitMsTotal;
        } else {
            const bool complete = (fullBytes > 0 && isFramedReply(rx_) && rx_.size() >= fullBytes) ||
                                  rx_.size() >= kMaxTracedReply;
            if (complete) break;
            // A frame whose check byte does not add up yet is still arriving (a pause inside a reply):
            // its rest may come until the timeout. A whole frame, or bytes that are no frame, end with
            // the line's silence.
            const bool unfinished = rx_.startsWith(char(kReplyStart)) &&
                                    static_cast<quint8>(rx_.back()) != crc8(rx_.left(rx_.size() - 1));
            until = lastByteMs_ + timing_.silenceMs;
            if (unfinished) until = std::max(until, t.writtenMs + waitMsTotal);
        }
        if (now >= until) break;
        waitMs(int(until - now));
    }
    t.reply = rx_;
    if (!rx_.isEmpty()) {
        t.firstByteMs = firstByteMs_;
        t.lastByteMs = lastByteMs_;
    }
    return t;
}

Transactor::Result Transactor::exchange(const QByteArray& request, const Expect& expect) {
    Result result;
    interrupted_ = false;
    const cmd::CommandInfo* command = commandOf(request);
    // The reply code the command asks for, or -1 when it has none (a plain int:
    // g++ -O3 takes an optional here for possibly uninitialised).
    const int code = command && command->replyCode ? int(*command->replyCode) : -1;
    for (int i = 0; i <= std::max(0, timing_.retries); ++i) {
        Transaction t = attempt(request, command ? command->fullReplyBytes : 0, timing_.timeoutMs, false);
        if (t.request.isEmpty()) {  // nothing written: the port is gone or the wait was interrupted
            result.last = t;
            break;
        }
        ++result.attempts;
        QByteArray judgedAs = request;
        if (expect.answerFrom && judgedAs.size() > 1) judgedAs[1] = char(*expect.answerFrom);
        const ClassifiedReply c = classifyReply(judgedAs, t.reply, false);
        t.outcome = c.outcome;
        t.value = c.value;
        // A reply longer than its command's longest is no single frame: a frame sent twice, or a frame with
        // bytes after it. The check byte does not tell (the CRC over a frame and its own check byte is 0),
        // so the length does, and such a reply is retried, never decoded.
        const int fullBytes = command ? command->fullReplyBytes : 0;
        if (fullBytes > 0 && t.reply.size() > fullBytes && static_cast<quint8>(t.reply[2]) == code) {
            t.outcome = Outcome::TooLong;
            t.value.reset();
        }
        const std::vector<quint8>& also = expect.alsoAccepted;
        if ((t.outcome == Outcome::Decoded || t.outcome == Outcome::UnknownCode) && t.reply.size() >= 3) {
            const quint8 got = static_cast<quint8>(t.reply[2]);
            const bool wanted = int(got) == code || std::find(also.begin(), also.end(), got) != also.end();
            if (!wanted) {
                t.outcome = Outcome::OtherCode;
            } else if (t.outcome == Outcome::UnknownCode) {
                t.outcome = Outcome::Decoded;
                t.value = device::Acknowledgement{got};
            }
        }
        emit attempted(t);
        result.last = t;
        if (t.outcome == Outcome::Decoded || portLost_ || interrupted_) break;
    }
    result.interrupted = interrupted_;
    return result;
}

Transactor::Result Transactor::scan() {
    Result result;
    interrupted_ = false;
    Transaction t = attempt(networkPollRequest(), 0, timing_.scanWaitMs, true);
    if (!t.request.isEmpty()) {
        result.attempts = 1;
        const ClassifiedReply c = classifyReply(t.request, t.reply, true);
        t.outcome = t.reply.isEmpty() ? Outcome::NoReply : c.outcome;
        t.value = t.reply.isEmpty() ? std::optional<device::DeviceValue>(device::PollAnswer{}) : c.value;
        emit attempted(t);
    }
    result.last = t;
    result.interrupted = interrupted_;
    return result;
}

}  // namespace kestrel
