#pragma once
// The reader's mode byte: the mode number in the low five bits, "master" and "frequency output" above.

#include <QtGlobal>
#include <array>
#include <optional>

namespace kestrel::device {

enum class ReaderMode : quint8 { Bridge = 0, Indicator = 1, Reader = 2, Repeater = 6, PoweredTag = 16 };

inline constexpr std::array<ReaderMode, 5> kReaderModes = {ReaderMode::Reader, ReaderMode::Indicator,
                                                           ReaderMode::PoweredTag, ReaderMode::Bridge,
                                                           ReaderMode::Repeater};
inline constexpr quint8 kModeMaster = 0x80;
inline constexpr quint8 kModeFrequencyOutput = 0x40;
inline constexpr quint8 kModeNumberMask = 0x1F;

inline quint8 modeByte(ReaderMode mode, bool master, bool frequencyOutput) {
    return static_cast<quint8>(static_cast<quint8>(mode) | (master ? kModeMaster : 0) |
                               (frequencyOutput ? kModeFrequencyOutput : 0));
}

// The mode a mode byte names; nothing for a number no reader uses.
inline std::optional<ReaderMode> modeOf(quint8 byte) {
    for (ReaderMode m : kReaderModes)
        if (static_cast<quint8>(m) == (byte & kModeNumberMask)) return m;
    return std::nullopt;
}

}  // namespace kestrel::device
