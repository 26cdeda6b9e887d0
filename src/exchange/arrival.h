#pragma once
// When a reply being read is over: the one rule of the window's read window and the client's transactor.
// A framed reply is complete at its command's full length, and any reply at the longest length its reader
// takes; otherwise a reply ends when the line has been silent for a while after its last byte. A frame whose
// check byte does not add up yet (a pause inside a reply) may go on until the wait's limit, where the reader
// asks for that. Nothing by the limit is no reply.
//
// An echo of the request in front of the reply (echo.h) is no part of it: an echo whole and nothing after it
// waits for the reply as if nothing had come, and the reply's lengths are counted after the echo.

#include <QByteArray>
#include <QtGlobal>

#include "exchange/echo.h"

namespace kestrel {

struct ArrivalRule {
    // A reply ends this long after its last byte.
    int silenceMs = 20;
    // The wait for a first byte, and for an unfinished frame's rest, ends this long after it began.
    int limitMs = 256;
    // A framed reply this long is complete; 0: open length (it ends with the silence).
    int fullReplyBytes = 0;
    // Any reply this long is complete.
    int longestBytes = 50;
    // A frame whose check byte does not add up yet waits for its rest until the limit.
    bool unfinishedFrameWaits = false;
    // The request whose echo may come first, and how an echo is told (none without a request).
    QByteArray echoOf;
    EchoMode echo = EchoMode::Auto;

    // The moment (on the reader's clock, in ms) the wait for the reply ends, with `read` read so far: the
    // wait began at `startMs`, and the last byte so far came at `lastByteMs`. A complete reply ends at its
    // last byte, that is at once.
    qint64 endsAt(const QByteArray& read, qint64 startMs, qint64 lastByteMs) const;
};

}  // namespace kestrel
