#include "device/commands.h"

#include "protocol/trace.h"

namespace kestrel::cmd {

const std::vector<CommandInfo>& commandTable() {
    static const std::vector<CommandInfo> table = {
        {kCurrentParams, "current-params", "текущие параметры", kCurrentParams, 26},
        {kIdentify, "identify", "идентификация", kIdentify, 10},
        {kSetNetAddress, "set-address", "сетевой адрес", kSetNetAddress, 4},
        {kSetSerial, "set-serial", "серийный номер", kSetSerial, 4},
        {kCalibrateUpper, "calibrate-high", "верхний уровень", kCalibrateUpper, 4},
        {kCalibrateLower, "calibrate-low", "нижний уровень", kCalibrateLower, 4},
        {kSetMode, "set-mode", "режим", kSetMode, 5},
        {kSetRadioParams, "set-radio", "параметры радио", kSetRadioParams, 0},
        {kClearBoundIds, "clear-bound-ids", "очистка привязанных ID", kWriteBoundId, 44},
        {kReadBoundIds, "read-bound-ids", "чтение привязанных ID", kWriteBoundId, 44},
        {kWriteBoundId, "write-bound-id", "привязанные ID", kWriteBoundId, 44},
        {kReadResetDelay, "read-reset-delay", "чтение задержки обнуления", kSetResetDelay, 6},
        {kSetResetDelay, "set-reset-delay", "задержка обнуления", kSetResetDelay, 6},
        {kTagQuery, "tag-query", "поиск метки", kTagQuery, 13},
        {kTagRead, "tag-read", "чтение метки", kTagRead, 20},
        {kTagWrite, "tag-write", "запись метки", kTagWrite, 0},
        {kTagSetSerial, "tag-set-serial", "серийный номер метки", kTagSetSerial, 0},
        {kBridgeData, "bridge-data", "данные моста", kBridgeData, 14},
        {kBridgeRs485, "bridge-rs485", "RS485 моста", kBridgeRs485, 7},
        {kAveragingSet, "averaging-set", "усреднение установлено", std::nullopt, 0},
        {kAveragingCleared, "averaging-cleared", "усреднение снято", std::nullopt, 0},
        {kInversionChanged, "inversion-changed", "инверсия", std::nullopt, 0},
        {kLampFrequencyChanged, "lamp-frequency-changed", "лампа/частота", std::nullopt, 0},
    };
    return table;
}

const CommandInfo* commandInfo(quint8 code) {
    for (const CommandInfo& c : commandTable())
        if (c.code == code) return &c;
    return nullptr;
}

QString commandTitle(quint8 code) {
    const CommandInfo* c = commandInfo(code);
    if (!c) return QStringLiteral("код ") + hexByte(code);
    return QString::fromUtf8(c->title) + QStringLiteral(" (") + hexByte(code) + QLatin1Char(')');
}

}  // namespace kestrel::cmd
