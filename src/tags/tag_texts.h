#pragma once
// The messages and status texts of the tag and bridge-slave commands, exactly as the user sees them.

#include <QString>

#include "ui/feature.h"

namespace kestrel {

inline const QString kMsgTagPing = QStringLiteral("Был ПИНГ.");
inline const QString kMsgTagDataRead = QStringLiteral("Считаны данные.");
inline const QString kMsgTagParamsAck = QStringLiteral("Считаны параметры метки.");
inline const QString kMsgBridgeData = QStringLiteral("Приняты данные моста");

inline const QString kMsgModeRange = QStringLiteral("Установите номер режима в диапазоне 1...9");
inline const QString kMsgWrongData = QStringLiteral("Введены ошибочные данные");
inline const QString kMsgIdNotDecimal = QStringLiteral("Идентификатор не является десятичным числом");
inline const QString kMsgPowerRange = QStringLiteral("Установите значение мощности в диапазоне -125 ... 125 дбм");
inline const QString kMsgPeriodZero = QStringLiteral("Значение периода не может быть нулевым");

inline const QString kPromptTagSerial = QStringLiteral("Введите серийный номер метки");
inline const QString kTitleTagSerial = QStringLiteral("Ввод серийного номера метки");
inline const QString kPromptTagIdent = QStringLiteral("Введите ID номер метки");
inline const QString kTitleTagIdent = QStringLiteral("Ввод ID номера метки");

}  // namespace kestrel
