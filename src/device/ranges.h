#pragma once
// The range of every number the tool writes into a device, in one table: the request builders check
// against it, the window's tool tips show it, and kestrel-cli refuses, and lists in its help, by it. So
// the window and the client take and refuse the same values.

#include <QString>
#include <QtGlobal>

namespace kestrel::device {

struct FieldRange {
    qint64 min;
    qint64 max;
};

namespace range {

inline constexpr FieldRange kDeviceAddress{0, 254};  // 255 is the bus search
inline constexpr FieldRange kNetAddress{0, 200};
inline constexpr FieldRange kSerial{0, 2000000};
inline constexpr FieldRange kNetwork{1, 65000};
inline constexpr FieldRange kChannel{1, 255};
inline constexpr FieldRange kPower{3, 255};
inline constexpr FieldRange kBoundIdCell{1, 10};
inline constexpr FieldRange kResetDelay{0, 6000};
inline constexpr FieldRange kReaderMode{0, 255};
inline constexpr FieldRange kDeviceType{0, 255};  // as the identification reports it
inline constexpr FieldRange kTagMode{1, 9};
inline constexpr FieldRange kTagDelay{0, 65535};
inline constexpr FieldRange kTagPower{-125, 125};
inline constexpr FieldRange kTagPeriod{1, 32767};
inline constexpr FieldRange kTagIdentifier{0, 4294967295LL};

}  // namespace range

// "0..200": a range as the client's help and messages write it.
inline QString rangeText(FieldRange r) {
    return QStringLiteral("%1..%2").arg(r.min).arg(r.max);
}

}  // namespace kestrel::device

namespace kestrel::device {

// A value given by a script or a file: a whole number within `r`, or a refusal naming `what` (the
// argument or field) and the range.
struct ExactValue {
    qint64 value = 0;
    QString refusal;
    bool ok() const { return refusal.isEmpty(); }
};
ExactValue exactValueIn(const QString& text, FieldRange r, const QString& what);

}  // namespace kestrel::device
