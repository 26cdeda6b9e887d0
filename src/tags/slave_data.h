#pragma once
// Bridge slave data: the two request buttons (slave data 0xE8, RS485 value 0x06) and their decoders,
// which fill the read-outs of the tab "мост".

#include <QObject>

#include "protocol/reply.h"
#include "ui/feature.h"

namespace kestrel {

inline constexpr quint8 kSlaveContactClosed = 0xCD;

class SlaveData : public QObject {
    Q_OBJECT
public:
    explicit SlaveData(FeatureContext& ctx);
    // Replaces the pending request with a bare request of `code` for the selected address.
    void request(quint8 code);
    void decodeData(const Reply& reply);
    void decodeRs485(const Reply& reply);

private:
    FeatureContext& ctx_;
};

// Sixteenths of a degree as decimal text with the fraction where there is one, written with
// `decimalPoint`: 0x0190 -> "25", 0x0198 -> "25.5".
QString sixteenthsText(quint16 sixteenths, const QString& decimalPoint);

}  // namespace kestrel
