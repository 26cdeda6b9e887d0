// Request bytes of any kind into the simulated bus: it must never crash and always resynchronise.
#include <cstddef>
#include <cstdint>

#include "sim/bus.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static kestrel::sim::Bus bus = kestrel::sim::Bus::withDefaults();
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    (void)bus.feed(bytes);
    bus.advance(150);
    if (bus.readers().empty()) bus = kestrel::sim::Bus::withDefaults();
    return 0;
}
