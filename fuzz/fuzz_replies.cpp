// Reply bytes of any length and content through the reply accessor, the device decoders and the trace texts.
#include <cstddef>
#include <cstdint>

#include "device/values.h"
#include "protocol/reply.h"
#include "protocol/trace.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const kestrel::Reply r(bytes);
    for (int pos = -1; pos <= r.size() + 5; ++pos) {
        (void)r.at(pos);
        (void)r.s8(pos);
        (void)r.u16le(pos);
        (void)r.u32be(pos);
    }
    (void)kestrel::replyTraceText(bytes, size ? std::optional<quint8>(data[0]) : std::nullopt);
    (void)kestrel::requestTraceText(bytes);
    if (const auto value = kestrel::device::decodeReply(r)) {
        if (kestrel::device::describe(*value).isEmpty()) __builtin_trap();
    }
    return 0;
}
