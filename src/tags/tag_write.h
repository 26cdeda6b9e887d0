#pragma once
// The tag parameter write request (0xE1), built from the texts of the frame "Параметры метки".
// One builder serves the "Установить" button and the identification-number button; it checks the
// texts in the user's order and names the first refusal.

#include <QByteArray>
#include <QString>
#include <optional>

namespace kestrel {

inline constexpr quint8 kCmdTagWrite = 0xE1;
inline constexpr quint8 kTagWriteDataCount = 0x0E;  // data bytes after the count byte, before the CRC

struct TagWriteTexts {
    std::optional<quint8> address;  // the selected address, nothing when none can be taken
    QString serial;                 // caption of the current tag's serial number
    QString identifier;             // identifier box (decimal, or hexadecimal when hexIdentifier)
    bool hexIdentifier = true;
    QString delay;
    QString mode;
    QString power;
    QString period;
    // When given, written as the identifier instead of the identifier box.
    std::optional<quint32> identifierOverride;
};

struct TagWriteRequest {
    QByteArray request;  // the complete 19-byte frame, empty on refusal
    QString refusal;     // the message for the user, empty on success
    bool ok() const { return refusal.isEmpty(); }
};

TagWriteRequest buildTagWrite(const TagWriteTexts& texts);

}  // namespace kestrel
