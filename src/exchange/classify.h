#pragma once
// What a reply read for a request was: decoded, or which way it failed. The window's cycle and the
// command-line client's transactor both judge replies here, so a reply means the same in both.

#include <QByteArray>
#include <optional>

#include "exchange/transaction.h"

namespace kestrel {

inline constexpr int kMaxTracedReply = 50;  // replies this long are longer than any of the bus
inline constexpr int kMaxPollAnswer = 20;   // network-poll answers this long or longer are noise

struct ClassifiedReply {
    Outcome outcome = Outcome::NoReply;
    std::optional<device::DeviceValue> value;
};

// True for a reply that starts with ">" and holds at least the start, address, code and check byte.
bool isFramedReply(const QByteArray& reply);

// The addresses a network poll's answer lists. The window's rule takes unframed answers shorter than
// kMaxPollAnswer and drops longer ones as noise; a bus of 20 readers or more answers with that many
// bytes, and a bus whose lowest reader is at 62 (">") with what looks like a frame, so with `allowLong`
// any other answer is taken when it reads as a bus: every byte an address a reader can be given
// (0..200), none twice. Nothing when the answer is no list of addresses.
std::optional<QByteArray> pollAddresses(const Transaction& poll, bool allowLong);

// Judges `reply` as the answer to `request`. With `pollAnswerExpected`, unframed bytes shorter than
// kMaxPollAnswer are the network poll's answer (the list of addresses that answered).
ClassifiedReply classifyReply(const QByteArray& request, const QByteArray& reply, bool pollAnswerExpected);

}  // namespace kestrel
