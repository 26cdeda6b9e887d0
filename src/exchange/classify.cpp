#include "exchange/classify.h"

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

ClassifiedReply classifyReply(const QByteArray& request, const QByteArray& reply, bool pollAnswerExpected) {
    ClassifiedReply c;
    if (reply.isEmpty()) return c;
    if (!isFramedReply(reply)) {
        c.outcome = Outcome::Unframed;
        if (pollAnswerExpected && reply.size() < kMaxPollAnswer) {
            c.value = device::PollAnswer{reply};
            c.outcome = Outcome::Decoded;
        }
        return c;
    }
    const Reply r(reply);
    c.value = device::decodeReply(r);
    const bool checkOk = static_cast<quint8>(reply.back()) == crc8(r.data().bytes());
    const bool fromAsked =
        request.size() < 2 || static_cast<quint8>(request[1]) == kPollAddress || request[1] == reply[1];
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
    return c;
}

}  // namespace kestrel
