#pragma once
// The port catalogue: the ports the tool can open, with what the system knows of each and the identity by
// which an adapter is found again after a replug. Listing ports is apart from the link that uses one: the
// window lists ports through this and never reaches the link.

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace kestrel {

// What the system knows about a listed port, and the identity by which the tool knows the same adapter
// again after a replug, under its old name or a new one.
struct PortInfo {
    QString name;  // as the port list shows it and open() takes it
    QString description;
    QString manufacturer;
    QString serialNumber;
    std::optional<quint16> vendorId;
    std::optional<quint16> productId;
    QString byIdLink;  // a /dev/serial/by-id link that points at the port, if any

    // The most stable identity there is: "usb:VVVV:PPPP:SERIAL" for a USB adapter with a serial number,
    // else "by-id:LINK", else "path:NAME".
    QString identity() const;
    // One line for people: description, manufacturer, vendor:product, serial number, where known.
    QString details() const;
    bool operator==(const PortInfo& o) const {
        return name == o.name && description == o.description && manufacturer == o.manufacturer &&
               serialNumber == o.serialNumber && vendorId == o.vendorId && productId == o.productId &&
               byIdLink == o.byIdLink;
    }
};

// The identity of the port `name` as the catalogue lists it, reached by its listed name, its device path
// or its /dev/serial/by-id link; empty when the catalogue does not list it (a network port, a path the
// system does not know as a serial port).
QString listedIdentity(const QList<PortInfo>& listed, const QString& name);

// An adapter that went away, and how it is found again: by its identity, under its old name or a new one.
// Ports of the same identity that were still listed when it went (the other ports of an adapter with
// several, clones with one serial number) are never taken for it. Without an identity, its name is all
// there is to know it by.
class LostAdapter {
  public:
    LostAdapter(const QString& name, const QString& identity, const QList<PortInfo>& listedWhenLost);
    // The port to open now; empty while the adapter is not back.
    QString findIn(const QList<PortInfo>& listed) const;
    const QString& name() const { return name_; }

  private:
    QString name_, identity_;
    QStringList others_;
};

class PortCatalogue {
  public:
    virtual ~PortCatalogue() = default;
    // The ports present now, in the order the port list shows them.
    virtual QStringList availablePorts() = 0;
    // The same ports with what the system knows of them; by default only their names.
    virtual QList<PortInfo> portInfos() {
        QList<PortInfo> out;
        for (const QString& name : availablePorts()) out.push_back(PortInfo{name, {}, {}, {}, {}, {}, {}});
        return out;
    }
    // Serial device servers (tcp://HOST:PORT) the list offers besides the system's ports, and those it
    // offers now (a server opened since is offered too). A catalogue that cannot reach servers ignores them.
    virtual void setNetworkPorts(const QStringList& names) { Q_UNUSED(names); }
    virtual QStringList networkPorts() const { return {}; }
};

}  // namespace kestrel
