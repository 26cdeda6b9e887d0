#include "exchange/classify.h"

#include "protocol/frame.h"
#include "protocol/reply.h"

namespace kestrel {

bool isFramedReply(const QByteArray& reply) {
    return reply.size() >= 4 && static_cast<quint8>(reply[0]) == kReplyStart;
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
