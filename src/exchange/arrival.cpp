#include "exchange/arrival.h"

#include <algorithm>

#include "exchange/classify.h"
#include "protocol/frame.h"

namespace kestrel {

qint64 ArrivalRule::endsAt(const QByteArray& read, qint64 startMs, qint64 lastByteMs) const {
    const qint64 limit = startMs + limitMs;
    // In "on" mode bytes short of the echo's length are all echo; in "auto" a part of the request is judged
    // as any reply (it may be a device's own bytes), and only the whole echo is taken off.
    if (echo == EchoMode::On && echoIncomplete(echoOf, read, echo)) return limit;
    const QByteArray reply = read.mid(echoLength(echoOf, read, echo));
    if (reply.isEmpty()) return limit;
    const bool complete = (fullReplyBytes > 0 && isFramedReply(reply) && reply.size() >= fullReplyBytes) ||
                          reply.size() >= longestBytes;
    if (complete) return lastByteMs;
    const qint64 silent = lastByteMs + silenceMs;
    if (!unfinishedFrameWaits) return silent;
    // A whole frame, or bytes that are no frame, end with the line's silence.
    const bool unfinished =
        reply.startsWith(char(kReplyStart)) && static_cast<quint8>(reply.back()) != crc8(reply.chopped(1));
    return unfinished ? std::max(silent, limit) : silent;
}

}  // namespace kestrel
