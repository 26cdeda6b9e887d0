// Typed text of any kind through the identifier and number conversions.
#include <cstddef>
#include <cstdint>

#include "protocol/hexid.h"
#include "protocol/numinput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const kestrel::HexIdResult id = kestrel::parseHexId(text);
    if (id.ok() && id.bytes.size() != 4) __builtin_trap();
    if (!id.ok() && !id.bytes.isEmpty()) __builtin_trap();
    const kestrel::NumberResult n = kestrel::parseWholeNumber(text, -2147483648LL, 4294967295LL);
    if (n.ok() && (n.value < -2147483648LL || n.value > 4294967295LL)) __builtin_trap();
    return 0;
}
