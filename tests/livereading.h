#pragma once
// A reader's live values as a test writes them: level, temperature (the state byte) and current.

#include <optional>

#include "device/values.h"

namespace kestrel::test {

inline device::LiveReading reading(std::optional<quint16> level, std::optional<qint8> temperature,
                                   quint32 current) {
    device::LiveReading r;
    r.level = level;
    if (temperature) r.stateByte = static_cast<quint8>(*temperature);
    r.current = current;
    return r;
}

}  // namespace kestrel::test
