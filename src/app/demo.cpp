#include "app/demo.h"

#include "sim/ptyhost.h"

namespace kestrel {

std::unique_ptr<sim::PtyHost> startDemoBus(QString* error) {
    // Two readers: one at address 5, and one at address 0, the address the list starts with, so the
    // reader tab comes alive as soon as the port is opened. "Поиск считывателя" finds both.
    sim::Bus bus = sim::Bus::withDefaults();
    bus.addReader(sim::Bus::defaultReader(0, 1));
    auto host = std::make_unique<sim::PtyHost>(std::move(bus));
    if (!host->start(error)) return nullptr;
    return host;
}

}  // namespace kestrel
