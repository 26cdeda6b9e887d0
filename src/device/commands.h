#pragma once
// The command codes of the bus: what the tool asks for (byte 3 of a request), what each command is
// called in logs and which reply code answers it (byte 3 of a reply), plus the codes that only ever come
// back as replies. The tool, the traffic log and the simulated bus all take their codes from here.

#include <QString>
#include <QtGlobal>
#include <optional>
#include <vector>

namespace kestrel::cmd {

// Reader and bus.
inline constexpr quint8 kCurrentParams = 0xF0;
inline constexpr quint8 kIdentify = 0xFC;
inline constexpr quint8 kSetNetAddress = 0xFB;
inline constexpr quint8 kSetSerial = 0xF6;
inline constexpr quint8 kCalibrateUpper = 0xF5;
inline constexpr quint8 kCalibrateLower = 0xFA;
inline constexpr quint8 kSetMode = 0xF2;
inline constexpr quint8 kSetRadioParams = 0xF4;
inline constexpr quint8 kClearBoundIds = 0xE9;
inline constexpr quint8 kReadBoundIds = 0xE7;
inline constexpr quint8 kWriteBoundId = 0xE6;  // also the reply that carries the whole table
inline constexpr quint8 kReadResetDelay = 0xF7;
inline constexpr quint8 kSetResetDelay = 0xF1;  // also the reply that carries the delay
// Tags, through the addressed reader.
inline constexpr quint8 kTagQuery = 0xE0;
inline constexpr quint8 kTagRead = 0xE3;
inline constexpr quint8 kTagWrite = 0xE1;
inline constexpr quint8 kTagSetSerial = 0xE2;
// The remote slave of a bridge reader.
inline constexpr quint8 kBridgeData = 0xE8;
inline constexpr quint8 kBridgeRs485 = 0x06;
// Replies a reader sends after a mode change, never asked for by a command of their own.
inline constexpr quint8 kAveragingSet = 0xF8;
inline constexpr quint8 kAveragingCleared = 0xF3;
inline constexpr quint8 kInversionChanged = 0xFD;
inline constexpr quint8 kLampFrequencyChanged = 0x00;

// The tag identifier any tag in range answers to ("zzzz").
inline constexpr quint32 kAnyTag = 0x7A7A7A7A;

struct CommandInfo {
    quint8 code;
    const char* key;                  // stable English name: "current-params"
    const char* title;                // Russian name for logs (UTF-8): "текущие параметры"
    std::optional<quint8> replyCode;  // none for a code that is only a reply
    // The length of the longest reply to this command, check byte included: a reply that long is
    // complete. 0 where the length is open (the reply ends with the line's silence).
    int fullReplyBytes;
    // For a command that changes the device, what it writes (Russian, UTF-8): "параметры радио"; its reply
    // confirms the write. Null for a command that only reads.
    const char* written;
};

// Every code of the bus, requests first.
const std::vector<CommandInfo>& commandTable();
// The entry of `code`, or nothing for an unknown code.
const CommandInfo* commandInfo(quint8 code);
// "текущие параметры (F0)", or "код 7B" for an unknown code.
QString commandTitle(quint8 code);
// What the command `code` writes, translated: "параметры радио"; empty for a command that writes nothing.
QString writtenTitle(quint8 code);

}  // namespace kestrel::cmd
