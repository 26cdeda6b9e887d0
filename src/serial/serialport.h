#pragma once
// The one serial port through which the tool talks to the bus, behind a small interface so that the
// exchange runs against an in-memory fake in tests and against QSerialPort in the program.

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <optional>

#include "serial/linkvalues.h"
#include "serial/portcatalogue.h"

namespace kestrel {

// The link: the one port through which the tool talks to the bus. The program's port is also the
// catalogue of the ports it can open; only the session uses the link, the window only the catalogue.
class SerialPort : public QObject, public PortCatalogue {
    Q_OBJECT
  public:
    using QObject::QObject;
    ~SerialPort() override = default;

    // Opens `name` exclusively at 19200 baud, 8 data bits, no parity, 1 stop bit, no flow control.
    virtual OpenResult open(const QString& name) = 0;
    // Whether open(name) may be tried now without keeping the program waiting: a port that is listed can be
    // opened at once, but a serial device server is known to answer only once a connection to it has been
    // made in the background (which this starts). Whoever looks for a lost port asks this first.
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
