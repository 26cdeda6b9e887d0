#pragma once
// What the devices' replies mean: one value type per reply, decoded from the reply's data part (the
// check byte is never read as a field). A field is absent when the reply was too short to hold it.

#include <QByteArray>
#include <QString>
#include <optional>
#include <variant>
#include <vector>

#include "protocol/reply.h"

namespace kestrel::device {

// Current parameters (F0). A reading whose current value is 0 carries no live values: address,
// state byte, level and current are then absent.
struct LiveReading {
    std::optional<quint8> address;
    std::optional<quint8> stateByte;  // temperature in °C (signed), or the rotation state in tag modes 4, 5
    std::optional<quint16> level;
    std::optional<quint32> current;
    std::optional<quint32> emptyLevel;
    std::optional<quint32> tagId;
    std::optional<quint16> second;
    struct Settings {
        std::optional<quint8> mode;
        std::optional<quint16> network;
        std::optional<quint8> channel;
        std::optional<quint8> power;
    };
    std::optional<Settings> settings;  // replies longer than 21 bytes carry the reader's settings
    std::optional<qint8> temperature() const {
        if (!stateByte) return std::nullopt;
        return static_cast<qint8>(*stateByte);
    }
};

// Identification (FC): the serial number; device type and version prefix only in a 10-byte reply.
struct Identification {
    std::optional<quint32> serial;
    std::optional<quint8> deviceType;
    std::optional<quint8> versionPrefix;  // 0: none
    // "1.3.4." for type 134, with the prefix in front when there is one; empty without a device type.
    QString firmwareText() const;
};

// The bound-ID table (E6): the cells the reply carries completely, from cell 1.
struct BoundIdTable {
    std::vector<quint32> cells;
};

// The ID reset delay (F1).
struct ResetDelay {
    std::optional<quint16> delay;
};

// A tag's answer to a search or query (E0).
struct TagAnswer {
    std::optional<quint32> serial;
    std::optional<quint32> identifier;
    std::optional<qint8> level;
};

// A tag's parameters (E3).
struct TagParameters {
    std::optional<quint32> serial;
    std::optional<quint32> identifier;
    std::optional<quint16> delay;
    std::optional<quint8> mode;
    std::optional<quint8> power;  // dBm as a two's-complement byte
    std::optional<quint8> firmware;
    std::optional<quint16> period;
    std::optional<qint8> level;
};

// The bridge's remote slave (E8).
struct SlaveData {
    std::optional<quint32> serial;
    std::optional<quint16> temperature;  // sixteenths of a degree
    std::optional<quint16> frequency;
    std::optional<quint8> contact;  // kSlaveContactClosed or anything else (open)
    std::optional<qint8> level;
};
inline constexpr quint8 kSlaveContactClosed = 0xCD;

// The slave's RS485 value (06).
struct SlaveRs485 {
    std::optional<quint16> value;
};

// A new mode is in force (F2); the reply may carry the mode byte.
struct ModeSet {
    std::optional<quint8> mode;
};

// A reply that only acknowledges (FB, F6, F5, FA, E1, F8, F3, FD, 00; and F4, E2, which no decoder reads,
// when the judge takes them as the acknowledgement of the request sent: exchange/classify.h).
struct Acknowledgement {
    quint8 code = 0;
    // The status line's text; empty for a code it has none for (F4, E2), which leaves the line as it is.
    QString statusText() const;
};

// The answer to the network poll: one address per byte, in the order the devices answered.
struct PollAnswer {
    QByteArray addresses;
};

using DeviceValue = std::variant<LiveReading, Identification, BoundIdTable, ResetDelay, TagAnswer,
                                 TagParameters, SlaveData, SlaveRs485, ModeSet, Acknowledgement, PollAnswer>;

// The value a framed reply (">" first, at least 4 bytes) carries; nothing for an unframed reply, a code
// no decoder knows, or a current-parameters reply whose check byte is wrong.
std::optional<DeviceValue> decodeReply(const Reply& reply);

// One short Russian line for a log: "уровень 512, темп. 21 °C, ...".
QString describe(const DeviceValue& value);

// A tag firmware byte as three positions each followed by a full stop: 123 -> "1.2.3.", 7 -> "7...".
QString tagFirmwareText(quint8 version);
// Sixteenths of a degree as decimal text with the fraction where there is one: 0x0198 -> "25.5".
QString sixteenthsText(quint16 sixteenths, const QString& decimalPoint);

}  // namespace kestrel::device
