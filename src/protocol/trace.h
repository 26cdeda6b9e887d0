#pragma once
// Texts of the traffic trace: hex forms of requests and replies and the printable form of bytes.

#include <QByteArray>
#include <QString>
#include <optional>

namespace kestrel {

inline const QString kLineBreak = QStringLiteral("\r\n");

// A byte in upper-case hexadecimal without leading zeros: 5, F0, 0.
QString hexByte(quint8 b);

// Each byte's hex form followed by `separator`: "31 5 F0 FE " for separator " ".
QString hexDump(const QByteArray& bytes, QChar separator);

// The request being written, as the request box shows it: 31_5_F0_FE_.
QString requestBoxText(const QByteArray& request);

// The printable form: "]" -> <ACK>, "[" -> <NAK>, 13 -> <CR>, 10 -> <LF>, other bytes below "0" -> "@",
// everything else the character itself (bytes from 0x80 up as their Latin-1 character).
QString printableText(const QByteArray& bytes);

// A built request as the trace box shows it: hex dump, two line breaks, printable form.
QString requestTraceText(const QByteArray& bytes);

// A received reply as the trace box shows it: the hex dump, the check computed over all but the last
// byte, two line breaks, the printable form and, with no separator, the check byte of the poll that the
// same tick built ("0" when it built none).
QString replyTraceText(const QByteArray& reply, std::optional<quint8> pollCheck);

}  // namespace kestrel
