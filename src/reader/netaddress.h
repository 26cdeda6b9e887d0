#pragma once
// A new network address (button `net`), a new serial number (button `Command1`), the identification
// reply (0xFC: serial number, firmware version, device type) and the two acknowledgements.

#include <QObject>

#include "protocol/reply.h"
#include "ui/feature.h"

namespace kestrel {

inline constexpr quint8 kCmdSetNetAddress = 0xFB;
inline constexpr quint8 kCmdSetSerial = 0xF6;

class NetAddress : public QObject {
    Q_OBJECT
public:
    explicit NetAddress(FeatureContext& ctx);
    void net_Click();
    void Command1_Click();
    void decodeIdentification(const Reply& reply);

private:
    FeatureContext& ctx_;
};

}  // namespace kestrel
