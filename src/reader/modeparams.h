#pragma once
// The reader's operating mode (button `Set_mode`) and radio parameters (button `param`), and the
// acknowledgements of mode changes.

#include <QObject>

#include "protocol/reply.h"
#include "ui/feature.h"

namespace kestrel {

inline constexpr quint8 kCmdSetMode = 0xF2;
inline constexpr quint8 kCmdSetRadioParams = 0xF4;
inline constexpr quint8 kCmdAveragingSet = 0xF8;
inline constexpr quint8 kCmdAveragingCleared = 0xF3;
inline constexpr quint8 kCmdInversionChanged = 0xFD;
inline constexpr quint8 kCmdLampFrequencyChanged = 0x00;

inline constexpr quint8 kModeMaster = 0x80;         // "Мастер"
inline constexpr quint8 kModeFrequencyOut = 0x40;   // "Частотный выход"

class ModeParams : public QObject {
    Q_OBJECT
public:
    explicit ModeParams(FeatureContext& ctx);
    // The mode byte the option and check boxes stand for.
    quint8 modeByte() const;
    void Set_mode_Click();
    void param_Click();
    void decodeModeSet(const Reply& reply);

private:
    FeatureContext& ctx_;
};

}  // namespace kestrel
