#include <QRegularExpression>
#include <QStringList>

#include "protocol/translation.h"
#include "serial/serialport.h"

namespace kestrel {

namespace {

QString hex4(quint16 value) {
    return QStringLiteral("%1").arg(value, 4, 16, QLatin1Char('0')).toUpper();
}

}  // namespace

QString PortInfo::identity() const {
    // Vendor, product and serial number together name one adapter wherever it is plugged in, and the
    // interface in its by-id link ("-if01-port0") one port of an adapter with several; a by-id link names
    // the device by what it reports of itself; the name is all that is left otherwise.
    if (vendorId && productId && !serialNumber.isEmpty()) {
        static const QRegularExpression interfaceOf(QStringLiteral("-(if\\d+)(?:-port\\d+)?$"));
        const QRegularExpressionMatch m = interfaceOf.match(byIdLink);
        return QStringLiteral("usb:%1:%2:%3").arg(hex4(*vendorId), hex4(*productId), serialNumber) +
               (m.hasMatch() ? QLatin1Char(':') + m.captured(1) : QString());
    }
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

QString listedIdentity(const QList<PortInfo>& listed, const QString& name) {
    for (const PortInfo& p : listed)
        if (p.name == name || p.byIdLink == name || QStringLiteral("/dev/") + p.name == name)
            return p.identity();
    return {};
}

LostAdapter::LostAdapter(const QString& name, const QString& identity, const QList<PortInfo>& listedWhenLost)
    : name_(name), identity_(identity) {
    for (const PortInfo& p : listedWhenLost)
        if (p.identity() == identity && p.name != name) others_ << p.name;
}

QString LostAdapter::findIn(const QList<PortInfo>& listed) const {
    if (identity_.isEmpty()) return name_;
    for (const PortInfo& p : listed)
        if (p.identity() == identity_ && !others_.contains(p.name)) return p.name;
    return {};
}

QString directionLineName(DirectionLine line) {
    switch (line) {
        case DirectionLine::Rts:
            return QStringLiteral("RTS");
        case DirectionLine::Dtr:
            return QStringLiteral("DTR");
        case DirectionLine::None:
            break;
    }
    return {};
}

QString directionRefusedText(DirectionLine line) {
    return Texts::tr("Порт не управляет линией %1: направление передачи не переключается")
        .arg(directionLineName(line));
}

}  // namespace kestrel
