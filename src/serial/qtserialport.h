#pragma once
// The real port: QSerialPort behind the SerialPort interface, or a TCP connection to a serial device
// server for a port named "tcp://HOST:PORT" (networkport.h).

#include <QElapsedTimer>
#include <QHash>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <QStringList>
#include <optional>

#include "serial/serialport.h"

class QTcpSocket;

namespace kestrel {

class QtSerialPort : public SerialPort {
    Q_OBJECT
  public:
    explicit QtSerialPort(QObject* parent = nullptr);
    ~QtSerialPort() override;

    // Paths listed before the system's ports (the demo's simulated bus), shown while they exist.
    void setLeadingPaths(const QStringList& paths) { leadingPaths_ = paths; }

    // Serial device servers offered in the list after the system's ports (the addresses used before); a
    // server opened is offered from then on too.
    void setNetworkPorts(const QStringList& names) override;
    QStringList networkPorts() const override { return networkPorts_; }

    QStringList availablePorts() override;
    // The listed ports with what QSerialPortInfo knows of them and the /dev/serial/by-id link that
    // points at each, if any.
    QList<PortInfo> portInfos() override;
    OpenResult open(const QString& name) override;
    bool readyToOpen(const QString& name) override;
    bool isOpen() const override;
    qint64 bytesAvailable() const override;
    QByteArray read(qint64 maxBytes) override;
    qint64 write(const QByteArray& data) override;
    void flush() override;
    void close() override;
    void holdArrivals() override { setArrivalsReported(false); }
    void resumeArrivals() override { setArrivalsReported(true); }
    // How long an open waits for a serial device server to accept the connection.
    static constexpr int kConnectWaitMs = 2000;

    // The folders whose changes make the scan enumerate the system's ports again, and for how long after
    // a change it goes on enumerating (udev adds a new port's details and links a moment after its node).
    void setDeviceFolders(const QStringList& folders, int settleMs = kPortDetailsSettleMs) {
        deviceFolders_ = folders;
        settleMs_ = settleMs;
    }
    // How many times the system's ports were enumerated (the costly part of a scan).
    int enumerations() const { return enumerations_; }

  private:
    // The system's serial ports and the /dev/serial/by-id links as last enumerated.
    struct SystemPorts {
        QString stamp;  // what the folders of device nodes looked like then; empty where unknown
        QList<QSerialPortInfo> ports;
        QList<QPair<QString, QString>> byIdLinks;  // link, canonical path of its device
    };
    // The system's ports, enumerated again only when a device node came or went, and on every scan for a
    // while after (for the details and links udev adds a moment later).
    const SystemPorts& systemPorts();
    // The list availablePorts() returns, with the system's ports taken from `system`.
    QStringList listedPorts(const QList<QSerialPortInfo>& system) const;
    void onError(QSerialPort::SerialPortError error);
    OpenResult openNetwork(const QString& name);
    void adopt(QTcpSocket* socket);
    void onNetworkGone();
    void dropProbes();
    void setArrivalsReported(bool on);
    // Sets the direction line; false when the port refuses.
    bool driveDirectionLine(bool high);

    QSerialPort* port_ = nullptr;   // a fresh object for each open, so no stale state survives a close
    QTcpSocket* socket_ = nullptr;  // the open connection to a serial device server, instead of port_
    bool arrivalsHeld_ = false;
    QStringList networkPorts_;
    // Connections being made in the background to a lost server (readyToOpen), and when each last failed.
    QHash<QString, QTcpSocket*> probes_;
    QHash<QString, qint64> probeFailedAt_;
    QElapsedTimer probeClock_;
    QStringList leadingPaths_;
    bool connecting_ = false;       // an open waits for a server's name or connection
    bool directionDriven_ = false;  // the direction line is switched around each write on this open
    QStringList deviceFolders_{QStringLiteral("/dev"), QStringLiteral("/dev/serial"),
                               QStringLiteral("/dev/serial/by-id")};
    int settleMs_ = kPortDetailsSettleMs;
    std::optional<SystemPorts> system_;
    QElapsedTimer sinceChange_;  // since the device folders last changed
    int enumerations_ = 0;
};

// The system's serial devices: on Windows COM1..COM30 that exist; elsewhere the device names the
// system lists (ttyUSB0, ttyACM0, ttyS0 ...) in natural order, at most 30.
QStringList systemSerialPorts();
QStringList systemSerialPorts(const QList<QSerialPortInfo>& infos);

// Natural order of port names: ttyS2 before ttyS10.
bool naturalLess(const QString& a, const QString& b);

// Describes why `path` could not be opened when Qt reports a permission error: on Linux "busy" and
// "no permission" look the same to Qt, so the access and the lock file of the device node `path` reaches
// (links followed) are examined.
OpenResult explainPermissionError(const QString& path, int savedErrno);

}  // namespace kestrel
