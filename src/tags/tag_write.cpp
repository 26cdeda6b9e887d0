#include "tags/tag_write.h"

#include "protocol/crc.h"
#include "protocol/hexid.h"
#include "protocol/numinput.h"
#include "tags/tag_texts.h"

namespace kestrel {

namespace {

constexpr qint64 kInt32Min = -2147483647LL - 1;
constexpr qint64 kInt32Max = 2147483647LL;
constexpr qint64 kUint32Max = 4294967295LL;

TagWriteRequest refuse(const QString& message) { return TagWriteRequest{{}, message}; }

void appendBe16(QByteArray& out, quint16 v) {
    out += char(v >> 8);
    out += char(v & 0xFF);
}

}  // namespace

TagWriteRequest buildTagWrite(const TagWriteTexts& t) {
    // The mode first: a number from 1 to 9 (whatever the tool tip says).
    const NumberResult mode = parseWholeNumber(t.mode, 1, 9);
    if (!mode.ok()) return refuse(kMsgModeRange);
    if (!t.address) return refuse(kMsgNoListedAddress);

    // Serial, delay and power must at least be whole numbers; the serial is the current tag's
    // unsigned 32-bit number.
    const NumberResult serial = parseWholeNumber(t.serial, 0, kUint32Max);
    const NumberResult delay = parseWholeNumber(t.delay, kInt32Min, kInt32Max);
    const NumberResult power = parseWholeNumber(t.power, kInt32Min, kInt32Max);
    if (!serial.ok() || !delay.ok() || !power.ok()) return refuse(kMsgWrongData);

    QByteArray frame;
    frame += char(kRequestStart);
    frame += char(*t.address);
    frame += char(kCmdTagWrite);
    frame += char(kTagWriteDataCount);
    frame += Long_to_string(static_cast<quint32>(serial.value));

    // Identifier: an unsigned 32-bit number, typed in decimal or hexadecimal.
    if (t.identifierOverride) {
        frame += Long_to_string(*t.identifierOverride);
    } else if (!t.hexIdentifier) {
        const QString idText = t.identifier.trimmed();
        if (!isNumberText(idText)) return refuse(kMsgIdNotDecimal);
        const NumberResult id = parseWholeNumber(idText, 0, kUint32Max);
        if (!id.ok()) return refuse(kMsgWrongData);
        frame += Long_to_string(static_cast<quint32>(id.value));
    } else {
        const HexIdResult id = ParseHexId(t.identifier);
        if (!id.ok()) return refuse(id.message());
        frame += id.bytes;
    }

    // The delay travels in two bytes: values that do not fit are refused, never cut.
    if (delay.value < 0 || delay.value > 65535) return refuse(kMsgWrongData);
    appendBe16(frame, static_cast<quint16>(delay.value));
    frame += char(mode.value);

    if (power.value < -125 || power.value > 125) return refuse(kMsgPowerRange);
    frame += char(static_cast<quint8>(power.value < 0 ? power.value + 256 : power.value));

    const NumberResult period = parseWholeNumber(t.period, -32768, 32767);
    if (!period.ok()) return refuse(kMsgWrongData);
    if (period.value == 0) return refuse(kMsgPeriodZero);
    if (period.value < 0) return refuse(kMsgWrongData);
    appendBe16(frame, static_cast<quint16>(period.value));

    return TagWriteRequest{Control_summ(frame), {}};
}

}  // namespace kestrel
