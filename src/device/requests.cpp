#include "device/requests.h"

#include "device/commands.h"
#include "device/ranges.h"
#include "device/texts.h"
#include "protocol/frame.h"
#include "protocol/hexid.h"
#include "protocol/numinput.h"

namespace kestrel::device {

namespace {

constexpr qint64 kInt32Min = -2147483647LL - 1;
constexpr qint64 kInt32Max = 2147483647LL;
constexpr qint64 kUint32Max = 4294967295LL;
constexpr quint8 kTagWriteDataCount = 0x0E;  // data bytes after the count byte, before the check byte

Request refuse(Request::Refused what, const QString& message) {
    return Request{{}, message, what, {}};
}
Request noAddress() {
    return refuse(Request::Refused::Address, text::noListedAddress());
}
Request built(const QByteArray& frame, const Carried& values = {}) {
    return Request{frame, {}, Request::Refused::Nothing, values};
}
NumberResult parseIn(const QString& text, FieldRange r) {
    return parseWholeNumber(text, r.min, r.max);
}

QByteArray byte(qint64 v) {
    return QByteArray(1, static_cast<char>(v & 0xFF));
}
QByteArray bigEndian16(qint64 v) {
    return byte(v >> 8) + byte(v);
}

}  // namespace

QByteArray identifyRequest(quint8 address) {
    return buildRequest(address, cmd::kIdentify);
}
QByteArray currentParamsRequest(quint8 address) {
    return buildRequest(address, cmd::kCurrentParams);
}

QByteArray calibrateRequest(quint8 address, bool upper) {
    return buildRequest(address, upper ? cmd::kCalibrateUpper : cmd::kCalibrateLower);
}

QByteArray setModeRequest(quint8 address, quint8 modeByte) {
    return buildRequest(address, cmd::kSetMode, byte(modeByte));
}

QByteArray tagRequest(quint8 address, quint32 tagId, quint8 command) {
    return buildRequest(address, command, bigEndian32(tagId));
}

Request plainRequest(Address address, quint8 command) {
    if (!address) return noAddress();
    return built(buildRequest(*address, command));
}

Request setNetAddressRequest(Address address, const QString& newAddress) {
    if (!address) return noAddress();
    const NumberResult n = parseIn(newAddress, range::kNetAddress);
    if (!n.ok()) return refuse(Request::Refused::Value, text::addressRange());
    Carried v;
    v.newAddress = quint8(n.value);
    return built(buildRequest(*address, cmd::kSetNetAddress, byte(n.value)), v);
}

Request setSerialRequest(Address address, const QString& serial) {
    if (!address) return noAddress();
    const NumberResult n = parseIn(serial, range::kSerial);
    if (!n.ok()) return refuse(Request::Refused::Value, text::serialRange());
    Carried v;
    v.serial = quint32(n.value);
    return built(buildRequest(*address, cmd::kSetSerial, bigEndian32(*v.serial)), v);
}

Request setRadioParamsRequest(Address address, const RadioParams& params) {
    if (!address) return noAddress();
    const NumberResult network = parseIn(params.network, range::kNetwork);
    const NumberResult channel = parseIn(params.channel, range::kChannel);
    const NumberResult power = parseIn(params.power, range::kPower);
    if (!network.ok() || !channel.ok() || !power.ok()) return refuse(Request::Refused::Value, text::kError);
    Carried v;
    v.network = quint16(network.value);
    v.channel = quint8(channel.value);
    v.power = quint8(power.value);
    return built(buildRequest(*address, cmd::kSetRadioParams,
                              bigEndian16(network.value) + byte(channel.value) + byte(power.value)),
                 v);
}

Request writeBoundIdRequest(Address address, const QString& cell, const QString& id) {
    if (!address) return noAddress();
    const NumberResult n = parseIn(cell, range::kBoundIdCell);
    if (!n.ok()) return refuse(Request::Refused::Value, text::cellRange());
    const HexIdResult tag = parseHexId(id);
    if (!tag.ok()) return refuse(Request::Refused::Identifier, tag.message());
    Carried v;
    v.cell = quint8(n.value);
    v.identifier = tag.value();
    return built(buildRequest(*address, cmd::kWriteBoundId, byte(n.value - 1) + tag.bytes), v);
}

Request setResetDelayRequest(Address address, const QString& delay) {
    if (!address) return noAddress();
    const NumberResult n = parseIn(delay, range::kResetDelay);
    if (!n.ok()) return refuse(Request::Refused::Value, text::kError);
    Carried v;
    v.delay = quint16(n.value);
    return built(buildRequest(*address, cmd::kSetResetDelay, bigEndian16(n.value)), v);
}

Request tagReadRequest(Address address, const QString& currentId) {
    // Every 32-bit identifier can be asked for.
    const HexIdResult id = parseHexId(currentId);
    if (!id.ok()) return refuse(Request::Refused::Identifier, id.message());
    if (!address) return refuse(Request::Refused::Address, {});
    Carried v;
    v.identifier = id.value();
    return built(tagRequest(*address, id.value(), cmd::kTagRead), v);
}

Request tagSetSerialRequest(Address address, const QString& currentId, const QString& serial) {
    if (!address) return noAddress();
    const HexIdResult id = parseHexId(currentId);
    if (!id.ok()) return refuse(Request::Refused::Identifier, id.message());
    const NumberResult n = parseIn(serial, range::kSerial);
    if (!n.ok()) return refuse(Request::Refused::Value, text::serialRange());
    Carried v;
    v.identifier = id.value();
    v.serial = quint32(n.value);
    return built(buildRequest(*address, cmd::kTagSetSerial, id.bytes + bigEndian32(*v.serial)), v);
}

QByteArray tagWriteFields(const Carried& v) {
    return bigEndian32(v.identifier.value_or(0)) + bigEndian16(v.delay.value_or(0)) +
           byte(v.mode.value_or(0)) + byte(v.tagPower.value_or(0)) + bigEndian16(v.period.value_or(0));
}

namespace {

// The parameter write; `newId`, when given, is written as the identifier instead of the identifier text.
Request tagWrite(const TagWriteTexts& t, std::optional<quint32> newId) {
    using R = Request::Refused;
    // The mode first: a number from 1 to 9 (whatever the tool tip says).
    const NumberResult mode = parseIn(t.mode, range::kTagMode);
    if (!mode.ok()) return refuse(R::Value, text::modeRange());
    if (!t.address) return noAddress();

    // Serial, delay and power must at least be whole numbers; the serial is the current tag's unsigned
    // 32-bit number.
    const NumberResult serial = parseWholeNumber(t.serial, 0, kUint32Max);
    const NumberResult delay = parseWholeNumber(t.delay, kInt32Min, kInt32Max);
    const NumberResult power = parseWholeNumber(t.power, kInt32Min, kInt32Max);
    if (!serial.ok() || !delay.ok() || !power.ok()) return refuse(R::Value, text::wrongData());

    Carried v;
    v.serial = quint32(serial.value);
    // Identifier: an unsigned 32-bit number, typed in decimal or hexadecimal.
    if (newId) {
        v.identifier = *newId;
    } else if (!t.hexIdentifier) {
        const QString idText = t.identifier.trimmed();
        if (!isNumberText(idText)) return refuse(R::Identifier, text::idNotDecimal());
        const NumberResult id = parseWholeNumber(idText, 0, kUint32Max);
        if (!id.ok()) return refuse(R::Identifier, text::wrongData());
        v.identifier = quint32(id.value);
    } else {
        const HexIdResult id = parseHexId(t.identifier);
        if (!id.ok()) return refuse(R::Identifier, id.message());
        v.identifier = id.value();
    }

    // The delay travels in two bytes: values that do not fit are refused, never cut.
    if (delay.value < range::kTagDelay.min || delay.value > range::kTagDelay.max)
        return refuse(R::Value, text::wrongData());
    v.delay = quint16(delay.value);
    v.mode = quint8(mode.value);
    if (power.value < range::kTagPower.min || power.value > range::kTagPower.max)
        return refuse(R::Value, text::powerRange());
    v.tagPower = qint8(power.value);

    const NumberResult period = parseWholeNumber(t.period, -32768, 32767);
    if (!period.ok()) return refuse(R::Value, text::wrongData());
    if (period.value == 0) return refuse(R::Value, text::periodZero());
    if (period.value < 0) return refuse(R::Value, text::wrongData());
    v.period = quint16(period.value);
    return built(buildRequest(*t.address, cmd::kTagWrite,
                              byte(kTagWriteDataCount) + bigEndian32(*v.serial) + tagWriteFields(v)),
                 v);
}

}  // namespace

Request tagWriteRequest(const TagWriteTexts& texts) {
    return tagWrite(texts, std::nullopt);
}

Request tagSetIdRequest(const TagWriteTexts& texts, const QString& newId) {
    if (!texts.address) return noAddress();
    const NumberResult id = parseIn(newId, range::kSerial);
    if (!id.ok()) return refuse(Request::Refused::Value, text::serialRange());
    return tagWrite(texts, static_cast<quint32>(id.value));
}

}  // namespace kestrel::device
