#pragma once
// Tag identifiers as hexadecimal text (up to 8 digits) and as 4 bytes, most significant first.

#include <QByteArray>
#include <QString>
#include <optional>

#include "protocol/translation.h"

namespace kestrel {

inline QString tooManyIdChars() {
    return Texts::tr("Cлишком много символов Идентификатора");
}
inline QString notHex() {
    return Texts::tr("В строке имеются символы не принадлежащие HEX");
}

enum class HexIdError { None, TooLong, NotHex };

struct HexIdResult {
    QByteArray bytes;  // exactly 4 bytes on success, empty on failure
    HexIdError error = HexIdError::None;
    bool ok() const { return error == HexIdError::None; }
    // The message the user is shown for the failure (empty on success).
    QString message() const;
    // The identifier as a number (0 on failure).
    quint32 value() const;
};

// Hex text of up to 8 characters to 4 bytes, zero-padded in front; an odd first digit stands alone.
// The length is checked before the characters. The empty text gives four zero bytes.
HexIdResult parseHexId(const QString& text);

// b1 (most significant) without leading zero, then b2..b4 as two digits each: 00 12 34 56 -> 0123456.
QString formatHexId(quint8 b1, quint8 b2, quint8 b3, quint8 b4);
QString formatHexId(quint32 value);

}  // namespace kestrel
