#pragma once
// Request builders: for every command the tool sends, typed values (the address, identifiers, and the
// texts as the user typed them) in, a complete frame or a refusal with its exact message out. The
// checks run in the order the user meets them, so the first refusal is the one shown.

#include <QByteArray>
#include <QString>
#include <optional>

#include "device/readermode.h"

namespace kestrel::device {

// The selected device address; nothing when no listed address can be taken.
using Address = std::optional<quint8>;

struct Request {
    // Which input a refusal is about.
    enum class Refused { Nothing, Address, Identifier, Value };

    QByteArray frame;  // the complete frame; empty when refused
    QString refusal;   // the message for the user; empty when refused silently or not refused
    Refused refused = Refused::Nothing;
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
// The same write carrying a new identification number (0..2 000 000) instead of the identifier text;
// the address is checked first.
Request tagSetIdRequest(const TagWriteTexts& texts, const QString& newId);

}  // namespace kestrel::device
