#pragma once
// Identity writes to the current tag: a new serial number (0xE2) and a new identification number
// (written with the tag parameter write, the other values taken from the frame "Параметры метки").

#include <QObject>

#include "ui/feature.h"

namespace kestrel {

inline constexpr quint8 kCmdTagSerial = 0xE2;
inline constexpr qint64 kTagNumberMax = 2000000;

class TagIdentity : public QObject {
    Q_OBJECT
public:
    explicit TagIdentity(FeatureContext& ctx);
    void InstSN_Click();
    void Set_ident_Click();

private:
    FeatureContext& ctx_;
};

}  // namespace kestrel
