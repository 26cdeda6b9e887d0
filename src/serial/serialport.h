#pragma once
// The one serial port through which the tool talks to the bus, behind a small interface so that the
// exchange cycle runs against an in-memory fake in tests and against QSerialPort in the program.

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <optional>

namespace kestrel {

// Why an open failed; the window turns each into the message the user sees.
enum class OpenFailure {
    None,
    NotFound,          // the device does not exist (any more)
    Busy,              // another program holds the port
    PermissionDenied,  // the user may not open the device node
    Settings,          // the port opened but refused 19200 8N1
    Other,
};

struct OpenResult {
    bool ok = false;
    OpenFailure failure = OpenFailure::None;
    QString cause;  // a short description of the cause for the user, empty on success
    int code = 0;   // the platform's error code, where there is one
};

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

// The modem line that switches an adapter's line driver on to send, for adapters without automatic
// direction: none (the adapter does it itself), RTS or DTR.
enum class DirectionLine { None, Rts, Dtr };
// "RTS", "DTR"; empty for none.
QString directionLineName(DirectionLine line);
// "Порт не управляет линией RTS: …", said once when a port cannot drive the direction line.
QString directionRefusedText(DirectionLine line);

class SerialPort : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;
    ~SerialPort() override = default;

    // The ports present now, in the order the port list shows them.
    virtual QStringList availablePorts() = 0;
    // The same ports with what the system knows of them; by default only their names.
    virtual QList<PortInfo> portInfos() {
        QList<PortInfo> out;
        for (const QString& name : availablePorts()) out.push_back(PortInfo{name, {}, {}, {}, {}, {}, {}});
        return out;
    }
    // Opens `name` exclusively at 19200 baud, 8 data bits, no parity, 1 stop bit, no flow control.
    virtual OpenResult open(const QString& name) = 0;
    // Whether open(name) may be tried now without keeping the program waiting: a port that is listed can be
    // opened at once, but a serial device server is known to answer only once a connection to it has been
    // made in the background (which this starts). Whoever looks for a lost port asks this first.
    // Serial device servers (tcp://HOST:PORT) the list offers besides the system's ports, and those it
    // offers now (a server opened since is offered too). A port that cannot reach servers ignores them.
    virtual void setNetworkPorts(const QStringList& names) { Q_UNUSED(names); }
    virtual QStringList networkPorts() const { return {}; }
    virtual bool readyToOpen(const QString& name) {
        Q_UNUSED(name);
        return true;
    }
    virtual bool isOpen() const = 0;
    // Bytes that have arrived and not been read yet.
    virtual qint64 bytesAvailable() const = 0;
    // Takes at most `maxBytes` of what has arrived, without waiting.
    virtual QByteArray read(qint64 maxBytes) = 0;
    // Writes `data` in pieces of at most 255 bytes; returns the number of bytes accepted
    // (0 for empty data or a closed port).
    virtual qint64 write(const QByteArray& data) = 0;
    // Pushes written bytes out; never discards received ones.
    virtual void flush() = 0;
    // Closing twice, or closing what was never opened, is harmless.
    virtual void close() = 0;
    // Holds arrivals: bytes that arrive meanwhile wait in the driver, unreported, until resumeArrivals(),
    // after which they are reported as newly arrived. A reply that comes in many small pieces then wakes the
    // program once rather than once a piece. A port that cannot hold goes on reporting; either is harmless.
    virtual void holdArrivals() {}
    virtual void resumeArrivals() {}
    // From the next open on, drives `line` high while a write goes out and low once its last byte has left
    // the port. The switch is timed from this program, so the line may stay high a moment after the last
    // byte. A port that cannot drive the line says so once an open (directionRefused) and writes without it.
    virtual void setDirectionLine(DirectionLine line) { direction_ = line; }
    DirectionLine directionLine() const { return direction_; }

  signals:
    void readyRead();
    // The open port went away (adapter pulled, other end hung up). Emitted once per open; the port is
    // already closed when it arrives.
    void gone(const QString& reason);
    // The port opened but cannot drive the direction line: writes go out without it until the next open.
    void directionRefused(const QString& text);

  protected:
    DirectionLine direction_ = DirectionLine::None;
};

inline constexpr int kMaxPieceBytes = 255;  // one write carries at most 255 bytes
// How long after a port appears the system may still be filling in what it knows of it (udev's details and
// links of a USB adapter).
inline constexpr int kPortDetailsSettleMs = 2000;
inline constexpr int kMaxListedPorts = 30;

}  // namespace kestrel
