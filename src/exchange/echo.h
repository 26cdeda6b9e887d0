#pragma once
// The local echo of a request: adapters whose receiver stays on while they send hand every byte written
// back to the reader, in front of the device's reply. The echo is taken off what was read before the reply
// is judged, in the window's cycle and the client's transactor alike, and the transaction says so.
//
// Modes:
//  - auto (the default): what was read starts with exactly the bytes written, whole, is an echo; anything
//    else (one byte changed, only a part of the request) is not, and the reply is judged as it came;
//  - on: the first as many bytes as were written are the echo, whatever they are (an adapter known to echo,
//    on a line that may spoil a byte of it); fewer bytes than that are all echo;
//  - off: nothing is ever taken off.

#include <QByteArray>
#include <QString>
#include <optional>

namespace kestrel {

struct Transaction;

enum class EchoMode { Auto, On, Off };

// "auto", "on", "off".
QString echoModeKey(EchoMode mode);
std::optional<EchoMode> echoModeFromKey(const QString& key);

// How many bytes at the start of `read` are the echo of `request` under `mode`: 0 when there is none.
qsizetype echoLength(const QByteArray& request, const QByteArray& read, EchoMode mode);

// True while `read` may still be the start of the echo of `request` under `mode`: a reply then cannot have
// begun yet.
bool echoIncomplete(const QByteArray& request, const QByteArray& read, EchoMode mode);

// Takes the echo of `t.request` off the front of `t.reply` and sets `t.echoRemoved`; the rest is the reply
// to judge.
void removeEcho(Transaction& t, EchoMode mode);

}  // namespace kestrel
