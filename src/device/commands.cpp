#include "device/commands.h"

#include "protocol/trace.h"
#include "protocol/translation.h"

namespace kestrel::cmd {

const std::vector<CommandInfo>& commandTable() {
    static const std::vector<CommandInfo> table = {
        {kCurrentParams, "current-params", QT_TRANSLATE_NOOP("Texts", "текущие параметры"), kCurrentParams,
         26, nullptr},
        {kIdentify, "identify", QT_TRANSLATE_NOOP("Texts", "идентификация"), kIdentify, 10, nullptr},
        {kSetNetAddress, "set-address", QT_TRANSLATE_NOOP("Texts", "сетевой адрес"), kSetNetAddress, 4,
         QT_TRANSLATE_NOOP("Texts", "сетевой адрес")},
        {kSetSerial, "set-serial", QT_TRANSLATE_NOOP("Texts", "серийный номер"), kSetSerial, 4,
         QT_TRANSLATE_NOOP("Texts", "серийный номер")},
        {kCalibrateUpper, "calibrate-high", QT_TRANSLATE_NOOP("Texts", "верхний уровень"), kCalibrateUpper, 4,
         QT_TRANSLATE_NOOP("Texts", "верхний уровень")},
        {kCalibrateLower, "calibrate-low", QT_TRANSLATE_NOOP("Texts", "нижний уровень"), kCalibrateLower, 4,
         QT_TRANSLATE_NOOP("Texts", "нижний уровень")},
        {kSetMode, "set-mode", QT_TRANSLATE_NOOP("Texts", "режим"), kSetMode, 5,
         QT_TRANSLATE_NOOP("Texts", "режим")},
        {kSetRadioParams, "set-radio", QT_TRANSLATE_NOOP("Texts", "параметры радио"), kSetRadioParams, 0,
         QT_TRANSLATE_NOOP("Texts", "параметры радио")},
        {kClearBoundIds, "clear-bound-ids", QT_TRANSLATE_NOOP("Texts", "очистка привязанных ID"),
         kWriteBoundId, 44, QT_TRANSLATE_NOOP("Texts", "очистка привязанных ID")},
        {kReadBoundIds, "read-bound-ids", QT_TRANSLATE_NOOP("Texts", "чтение привязанных ID"), kWriteBoundId,
         44, nullptr},
        {kWriteBoundId, "write-bound-id", QT_TRANSLATE_NOOP("Texts", "привязанные ID"), kWriteBoundId, 44,
         QT_TRANSLATE_NOOP("Texts", "привязанный ID")},
        {kReadResetDelay, "read-reset-delay", QT_TRANSLATE_NOOP("Texts", "чтение задержки обнуления"),
         kSetResetDelay, 6, nullptr},
        {kSetResetDelay, "set-reset-delay", QT_TRANSLATE_NOOP("Texts", "задержка обнуления"), kSetResetDelay,
         6, QT_TRANSLATE_NOOP("Texts", "задержка обнуления ID")},
        {kTagQuery, "tag-query", QT_TRANSLATE_NOOP("Texts", "поиск метки"), kTagQuery, 13, nullptr},
        {kTagRead, "tag-read", QT_TRANSLATE_NOOP("Texts", "чтение метки"), kTagRead, 20, nullptr},
        {kTagWrite, "tag-write", QT_TRANSLATE_NOOP("Texts", "запись метки"), kTagWrite, 0,
         QT_TRANSLATE_NOOP("Texts", "параметры метки")},
        {kTagSetSerial, "tag-set-serial", QT_TRANSLATE_NOOP("Texts", "серийный номер метки"), kTagSetSerial,
         0, QT_TRANSLATE_NOOP("Texts", "серийный номер метки")},
        {kBridgeData, "bridge-data", QT_TRANSLATE_NOOP("Texts", "данные моста"), kBridgeData, 14, nullptr},
        {kBridgeRs485, "bridge-rs485", QT_TRANSLATE_NOOP("Texts", "RS485 моста"), kBridgeRs485, 7, nullptr},
        {kAveragingSet, "averaging-set", QT_TRANSLATE_NOOP("Texts", "усреднение установлено"), std::nullopt,
         0, nullptr},
        {kAveragingCleared, "averaging-cleared", QT_TRANSLATE_NOOP("Texts", "усреднение снято"), std::nullopt,
         0, nullptr},
        {kInversionChanged, "inversion-changed", QT_TRANSLATE_NOOP("Texts", "инверсия"), std::nullopt, 0,
         nullptr},
        {kLampFrequencyChanged, "lamp-frequency-changed", QT_TRANSLATE_NOOP("Texts", "лампа/частота"),
         std::nullopt, 0, nullptr},
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
    if (!c) return Texts::tr("код ") + hexByte(code);
    return Texts::tr(c->title) + QStringLiteral(" (") + hexByte(code) + QLatin1Char(')');
}

QString writtenTitle(quint8 code) {
    const CommandInfo* c = commandInfo(code);
    return c && c->written ? Texts::tr(c->written) : QString();
}

}  // namespace kestrel::cmd
