#pragma once
// The texts the tool shows about devices, exactly as users see them: refusals of typed input and the
// status line after each reply. The window and any other client use these same texts.

#include <QString>

namespace kestrel::text {

// Refusals of typed input.
inline const QString kNoListedAddress = QStringLiteral("Установите существующий сетевой адрес");
inline const QString kSerialRange = QStringLiteral("Введите число в диапазоне 0....2 000 000");
inline const QString kAddressRange = QStringLiteral("Введите число в диапазоне 0....200");
inline const QString kCellRange = QStringLiteral("номер ячейки должен быть от 1 до10");
inline const QString kError = QStringLiteral("error");
inline const QString kModeRange = QStringLiteral("Установите номер режима в диапазоне 1...9");
inline const QString kWrongData = QStringLiteral("Введены ошибочные данные");
inline const QString kIdNotDecimal = QStringLiteral("Идентификатор не является десятичным числом");
inline const QString kPowerRange =
    QStringLiteral("Установите значение мощности в диапазоне -125 ... 125 дбм");
inline const QString kPeriodZero = QStringLiteral("Значение периода не может быть нулевым");

// The questions before a calibration, which overwrites the level mark the reader keeps.
inline const QString kCalibrateUpperQuestion =
    QStringLiteral("Сейчас будет произведена перекалибровка верхнего уровня. Вы уверены что это нужно?");
inline const QString kCalibrateLowerQuestion =
    QStringLiteral("Сейчас будет произведена перекалибровка нижнего уровня. Вы уверены что это нужно?");

// The status line after a reply.
inline const QString kSettingsReceived = QStringLiteral("Приняты данные");
inline const QString kResetDelayReceived = QStringLiteral("Приняты доп. параметры считывателя");
inline const QString kNetAddressSet = QStringLiteral(" Установлен сетевой номер.");
inline const QString kSerialSet = QStringLiteral("Установлен серийный номер.");
inline const QString kUpperLevelSet = QStringLiteral(" Установлен верхний уровень.");
inline const QString kLowerLevelSet = QStringLiteral(" Установлен нижний уровень.");
inline const QString kModeSet = QStringLiteral(" Установлен новый режим.");
inline const QString kAveragingSet = QStringLiteral(" Установлено кол. усреднение.");
inline const QString kAveragingCleared = QStringLiteral(" Снято усреднение.");
inline const QString kInversionChanged = QStringLiteral("Изменена инверсия.");
inline const QString kLampFrequencyChanged = QStringLiteral("Изменено состояние лампа/частота.");
inline const QString kTagPing = QStringLiteral("Был ПИНГ.");
inline const QString kTagDataRead = QStringLiteral("Считаны данные.");
inline const QString kTagWritten = QStringLiteral("Считаны параметры метки.");
inline const QString kBridgeData = QStringLiteral("Приняты данные моста");
inline const QString kNetworkPolled = QStringLiteral("Произошел опрос сети.");

}  // namespace kestrel::text
