#pragma once
// The one judge of replies: what a reply read for a request was, decoded or which way it failed, and how it
// stands to the request. The window's cycle and the command-line client's transactor both judge here and
// get the same judgement; each then takes the reply as its own policy says, in one line:
// the window decodes every reply by position whatever its code (a reply to another command shows as that
// command's result), the client takes only the answer to its request.

#include <QByteArray>
#include <optional>
#include <vector>

#include "exchange/transaction.h"

namespace kestrel {

inline constexpr int kMaxTracedReply = 50;  // replies this long are longer than any of the bus
inline constexpr int kMaxPollAnswer = 20;   // network-poll answers this long or longer are noise

// What else a request's answer may be besides the reply of its own command from the addressed device.
struct ReplyExpectation {
    std::vector<quint8> alsoAccepted;  // reply codes taken besides the command's own
    std::optional<quint8> answerFrom;  // the address the answer comes from, when not the one asked
};

// What a request (its first frame) expects, told by its own bytes: a new network address is acknowledged
// from that address, a new mode also by one of the replies a mode change brings. Every user judges by it
// (classifyReply), so a write's acknowledgement means the same in the window, the client and the overview.
ReplyExpectation expectationOf(const QByteArray& request);

struct ClassifiedReply {
    // The reply by its own bytes (frame, check byte, address, a decoder that reads it), decoded by position
    // whatever its code.
    Outcome outcome = Outcome::NoReply;
    std::optional<device::DeviceValue> value;
    Fit fit = Fit::None;
    // The reply taken as the answer to the request: another command's reply is OtherCode, one longer than
    // its command's reply is TooLong and never decoded. An acknowledgement of the request (its reply code,
    // or one it also accepts, on a good frame from where the answer comes, that no decoder reads) is
    // decoded as an Acknowledgement both ways: read by its bytes it is the request's answer too.
    Outcome answerOutcome = Outcome::NoReply;
    std::optional<device::DeviceValue> answerValue;

    enum class Taken { AsRead, AsAnswer };
    // Puts the reply's outcome and value, as `taken`, and its fit into `t`.
    void recordIn(Transaction& t, Taken taken) const;
};

// True for a reply that starts with ">" and holds at least the start, address, code and check byte.
bool isFramedReply(const QByteArray& reply);

// The addresses a network poll's answer lists. The window's rule takes unframed answers shorter than
// kMaxPollAnswer and drops longer ones as noise; a bus of 20 readers or more answers with that many
// bytes, and a bus whose lowest reader is at 62 (">") with what looks like a frame, so with `allowLong`
// any other answer is taken when it reads as a bus: every byte an address a reader can be given
// (0..200), none twice. Nothing when the answer is no list of addresses.
std::optional<QByteArray> pollAddresses(const Transaction& poll, bool allowLong);

// Judges `reply` as the answer to `request` (its first frame, when it holds several), as the request
// expects (expectationOf). With `pollAnswerExpected`, unframed bytes shorter than kMaxPollAnswer are the
// network poll's answer (the list of addresses that answered).
ClassifiedReply classifyReply(const QByteArray& request, const QByteArray& reply, bool pollAnswerExpected);

// A request that changes the device (its first frame's command writes, cmd::CommandInfo::written) and
// whether the reply read for it confirms the change: the request's own reply or acknowledgement, from where
// the answer comes (the judge's fit). Nothing for a request that writes nothing.
struct WriteCheck {
    quint8 command = 0;
    bool confirmed = false;
};
std::optional<WriteCheck> writeCheckOf(const Transaction& t);

}  // namespace kestrel
