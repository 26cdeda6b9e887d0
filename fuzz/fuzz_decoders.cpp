// One decoder family of the device layer (KESTREL_FUZZ_CODES, set per target by CMake): the input becomes a
// framed reply of one of the family's codes, with a correct check byte so the decoder itself is reached
// (or, when the first byte's top bit is set, the bytes as they came), judged as the window and the client
// judge replies, decoded, and described for the log. The poll family takes the bytes as the answer to a
// bus search instead.
#include <cstddef>
#include <cstdint>

#include "device/values.h"
#include "exchange/classify.h"
#include "protocol/frame.h"
#include "protocol/reply.h"

namespace {
constexpr quint8 kCodes[] = {KESTREL_FUZZ_CODES};
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kestrel;
    if (size < 2) return 0;
    const bool raw = data[0] & 0x80;
    [[maybe_unused]] const quint8 code = kCodes[(data[0] & 0x7F) % sizeof(kCodes)];
    const quint8 address = data[1];
    const QByteArray body(reinterpret_cast<const char*>(data + 2), static_cast<qsizetype>(size - 2));
#ifdef KESTREL_FUZZ_POLL
    const QByteArray request = withCheckByte(QByteArray::fromHex("31FFDC"));
    const QByteArray reply = raw ? body : QByteArray(1, char(address)) + body;
    Transaction t;
    t.request = request;
    t.reply = reply;
    const ClassifiedReply c = classifyReply(request, reply, true);
    t.outcome = c.outcome;
    t.value = c.value;
    for (const bool allowLong : {false, true}) {
        if (const auto found = pollAddresses(t, allowLong)) {
            if (found->isEmpty() || found->size() > reply.size()) __builtin_trap();
        }
    }
#else
    QByteArray reply = QByteArray(1, char(kReplyStart)) + char(address) + char(code) + body;
    if (!raw) reply = withCheckByte(reply);
    const QByteArray request = withCheckByte(QByteArray(1, char(kRequestStart)) + char(address) + char(code));
    const ClassifiedReply c = classifyReply(request, reply, false);
    if (c.outcome == Outcome::Decoded && !c.value) __builtin_trap();
    if (const auto value = device::decodeReply(Reply(reply))) {
        if (device::describe(*value).isEmpty()) __builtin_trap();
    }
#endif
    return 0;
}
