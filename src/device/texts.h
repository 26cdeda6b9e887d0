#pragma once
// The texts the tool shows about devices, exactly as users see them: refusals of typed input and the
// status line after each reply. The window and any other client use these same texts.

#include <QString>

#include "protocol/translation.h"

namespace kestrel::text {

// Refusals of typed input.
inline QString noListedAddress() {
    return Texts::tr("Установите существующий сетевой адрес");
}
inline QString serialRange() {
    return Texts::tr("Введите число в диапазоне 0....2 000 000");
}
inline QString addressRange() {
    return Texts::tr("Введите число в диапазоне 0....200");
}
inline QString cellRange() {
    return Texts::tr("номер ячейки должен быть от 1 до10");
}
inline const QString kError = QStringLiteral("error");
inline QString modeRange() {
    return Texts::tr("Установите номер режима в диапазоне 1...9");
}
inline QString wrongData() {
    return Texts::tr("Введены ошибочные данные");
}
inline QString idNotDecimal() {
    return Texts::tr("Идентификатор не является десятичным числом");
}
inline QString powerRange() {
    return Texts::tr("Установите значение мощности в диапазоне -125 ... 125 дбм");
}
inline QString periodZero() {
    return Texts::tr("Значение периода не может быть нулевым");
}

// The questions before a calibration, which overwrites the level mark the reader keeps.
inline QString calibrateUpperQuestion() {
    return Texts::tr("Сейчас будет произведена перекалибровка верхнего уровня. Вы уверены что это нужно?");
}
inline QString calibrateLowerQuestion() {
    return Texts::tr("Сейчас будет произведена перекалибровка нижнего уровня. Вы уверены что это нужно?");
}

// The status line after a reply.
inline QString settingsReceived() {
    return Texts::tr("Приняты данные");
}
inline QString resetDelayReceived() {
    return Texts::tr("Приняты доп. параметры считывателя");
}
inline QString netAddressSet() {
    return Texts::tr(" Установлен сетевой номер.");
}
inline QString serialSet() {
    return Texts::tr("Установлен серийный номер.");
}
inline QString upperLevelSet() {
    return Texts::tr(" Установлен верхний уровень.");
}
inline QString lowerLevelSet() {
    return Texts::tr(" Установлен нижний уровень.");
}
inline QString modeSet() {
    return Texts::tr(" Установлен новый режим.");
}
inline QString averagingSet() {
    return Texts::tr(" Установлено кол. усреднение.");
}
inline QString averagingCleared() {
    return Texts::tr(" Снято усреднение.");
}
inline QString inversionChanged() {
    return Texts::tr("Изменена инверсия.");
}
inline QString lampFrequencyChanged() {
    return Texts::tr("Изменено состояние лампа/частота.");
}
inline QString tagPing() {
    return Texts::tr("Был ПИНГ.");
}
inline QString tagDataRead() {
    return Texts::tr("Считаны данные.");
}
inline QString tagWritten() {
    return Texts::tr("Считаны параметры метки.");
}
inline QString bridgeData() {
    return Texts::tr("Приняты данные моста");
}
inline QString networkPolled() {
    return Texts::tr("Произошел опрос сети.");
}

// A write as the traffic log and the status bar tell it, `what` being what it writes (cmd::writtenTitle):
// confirmed by the device's reply, or left without one.
inline QString written(const QString& what) {
    return Texts::tr("записано: %1").arg(what);
}
inline QString writeNotConfirmed(const QString& what) {
    return Texts::tr("нет подтверждения записи: %1").arg(what);
}

}  // namespace kestrel::text
