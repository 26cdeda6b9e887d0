// A site's plan as any bytes: reading it never crashes, takes only values in their ranges, refuses with a
// line (never a partial plan), and a serial filled into a plan it took gives a file that reads back as the
// same plan with that serial.
#include <cstddef>
#include <cstdint>

#include "bus/plan.h"
#include "device/ranges.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kestrel;
    const QByteArray text(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const bus::Plan plan = bus::parsePlan(text, QStringLiteral("plan.csv"));
    if (!plan.ok()) {
        if (!plan.rows.empty()) __builtin_trap();
        return 0;
    }
    if (plan.rows.empty()) __builtin_trap();
    for (const bus::PlanRow& r : plan.rows) {
        if (r.address > device::range::kNetAddress.max) __builtin_trap();
        if (r.serial && *r.serial > device::range::kSerial.max) __builtin_trap();
        if (r.tags && r.tags->size() > 10) __builtin_trap();
    }
    const bus::PlanRow& first = plan.rows.front();
    const quint32 serial = 1999999;
    if (plan.rowOf(serial)) return 0;  // the serial is planned already: filling it in would be refused
    const bus::Plan back =
        bus::parsePlan(bus::planWithSerial(plan, first.address, serial), QStringLiteral("plan.csv"));
    if (!back.ok() || back.rows.size() != plan.rows.size()) __builtin_trap();
    for (std::size_t i = 0; i < plan.rows.size(); ++i) {
        const bus::PlanRow& a = plan.rows[i];
        const bus::PlanRow& b = back.rows[i];
        if (a.address != b.address || a.name != b.name || a.network != b.network || a.channel != b.channel ||
            a.power != b.power || a.mode != b.mode || a.tags != b.tags)
            __builtin_trap();
        if (b.serial != (i == 0 ? std::optional<quint32>(serial) : a.serial)) __builtin_trap();
    }
    return 0;
}
