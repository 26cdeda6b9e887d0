#include <QStringList>

#include "serial/serialport.h"

namespace kestrel {

namespace {

QString hex4(quint16 value) {
    return QStringLiteral("%1").arg(value, 4, 16, QLatin1Char('0')).toUpper();
}

}  // namespace

QString PortInfo::identity() const {
    // Vendor, product and serial number together name one adapter wherever it is plugged in; a by-id link
    // is stable across replugs into the same socket; the name is all that is left otherwise.
    if (vendorId && productId && !serialNumber.isEmpty())
        return QStringLiteral("usb:%1:%2:%3").arg(hex4(*vendorId), hex4(*productId), serialNumber);
    if (!byIdLink.isEmpty()) return QStringLiteral("by-id:") + byIdLink;
    return QStringLiteral("path:") + name;
}

QString PortInfo::details() const {
    QStringList parts;
    if (!description.isEmpty()) parts << description;
    if (!manufacturer.isEmpty()) parts << manufacturer;
    if (vendorId && productId) parts << hex4(*vendorId) + QLatin1Char(':') + hex4(*productId);
    if (!serialNumber.isEmpty()) parts << QStringLiteral("S/N ") + serialNumber;
    return parts.join(QStringLiteral(", "));
}

}  // namespace kestrel
