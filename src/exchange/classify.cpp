#include "exchange/classify.h"

#include <algorithm>

#include "device/commands.h"
#include "protocol/frame.h"
#include "protocol/reply.h"

namespace kestrel {

bool isFramedReply(const QByteArray& reply) {
    return reply.size() >= 4 && static_cast<quint8>(reply[0]) == kReplyStart;
}

std::optional<QByteArray> pollAddresses(const Transaction& poll, bool allowLong) {
    if (poll.value)
        if (const auto* answer = std::get_if<device::PollAnswer>(&*poll.value)) return answer->addresses;
    // A bus whose lowest reader is at 62 answers with ">" first, so an answer of 4 to 19 bytes can look
    // like a framed reply; read as a list of readers, it is one.
    if (!allowLong || poll.reply.isEmpty()) return std::nullopt;
    constexpr int kHighestAddress = 200;
    bool seen[256] = {};
    for (char b : poll.reply) {
        const quint8 a = static_cast<quint8>(b);
        if (a > kHighestAddress || seen[a]) return std::nullopt;
        seen[a] = true;
    }
    return poll.reply;
}

ReplyExpectation expectationOf(const QByteArray& request) {
    if (request.size() < 3) return {};
    switch (static_cast<quint8>(request[2])) {
        case cmd::kSetNetAddress:
            // The device answers from the address it has just been given.
            if (request.size() >= 4) return {{}, static_cast<quint8>(request[3])};
            return {};
        case cmd::kSetMode:
            return {{cmd::kAveragingSet, cmd::kAveragingCleared, cmd::kInversionChanged,
                     cmd::kLampFrequencyChanged},
                    std::nullopt};
        default:
            return {};
    }
}

std::optional<WriteCheck> writeCheckOf(const Transaction& t) {
    if (t.request.size() < 3) return std::nullopt;
    const cmd::CommandInfo* command = cmd::commandInfo(static_cast<quint8>(t.request[2]));
    if (!command || !command->written) return std::nullopt;
    return WriteCheck{command->code, t.fit == Fit::Answers || t.fit == Fit::Acknowledgement};
}

void ClassifiedReply::recordIn(Transaction& t, Taken taken) const {
    t.outcome = taken == Taken::AsRead ? outcome : answerOutcome;
    t.value = taken == Taken::AsRead ? value : answerValue;
    t.fit = fit;
}

namespace {

// How a framed reply with the outcome `read` stands to `request`.
Fit fitOf(const QByteArray& request, const QByteArray& reply, Outcome read, const ReplyExpectation& expect) {
    const cmd::CommandInfo* command =
        request.size() < 3 ? nullptr : cmd::commandInfo(static_cast<quint8>(request[2]));
    // The reply code the command asks for, or -1 when it has none.
    const int code = command && command->replyCode ? int(*command->replyCode) : -1;
    const quint8 got = static_cast<quint8>(reply[2]);
    // A reply longer than its command's longest is no single frame: a frame sent twice, or a frame with bytes
    // after it. The check byte does not tell (the CRC over a frame and its own check byte is 0); the length
    // does.
    if (command && command->fullReplyBytes > 0 && reply.size() > command->fullReplyBytes && int(got) == code)
        return Fit::LongerThanItsCommand;
    if (read != Outcome::Decoded && read != Outcome::UnknownCode) return Fit::None;
    const std::vector<quint8>& also = expect.alsoAccepted;
    const bool wanted = int(got) == code || std::find(also.begin(), also.end(), got) != also.end();
    if (!wanted) return Fit::OtherCommand;
    return read == Outcome::Decoded ? Fit::Answers : Fit::Acknowledgement;
}

}  // namespace

ClassifiedReply classifyReply(const QByteArray& request, const QByteArray& reply, bool pollAnswerExpected) {
    ClassifiedReply c;
    if (reply.isEmpty()) return c;
    if (!isFramedReply(reply)) {
        c.outcome = Outcome::Unframed;
        if (pollAnswerExpected && reply.size() < kMaxPollAnswer) {
            c.value = device::PollAnswer{reply};
            c.outcome = Outcome::Decoded;
            c.fit = Fit::Answers;
        }
        c.answerOutcome = c.outcome;
        c.answerValue = c.value;
        return c;
    }
    const ReplyExpectation expect = expectationOf(request);
    const Reply r(reply);
    c.value = device::decodeReply(r);
    const bool checkOk = static_cast<quint8>(reply.back()) == crc8(r.data().bytes());
    std::optional<quint8> asked;  // the address the answer must come from; any for the network poll
    if (request.size() >= 2) asked = expect.answerFrom ? *expect.answerFrom : static_cast<quint8>(request[1]);
    const bool fromAsked = !asked || *asked == kPollAddress || *asked == static_cast<quint8>(reply[1]);
    if (reply.size() >= kMaxTracedReply)
        c.outcome = Outcome::TooLong;
    else if (!checkOk)
        c.outcome = Outcome::WrongCheckByte;
    else if (!fromAsked)
        c.outcome = Outcome::OtherAddress;
    else if (!c.value)
        c.outcome = Outcome::UnknownCode;
    else
        c.outcome = Outcome::Decoded;

    c.fit = fitOf(request, reply, c.outcome, expect);
    c.answerOutcome = c.outcome;
    c.answerValue = c.value;
    switch (c.fit) {
        case Fit::LongerThanItsCommand:
            c.answerOutcome = Outcome::TooLong;
            c.answerValue.reset();
            break;
        case Fit::OtherCommand:
            c.answerOutcome = Outcome::OtherCode;
            break;
        case Fit::Acknowledgement:
            c.outcome = c.answerOutcome = Outcome::Decoded;
            c.value = c.answerValue = device::Acknowledgement{static_cast<quint8>(reply[2])};
            break;
        case Fit::None:
        case Fit::Answers:
            break;
    }
    return c;
}

}  // namespace kestrel
