#pragma once
// An in-memory serial port: tests feed the bytes a device would send, see what was written, and make
// opening or writing fail.

#include <QFile>
#include <QTimer>
#include <ostream>
#include <utility>

#include "serial/serialport.h"

// Readable QString values in test failure messages.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace kestrel::test {

// Writes `bytes` to a new file at `path` (a plan, a site): false when it cannot.
inline bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

class FakePort : public SerialPort {
    Q_OBJECT
  public:
    using SerialPort::SerialPort;

    QStringList ports;      // what availablePorts() reports
    QList<PortInfo> infos;  // what portInfos() reports; when empty, only the names of `ports`
    OpenResult openResult{true, OpenFailure::None, {}, 0};
    qint64 writeLimit = -1;  // accept at most this many bytes per write call (-1: all)
    QByteArray written;      // all bytes written
    int flushCount = 0;

    QStringList servers;  // serial device servers offered (setNetworkPorts), listed after `ports`
    QStringList availablePorts() override { return ports + servers; }
    void setNetworkPorts(const QStringList& names) override { servers = names; }
    QStringList networkPorts() const override { return servers; }
    QList<PortInfo> portInfos() override { return infos.isEmpty() ? SerialPort::portInfos() : infos; }
    QStringList opened;  // every name an open was tried on
    OpenResult open(const QString& name) override {
        opened << name;
        open_ = openResult.ok;
        return openResult;
    }
    bool isOpen() const override { return open_; }
    qint64 bytesAvailable() const override { return open_ ? incoming_.size() : 0; }
    QByteArray read(qint64 maxBytes) override {
        if (!open_) return {};
        const QByteArray out = incoming_.left(maxBytes);
        incoming_.remove(0, out.size());
        return out;
    }
    qint64 write(const QByteArray& data) override {
        if (!open_) return 0;
        qint64 total = 0;
        for (qsizetype at = 0; at < data.size(); at += kMaxPieceBytes) {
            QByteArray piece = data.mid(at, kMaxPieceBytes);
            if (writeLimit >= 0) piece = piece.left(writeLimit);
            written += piece;
            total += piece.size();
        }
        return total;
    }
    void flush() override { ++flushCount; }
    void close() override {
        open_ = false;
        incoming_.clear();
    }

    // Bytes arriving from the device now; while arrivals are held they wait unreported, as in a driver.
    void feed(const QByteArray& bytes) {
        if (held) return void(driver_ += bytes);
        incoming_ += bytes;
        emit readyRead();
    }
    bool held = false;
    void holdArrivals() override { held = true; }
    void resumeArrivals() override {
        held = false;
        if (!driver_.isEmpty()) feedLater(0, std::exchange(driver_, {}));
    }
    // Bytes that reach the driver while the program is busy: the port tells of them only once the event loop
    // runs again, after the timers that fell due earlier, as a serial port's notifier does.
    void arriveUnnoticed(const QByteArray& bytes) {
        unnoticed_ += bytes;
        QTimer::singleShot(1, Qt::PreciseTimer, this, [this] {
            if (!unnoticed_.isEmpty()) feed(std::exchange(unnoticed_, {}));
        });
    }
    // Bytes arriving after `ms` milliseconds.
    void feedLater(int ms, const QByteArray& bytes) {
        QTimer::singleShot(ms, this, [this, bytes] { feed(bytes); });
    }
    // The device goes away: the port closes itself and says so once.
    void hangUp() {
        open_ = false;
        incoming_.clear();
        emit gone(QStringLiteral("hung up"));
    }
    // Forget what was written so far.
    void clearWritten() { written.clear(); }

  private:
    bool open_ = false;
    QByteArray incoming_;
    QByteArray driver_;
    QByteArray unnoticed_;
};

// Bytes from a hex text such as "31 05 F0 FE".
inline QByteArray hex(const char* text) {
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

}  // namespace kestrel::test
