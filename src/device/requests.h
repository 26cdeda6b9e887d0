#pragma once
// Request builders: for every command the tool sends, typed values (the address, identifiers, and the
// texts as the user typed them) in, a complete frame or a refusal with its exact message out, together
// with the checked values the frame carries. The checks run in the order the user meets them, so the
// first refusal is the one shown.

#include <QByteArray>
#include <QString>
#include <optional>

#include "device/readermode.h"

namespace kestrel::device {

// The selected device address; nothing when no listed address can be taken.
using Address = std::optional<quint8>;

// The checked values a built request carries, as they stand in its frame, so nobody reads them back out
// of the bytes. A builder fills in the ones its command carries; the others, and all of a refused
// request, stay empty.
struct Carried {
    std::optional<quint8> newAddress;  // the new network address
    std::optional<quint32> serial;     // a reader's or a tag's new serial; the tag write's current serial
    std::optional<quint16> network;    // the radio parameters
    std::optional<quint8> channel;
    std::optional<quint8> power;
    std::optional<quint8> cell;         // the bound-ID cell, 1..10 (sent as 0..9)
    std::optional<quint32> identifier;  // the bound ID; the tag asked for; the tag write's identifier
    std::optional<quint16> delay;       // the ID reset delay, or the tag's delay
    std::optional<quint8> mode;         // the tag's mode
    std::optional<qint8> tagPower;      // the tag's power
    std::optional<quint16> period;      // the tag's period
};

struct Request {
    // Which input a refusal is about.
    enum class Refused { Nothing, Address, Identifier, Value };

    QByteArray frame;  // the complete frame; empty when refused
    QString refusal;   // the message for the user; empty when refused silently or not refused
    Refused refused = Refused::Nothing;
    Carried values;  // what the frame carries; empty when refused
    bool ok() const { return refused == Refused::Nothing; }
};

// Requests that need nothing but the address.
QByteArray identifyRequest(quint8 address);
QByteArray currentParamsRequest(quint8 address);
QByteArray calibrateRequest(quint8 address, bool upper);
QByteArray setModeRequest(quint8 address, quint8 modeByte);
// A request about one tag: its identifier (most significant byte first) after the command code.
QByteArray tagRequest(quint8 address, quint32 tagId, quint8 command);
// A request that carries no data; without an address, the refusal "no listed address".
Request plainRequest(Address address, quint8 command);

// A new network address, 0..200.
Request setNetAddressRequest(Address address, const QString& newAddress);
// A new reader serial number, 0..2 000 000.
Request setSerialRequest(Address address, const QString& serial);

struct RadioParams {
    QString network;  // 1..65000
    QString channel;  // 1..255
    QString power;    // 3..255
};
Request setRadioParamsRequest(Address address, const RadioParams& params);

// One cell (1..10) of the bound-ID table and the identifier for it (hex text, up to 8 digits).
Request writeBoundIdRequest(Address address, const QString& cell, const QString& id);
// The ID reset delay, 0..6000.
Request setResetDelayRequest(Address address, const QString& delay);

// The parameter read of the current tag, named by its hex identifier text. Without an address the
// request is refused silently.
Request tagReadRequest(Address address, const QString& currentId);
// A new serial number (0..2 000 000) for the current tag, named by its hex identifier text.
Request tagSetSerialRequest(Address address, const QString& currentId, const QString& serial);

// The texts of the tag parameter write, as the user typed them.
struct TagWriteTexts {
    Address address;
    QString serial;      // the current tag's serial number
    QString identifier;  // decimal, or hexadecimal when hexIdentifier
    bool hexIdentifier = true;
    QString delay;
    QString mode;
    QString power;
    QString period;
};
// The parameter write (19 bytes): checks the mode (1..9) first, then the address, then the rest.
Request tagWriteRequest(const TagWriteTexts& texts);
// The bytes of a parameter write after the tag's serial number: identifier, delay, mode, power (two's
// complement) and period, as `values` give them (an empty value as zero). Two writes that give the same
// bytes set the same parameters.
QByteArray tagWriteFields(const Carried& values);
// The same write carrying a new identification number (0..2 000 000) instead of the identifier text;
// the address is checked first.
Request tagSetIdRequest(const TagWriteTexts& texts, const QString& newId);

}  // namespace kestrel::device
