#pragma once
// One exchange as the cycle reports it: the request written, the reply read for it, when the reply's
// bytes reached the port, what the reply was and what it meant.

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <optional>

#include "device/values.h"

namespace kestrel {

enum class Outcome {
    Decoded,         // a reply the device layer understood
    NoReply,         // nothing came
    WrongCheckByte,  // a framed reply whose check byte does not match
    Unframed,        // bytes that are no reply (no ">" first, or fewer than 4)
    OtherAddress,    // a reply from another address than the one asked
    TooLong,      // longer than any reply of the bus (for the command-line client: than its command's reply)
    UnknownCode,  // a framed reply with a code no decoder knows
    OtherCode,    // a reply to another command than the one asked (judged by the command-line client)
};

// How a good frame stands to the request it was read for, as the one judge of replies finds it (classify.h).
enum class Fit {
    None,                  // no reply, or one that failed by its own bytes (the outcome says how)
    Answers,               // decoded, with the request's reply code or one also accepted
    Acknowledgement,       // the request's reply code (or one also accepted) on a frame no decoder reads
    OtherCommand,          // the reply code of another command than the one asked
    LongerThanItsCommand,  // the request's reply code, longer than its command's longest reply (a frame sent
                           // twice, or bytes after a frame: the check byte does not tell)
};

// Stable English key of an outcome: "decoded", "no-reply", "bad-crc", "unframed", "other-address",
// "too-long", "unknown-code", "other-code".
QString outcomeKey(Outcome outcome);

struct Transaction {
    QDateTime writtenAt;    // wall-clock time (UTC) the request was written; invalid when nothing was written
    qint64 writtenMs = -1;  // the same moment on the cycle's monotonic clock
    QByteArray request;
    QByteArray reply;
    qint64 firstByteMs = -1;  // when the reply's first and last bytes reached the port (monotonic clock)
    qint64 lastByteMs = -1;
    Outcome outcome = Outcome::NoReply;
    std::optional<device::DeviceValue> value;
    Fit fit = Fit::None;  // the same in the window and the client, whichever outcome each takes
    // The echo of the request came first and was taken off: `reply` holds what followed it (echo.h).
    bool echoRemoved = false;

    // From the end of the write to the reply's first byte.
    std::optional<qint64> replyTimeMs() const {
        if (writtenMs < 0 || firstByteMs < 0) return std::nullopt;
        return firstByteMs - writtenMs;
    }
};

}  // namespace kestrel
