#pragma once
// The demonstration set-up: a simulated bus served on a pseudo-terminal inside the program.

#include <QString>
#include <memory>

namespace kestrel::sim {
class PtyHost;
}

namespace kestrel {

// Starts the simulated bus; the host is returned with its port path, or nothing with `error` set.
std::unique_ptr<sim::PtyHost> startDemoBus(QString* error);

}  // namespace kestrel
