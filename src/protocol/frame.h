#pragma once
// Request framing and the bus check code (Dallas/Maxim 1-Wire CRC-8).

#include <QByteArray>
#include <QtGlobal>

namespace kestrel {

inline constexpr quint8 kRequestStart = 0x31;  // "1"
inline constexpr quint8 kReplyStart = 0x3E;    // ">"
inline constexpr quint8 kPollAddress = 0xFF;   // network poll: 0xFF where the address stands

// One CRC step: folds `data` into `running` and returns the new check value.
quint8 crc(quint8 data, quint8& running);

// CRC-8 of a whole byte string, starting from 0.
quint8 crc8(const QByteArray& bytes);

// `bytes` followed by its CRC-8.
QByteArray withCheckByte(const QByteArray& bytes);

// A complete request: "1", address, command code, data, CRC-8.
QByteArray buildRequest(quint8 address, quint8 command, const QByteArray& data = {});

// A 32-bit value as 4 bytes, most significant first.
QByteArray bigEndian32(quint32 num);

// The network poll: 31 FF and its CRC (DC).
QByteArray networkPollRequest();

}  // namespace kestrel
