#include "device/commands.h"

#include "protocol/trace.h"

namespace kestrel::cmd {

const std::vector<CommandInfo>& commandTable() {
    static const std::vector<CommandInfo> table = {
        {kCurrentParams, "current-params", "текущие параметры", kCurrentParams},
        {kIdentify, "identify", "идентификация", kIdentify},
        {kSetNetAddress, "set-address", "сетевой адрес", kSetNetAddress},
        {kSetSerial, "set-serial", "серийный номер", kSetSerial},
        {kCalibrateUpper, "calibrate-high", "верхний уровень", kCalibrateUpper},
        {kCalibrateLower, "calibrate-low", "нижний уровень", kCalibrateLower},
        {kSetMode, "set-mode", "режим", kSetMode},
        {kSetRadioParams, "set-radio", "параметры радио", kSetRadioParams},
        {kClearBoundIds, "clear-bound-ids", "очистка привязанных ID", kWriteBoundId},
        {kReadBoundIds, "read-bound-ids", "чтение привязанных ID", kWriteBoundId},
        {kWriteBoundId, "write-bound-id", "привязанные ID", kWriteBoundId},
        {kReadResetDelay, "read-reset-delay", "чтение задержки обнуления", kSetResetDelay},
        {kSetResetDelay, "set-reset-delay", "задержка обнуления", kSetResetDelay},
        {kTagQuery, "tag-query", "поиск метки", kTagQuery},
        {kTagRead, "tag-read", "чтение метки", kTagRead},
        {kTagWrite, "tag-write", "запись метки", kTagWrite},
        {kTagSetSerial, "tag-set-serial", "серийный номер метки", kTagSetSerial},
        {kBridgeData, "bridge-data", "данные моста", kBridgeData},
        {kBridgeRs485, "bridge-rs485", "RS485 моста", kBridgeRs485},
        {kAveragingSet, "averaging-set", "усреднение установлено", std::nullopt},
        {kAveragingCleared, "averaging-cleared", "усреднение снято", std::nullopt},
        {kInversionChanged, "inversion-changed", "инверсия", std::nullopt},
        {kLampFrequencyChanged, "lamp-frequency-changed", "лампа/частота", std::nullopt},
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
