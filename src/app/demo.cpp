#include "app/demo.h"

#include "sim/ptyhost.h"

namespace kestrel {

std::unique_ptr<sim::PtyHost> startDemoBus(QString* error) {
    auto host = std::make_unique<sim::PtyHost>();
    if (!host->start(error)) return nullptr;
    return host;
}

}  // namespace kestrel
