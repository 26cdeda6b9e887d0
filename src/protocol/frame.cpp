#include "protocol/frame.h"

namespace kestrel {

namespace {
// The check code contributed by each set bit of (data XOR running check).
constexpr quint8 kBitTerms[8] = {0x5E, 0xBC, 0x61, 0xC2, 0x9D, 0x23, 0x46, 0x8C};
}  // namespace

quint8 crc(quint8 data, quint8& running) {
    const quint8 x = data ^ running;
    quint8 result = 0;
    for (int bit = 0; bit < 8; ++bit) {
        if (x & (1u << bit)) result ^= kBitTerms[bit];
    }
    running = result;
    return result;
}

quint8 crc8(const QByteArray& bytes) {
    quint8 running = 0;
    for (char c : bytes) crc(static_cast<quint8>(c), running);
    return running;
}

QByteArray withCheckByte(const QByteArray& bytes) {
    QByteArray out = bytes;
    out.append(static_cast<char>(crc8(bytes)));
    return out;
}

QByteArray buildRequest(quint8 address, quint8 command, const QByteArray& data) {
    QByteArray frame;
    frame.append(static_cast<char>(kRequestStart));
    frame.append(static_cast<char>(address));
    frame.append(static_cast<char>(command));
    frame.append(data);
    return withCheckByte(frame);
}

QByteArray bigEndian32(quint32 num) {
    QByteArray out(4, '\0');
    for (int i = 3; i >= 0; --i) {
        out[i] = static_cast<char>(num % 256);
        num /= 256;
    }
    return out;
}

QByteArray networkPollRequest() {
    QByteArray frame;
    frame.append(static_cast<char>(kRequestStart));
    frame.append(static_cast<char>(kPollAddress));
    return withCheckByte(frame);
}

}  // namespace kestrel
