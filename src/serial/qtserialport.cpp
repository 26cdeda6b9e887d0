#include "serial/qtserialport.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QScopedValueRollback>
#include <QSerialPortInfo>
#include <QSocketNotifier>
#include <QTcpSocket>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "protocol/syserror.h"
#include "protocol/translation.h"
#include "serial/networkport.h"

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#endif
#ifdef Q_OS_LINUX
#include <sys/ioctl.h>
#endif

namespace kestrel {

// The port's life for developers, off by default: QT_LOGGING_RULES="kestrel.serial.debug=true" prints each
// open and its outcome, each close, the port's errors and its going away.
Q_LOGGING_CATEGORY(lcSerial, "kestrel.serial", QtWarningMsg)

QtSerialPort::QtSerialPort(QObject* parent) : SerialPort(parent) {}

QtSerialPort::~QtSerialPort() {
    close();
}

QStringList QtSerialPort::availablePorts() {
    return listedPorts(systemPorts().ports);
}

QStringList QtSerialPort::listedPorts(const QList<QSerialPortInfo>& system) const {
    QStringList ports;
    for (const QString& path : leadingPaths_) {
        if ((isNetworkPortName(path) || QFileInfo::exists(path)) && !ports.contains(path)) ports.append(path);
    }
    for (const QString& name : systemSerialPorts(system)) {
        if (!ports.contains(name)) ports.append(name);
    }
    for (const QString& name : networkPorts_) {
        if (!ports.contains(name)) ports.append(name);
    }
    return ports;
}

void QtSerialPort::setNetworkPorts(const QStringList& names) {
    networkPorts_.clear();
    for (const QString& name : names)
        if (parseNetworkPortName(name) && !networkPorts_.contains(name)) networkPorts_.append(name);
}

namespace {

// The most that waits in the port unread: many times the longest reply, far less than a flood brings.
constexpr qint64 kReadBufferBytes = 4096;

QString devicePath(const QString& name) {
#ifdef Q_OS_UNIX
    if (!name.contains(QLatin1Char('/'))) return QStringLiteral("/dev/") + name;
#endif
    return name;
}

// The device node a port name reaches: symlinks (a /dev/serial/by-id name, a link of the user's own) followed
// and "//" and ".." resolved, so that the lock file, named after the path QSerialPort opens, is the same one
// whatever name the device is reached by. A path that does not exist stays as given (the open then reports
// it not found).
QString deviceNode(const QString& name) {
    const QString path = devicePath(name);
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? path : canonical;
}

// The lock file QSerialPort takes for `node`: named after the path without "/dev/", slashes made "_"
// (LCK..ttyUSB0, LCK..pts_3), holding the holder's PID.
QString lockFileName(const QString& node) {
    QString device = node;
    if (device.startsWith(QStringLiteral("/dev/"))) device.remove(0, 5);
    return QStringLiteral("LCK..") + device.replace(QLatin1Char('/'), QLatin1Char('_'));
}

// A descriptor on the device, opened to see whether another program holds the tty exclusively, and kept
// open until QSerialPort has opened it too: closing it then is not the last close, so the modem lines are
// not dropped and raised again around the real open. Closing a descriptor never clears the exclusive mode.
class ExclusiveProbe {
  public:
    explicit ExclusiveProbe(const QString& node) {
#ifdef Q_OS_LINUX
        fd_ = ::open(QFile::encodeName(node).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd_ < 0) {
            // Without the privilege to ignore it, the system itself refuses an exclusive tty.
            held_ = errno == EBUSY;
            return;
        }
        // With it (root), the open succeeds; ask the tty. QSerialPort would set the mode again and clear it
        // on close (TIOCNXCL), taking the other holder's exclusive mode with it: such a port is never opened.
        int exclusive = 0;
        held_ = ::ioctl(fd_, TIOCGEXCL, &exclusive) == 0 && exclusive != 0;
#else
        Q_UNUSED(node);
#endif
    }
    ~ExclusiveProbe() {
#ifdef Q_OS_UNIX
        if (fd_ >= 0) ::close(fd_);
#endif
    }
    ExclusiveProbe(const ExclusiveProbe&) = delete;
    ExclusiveProbe& operator=(const ExclusiveProbe&) = delete;
    // Another program holds the device exclusively.
    bool held() const {
        return held_;
    }

  private:
    int fd_ = -1;
    bool held_ = false;
};

// Each link in /dev/serial/by-id with the canonical path of the device it points at; none when the
// folder does not exist (no USB serial adapter plugged in, or not Linux).
QList<QPair<QString, QString>> byIdLinks() {
    QList<QPair<QString, QString>> links;
    const QDir dir(QStringLiteral("/dev/serial/by-id"));
    if (!dir.exists()) return links;
    const auto entries =
        dir.entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& entry : entries) {
        if (!entry.isSymLink()) continue;
        const QString target = entry.canonicalFilePath();
        if (!target.isEmpty()) links.append({entry.absoluteFilePath(), target});
    }
    return links;
}

// The modification times of the folders where serial device nodes and their links come and go. A device
// plugged in or pulled out adds or removes an entry in one of them, and so changes this text; three stat()
// calls cost next to nothing, where a full enumeration walks sysfs and the udev database. Empty where the
// platform has no such folders, which means "enumerate every time".
QString deviceFolderStamp(const QStringList& folders) {
#ifdef Q_OS_LINUX
    QString stamp;
    for (const QString& folder : folders) {
        struct stat st {};
        if (::stat(QFile::encodeName(folder).constData(), &st) == 0)
            stamp += QStringLiteral("%1.%2;").arg(qint64(st.st_mtim.tv_sec)).arg(qint64(st.st_mtim.tv_nsec));
        else
            stamp += QStringLiteral("-;");
    }
    return stamp;
#else
    Q_UNUSED(folders);
    return {};
#endif
}

bool isPortGoneError(QSerialPort::SerialPortError e) {
    return e == QSerialPort::ReadError || e == QSerialPort::ResourceError || e == QSerialPort::WriteError;
}

// Why the port went away, in words. The port's own error string is often stale by then (a hung-up pty
// still reads "Inappropriate ioctl for device" from a line-control call at the open), so the code decides.
QString goneReason(QSerialPort::SerialPortError e) {
    switch (e) {
        case QSerialPort::ReadError:
            return Texts::tr("ошибка чтения из порта");
        case QSerialPort::WriteError:
            return Texts::tr("ошибка записи в порт");
        default:
            return Texts::tr("устройство недоступно (отключено)");
    }
}

}  // namespace

const QtSerialPort::SystemPorts& QtSerialPort::systemPorts() {
    const QString stamp = deviceFolderStamp(deviceFolders_);
    const bool changed = !system_ || stamp.isEmpty() || stamp != system_->stamp;
    if (changed) sinceChange_.start();
    if (changed || sinceChange_.elapsed() < settleMs_) {
        system_ = SystemPorts{stamp, QSerialPortInfo::availablePorts(), byIdLinks()};
        ++enumerations_;
    }
    return *system_;
}

QList<PortInfo> QtSerialPort::portInfos() {
    const SystemPorts& now = systemPorts();
    const QList<QSerialPortInfo>& system = now.ports;
    const auto& links = now.byIdLinks;
    QList<PortInfo> out;
    for (const QString& name : listedPorts(system)) {
        PortInfo info;
        info.name = name;
        // A system port is listed by its port name; a leading path may still be one the system
        // knows under its full location.
        const auto known = std::find_if(system.begin(), system.end(), [&](const QSerialPortInfo& s) {
            return s.portName() == name || s.systemLocation() == name;
        });
        if (isNetworkPortName(name)) info.description = Texts::tr("сервер последовательных портов (TCP)");
        if (known != system.end()) {
            info.description = known->description();
            info.manufacturer = known->manufacturer();
            info.serialNumber = known->serialNumber();
            if (known->hasVendorIdentifier()) info.vendorId = known->vendorIdentifier();
            if (known->hasProductIdentifier()) info.productId = known->productIdentifier();
        }
        const QString canonical = QFileInfo(devicePath(name)).canonicalFilePath();
        if (!canonical.isEmpty()) {
            for (const auto& [link, target] : links) {
                if (target == canonical) {
                    info.byIdLink = link;
                    break;
                }
            }
        }
        out.push_back(info);
    }
    return out;
}

OpenResult QtSerialPort::open(const QString& name) {
    // An open that waits for a server runs the loop: an open asked for meanwhile (a screen reader's press
    // of the button) is refused rather than nested in it.
    if (connecting_) return {false, OpenFailure::Other, Texts::tr("порт уже открывается"), 0};
    close();
    if (isNetworkPortName(name)) return openNetwork(name);
    const auto logged = [&name](const OpenResult& r) {
        if (r.ok)
            qCDebug(lcSerial).noquote() << "opened" << name;
        else
            qCDebug(lcSerial).noquote() << "open" << name << "failed:" << r.cause << "(code" << r.code << ")";
        return r;
    };
    // The device is opened by its own node, whatever name the user gave, so that two programs reaching it by
    // different names take the same lock; the callers keep showing the name given.
    const QString node = deviceNode(name);
    const ExclusiveProbe probe(node);
    if (probe.held()) return logged(explainPermissionError(node, EBUSY));
    port_ = new QSerialPort(this);
    port_->setPortName(node);
    errno = 0;
    if (!port_->open(QIODevice::ReadWrite)) {
        const int savedErrno = errno;
        const auto error = port_->error();
        const QString qtText = port_->errorString();
        delete port_;
        port_ = nullptr;
        switch (error) {
            case QSerialPort::DeviceNotFoundError:
                return logged({false, OpenFailure::NotFound, Texts::tr("устройство не найдено"), error});
            case QSerialPort::PermissionError:
                return logged(explainPermissionError(node, savedErrno));
            default:
                return logged({false, OpenFailure::Other, localizedSystemText(qtText), error});
        }
    }
    const bool settingsOk = port_->setBaudRate(19200) && port_->setDataBits(QSerialPort::Data8) &&
                            port_->setParity(QSerialPort::NoParity) &&
                            port_->setStopBits(QSerialPort::OneStop) &&
                            port_->setFlowControl(QSerialPort::NoFlowControl);
    if (!settingsOk) {
        OpenResult r{false, OpenFailure::Settings, localizedSystemText(port_->errorString()), port_->error()};
        close();
        return logged(r);
    }
    // What waits in the port unread is bounded: under a line that floods the tool with bytes (a device
    // gone wild, noise) QSerialPort would otherwise keep reading the driver into memory without end, since
    // a tick takes at most a reply's worth. Beyond the bound the bytes stay in the driver, which drops them
    // when its own buffer is full.
    port_->setReadBufferSize(kReadBufferBytes);
    // Only the errors that mean the device went away matter once the port is open; others (an
    // unsupported line-control call on a pty, say) are harmless.
    connect(port_, &QSerialPort::errorOccurred, this, &QtSerialPort::onError);
    connect(port_, &QSerialPort::readyRead, this, &SerialPort::readyRead);
    // The driver stays off until a write; a port that cannot switch the line (a pseudo-terminal) says so.
    directionDriven_ = direction_ != DirectionLine::None && driveDirectionLine(false);
    if (direction_ != DirectionLine::None && !directionDriven_) {
        qCDebug(lcSerial).noquote() << "direction line refused:" << port_->errorString();
        emit directionRefused(directionRefusedText(direction_));
    }
    return logged({true, OpenFailure::None, {}, 0});
}

bool QtSerialPort::driveDirectionLine(bool high) {
    if (!isOpen() || !port_) return false;
    return direction_ == DirectionLine::Rts ? port_->setRequestToSend(high)
                                            : port_->setDataTerminalReady(high);
}

void QtSerialPort::onError(QSerialPort::SerialPortError error) {
    if (!port_) return;
    if (!isPortGoneError(error)) {
        if (error != QSerialPort::NoError)
            qCDebug(lcSerial).noquote()
                << "error" << error << port_->errorString() << "(harmless, port stays open)";
        return;
    }
    const QString reason = goneReason(error);
    qCDebug(lcSerial).noquote() << "gone:" << reason << "(error" << error << ")";
    // Told once: the port says nothing more to us after this. Closing here stops the error storm a hung-up
    // device causes (a ReadError per empty read).
    port_->disconnect(this);
    port_->close();
    emit gone(reason);
}

namespace {

// Why a connection to a serial device server failed or ended, in words.
QString networkFailure(const QTcpSocket& socket) {
    switch (socket.error()) {
        case QAbstractSocket::ConnectionRefusedError:
            return Texts::tr("сервер отказал в соединении");
        case QAbstractSocket::RemoteHostClosedError:
            return Texts::tr("сервер закрыл соединение");
        case QAbstractSocket::HostNotFoundError:
            return Texts::tr("узел не найден");
        case QAbstractSocket::SocketTimeoutError:
            return Texts::tr("сервер не ответил");
        default:
            return localizedSystemText(socket.errorString());
    }
}

OpenFailure openFailureOf(QAbstractSocket::SocketError e) {
    return e == QAbstractSocket::HostNotFoundError || e == QAbstractSocket::ConnectionRefusedError ||
                   e == QAbstractSocket::SocketTimeoutError
               ? OpenFailure::NotFound
               : OpenFailure::Other;
}

}  // namespace

// A serial device server: one TCP connection, made while the open waits (at most kConnectWaitMs), or taken
// over from a look for a lost server that already made it.
OpenResult QtSerialPort::openNetwork(const QString& name) {
    QString refusal;
    const auto address = parseNetworkPortName(name, &refusal);
    if (!address) return {false, OpenFailure::NotFound, refusal, 0};
    QTcpSocket* socket = probes_.take(name);
    if (socket && socket->state() != QAbstractSocket::ConnectedState) {
        socket->deleteLater();
        socket = nullptr;
    }
    dropProbes();
    if (!socket) {
        auto* server = new ServerSocket(this);
        socket = server;
        socket->setReadBufferSize(kReadBufferBytes);
        // The name's lookup and the connection share the wait. The loop goes on meanwhile (a window keeps
        // painting and answering a screen reader) but takes no input, so nothing the engineer does can
        // start another open inside this one.
        QEventLoop wait;
        QTimer deadline;
        deadline.setSingleShot(true);
        connect(&deadline, &QTimer::timeout, &wait, &QEventLoop::quit);
        connect(socket, &QTcpSocket::connected, &wait, &QEventLoop::quit);
        connect(socket, &QTcpSocket::errorOccurred, &wait, &QEventLoop::quit);
        deadline.start(kConnectWaitMs);
        const QScopedValueRollback connecting(connecting_, true);
        server->connectToServer(*address);
        if (socket->state() != QAbstractSocket::ConnectedState &&
            socket->error() == QAbstractSocket::UnknownSocketError)
            wait.exec(QEventLoop::ExcludeUserInputEvents);
        if (socket->state() != QAbstractSocket::ConnectedState) {
            OpenResult r{false, openFailureOf(socket->error()), networkFailure(*socket),
                         int(socket->error())};
            if (socket->error() == QAbstractSocket::UnknownSocketError) {  // the wait ran out
                r.failure = OpenFailure::NotFound;
                r.code = int(QAbstractSocket::SocketTimeoutError);
                r.cause = socket->state() == QAbstractSocket::HostLookupState
                              ? Texts::tr("имя узла не найдено за %1 с: служба имён не ответила")
                                    .arg(kConnectWaitMs / 1000)
                              : Texts::tr("сервер не ответил");
            }
            qCDebug(lcSerial).noquote() << "open" << name << "failed:" << r.cause;
            socket->abort();
            delete socket;
            return r;
        }
    }
    adopt(socket);
    if (!networkPorts_.contains(name)) networkPorts_.append(name);
    qCDebug(lcSerial).noquote() << "opened" << name;
    return {true, OpenFailure::None, {}, 0};
}

void QtSerialPort::adopt(QTcpSocket* socket) {
    socket->disconnect(this);
    socket_ = socket;
    arrivalsHeld_ = false;
    socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    // The server drives its own line: there is no direction line to switch from here.
    directionDriven_ = false;
    if (direction_ != DirectionLine::None) emit directionRefused(directionRefusedText(direction_));
    // Bounded as a serial port's unread bytes are: a flooding server cannot fill the memory.
    socket_->setReadBufferSize(kReadBufferBytes);
    connect(socket_, &QTcpSocket::readyRead, this, [this] {
        if (!arrivalsHeld_) emit readyRead();
    });
    connect(socket_, &QTcpSocket::errorOccurred, this, &QtSerialPort::onNetworkGone);
    connect(socket_, &QTcpSocket::disconnected, this, &QtSerialPort::onNetworkGone);
    if (socket_->bytesAvailable() > 0)
        QTimer::singleShot(0, this, [this] {
            if (socket_ && !arrivalsHeld_ && socket_->bytesAvailable() > 0) emit readyRead();
        });
}

void QtSerialPort::onNetworkGone() {
    if (!socket_) return;  // told once: the socket is let go below
    const QString reason = networkFailure(*socket_);
    qCDebug(lcSerial).noquote() << "connection gone:" << reason;
    QTcpSocket* s = socket_;
    socket_ = nullptr;
    s->disconnect(this);
    s->abort();
    s->deleteLater();
    emit gone(reason);
}

// A lost server is opened again only once a connection to it has been made in the background, so that
// looking for it never keeps the window waiting; a failed attempt is tried again a second later.
bool QtSerialPort::readyToOpen(const QString& name) {
    if (!isNetworkPortName(name)) return true;
    if (!probeClock_.isValid()) probeClock_.start();
    if (QTcpSocket* probe = probes_.value(name)) return probe->state() == QAbstractSocket::ConnectedState;
    const auto address = parseNetworkPortName(name);
    constexpr qint64 kProbeAgainMs = 1000;
    if (!address ||
        (probeFailedAt_.contains(name) && probeClock_.elapsed() - probeFailedAt_[name] < kProbeAgainMs))
        return false;
    auto* probe = new ServerSocket(this);
    // Bounded from the start: a server that floods the connection before it is taken over fills no memory.
    probe->setReadBufferSize(kReadBufferBytes);
    probes_.insert(name, probe);
    connect(probe, &QTcpSocket::errorOccurred, this, [this, name, probe] {
        if (probes_.value(name) != probe) return;
        probes_.remove(name);
        probeFailedAt_.insert(name, probeClock_.elapsed());
        probe->disconnect(this);
        probe->deleteLater();
    });
    probe->connectToServer(*address);
    return false;
}

void QtSerialPort::dropProbes() {
    for (QTcpSocket* probe : std::as_const(probes_)) {
        probe->disconnect(this);
        probe->abort();
        probe->deleteLater();
    }
    probes_.clear();
    probeFailedAt_.clear();
}

bool QtSerialPort::isOpen() const {
    if (socket_) return socket_->state() == QAbstractSocket::ConnectedState;
    return port_ && port_->isOpen();
}

qint64 QtSerialPort::bytesAvailable() const {
    if (socket_) return isOpen() ? socket_->bytesAvailable() : 0;
    return isOpen() ? port_->bytesAvailable() : 0;
}

QByteArray QtSerialPort::read(qint64 maxBytes) {
    if (!isOpen() || maxBytes <= 0) return {};
    if (socket_) return socket_->read(maxBytes);
    // A read of everything waiting hands over the port's whole receive block (16 KB or more) for a few
    // bytes; the traffic log keeps each reply for a long time, so it gets only its bytes.
    QByteArray bytes = port_->read(maxBytes);
    bytes.squeeze();
    return bytes;
}

qint64 QtSerialPort::write(const QByteArray& data) {
    if (!isOpen()) return 0;
    if (socket_) {
        const qint64 n = socket_->write(data);
        if (n > 0) socket_->flush();  // handed to the system now, not on the next pass of the event loop
        return std::max<qint64>(n, 0);
    }
    if (directionDriven_ && !data.isEmpty()) driveDirectionLine(true);
    qint64 total = 0;
    for (qsizetype at = 0; at < data.size(); at += kMaxPieceBytes) {
        const qint64 n = port_->write(data.mid(at, kMaxPieceBytes));
        if (n <= 0) {
            qCDebug(lcSerial).noquote() << "write failed:" << port_->errorString();
            break;
        }
        total += n;
        if (!isOpen()) break;
    }
    // The request leaves now rather than on the next pass of the event loop, and the second flush ends the
    // write there and then: no wake-up of the loop just to hand the bytes to the driver and report them.
    for (int i = 0; i < 2 && total > 0 && isOpen(); ++i) port_->flush();
    if (directionDriven_ && !data.isEmpty() && isOpen()) {
        // The line drops once the driver has sent the last byte: a request takes 0.52 ms a byte at 19200
        // baud, so the wait is a few milliseconds.
        for (int i = 0; i < 100 && port_->bytesToWrite() > 0 && isOpen(); ++i) port_->waitForBytesWritten(5);
#ifdef Q_OS_UNIX
        if (isOpen()) ::tcdrain(int(port_->handle()));
#endif
        if (isOpen()) driveDirectionLine(false);
    }
    return total;
}

void QtSerialPort::flush() {
    if (socket_) {
        if (isOpen()) socket_->flush();
        return;
    }
    if (isOpen()) port_->flush();
}

void QtSerialPort::setArrivalsReported(bool on) {
    if (socket_) {
        // A server's bytes come in a few packets, not a byte at a time: they are only not reported while
        // held. Released, what came meanwhile is told of on the next pass of the loop.
        arrivalsHeld_ = !on;
        QTimer::singleShot(0, this, [this] {
            if (socket_ && !arrivalsHeld_ && socket_->bytesAvailable() > 0) emit readyRead();
        });
        return;
    }
    if (!isOpen()) return;
    // QSerialPort reads the driver whenever its read notifier (a child of the port) sees bytes waiting.
    // Disabled, the bytes stay in the driver; enabled again, the notifier fires at once for what waits.
    for (QSocketNotifier* n : port_->findChildren<QSocketNotifier*>(Qt::FindDirectChildrenOnly))
        if (n->type() == QSocketNotifier::Read) n->setEnabled(on);
}

void QtSerialPort::close() {
    if (socket_) {
        QTcpSocket* s = socket_;
        socket_ = nullptr;
        s->disconnect(this);
        qCDebug(lcSerial).noquote() << "closed connection to" << s->peerName() << s->peerPort();
        s->abort();
        s->deleteLater();
    }
    if (!port_) return;
    QSerialPort* p = port_;
    port_ = nullptr;  // no stale handle: a later read, write or close sees a closed port
    p->disconnect(this);
    qCDebug(lcSerial).noquote() << "closed" << p->portName();
    if (p->isOpen()) p->close();
    p->deleteLater();
}

bool naturalLess(const QString& a, const QString& b) {
    int i = 0;
    int j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            int ie = i;
            int je = j;
            while (ie < a.size() && a[ie].isDigit()) ++ie;
            while (je < b.size() && b[je].isDigit()) ++je;
            const QString na = a.mid(i, ie - i).remove(QRegularExpression(QStringLiteral("^0+(?=.)")));
            const QString nb = b.mid(j, je - j).remove(QRegularExpression(QStringLiteral("^0+(?=.)")));
            if (na.size() != nb.size()) return na.size() < nb.size();
            if (na != nb) return na < nb;
            i = ie;
            j = je;
        } else {
            if (a[i] != b[j]) return a[i] < b[j];
            ++i;
            ++j;
        }
    }
    return (a.size() - i) < (b.size() - j);
}

QStringList systemSerialPorts() {
    return systemSerialPorts(QSerialPortInfo::availablePorts());
}

QStringList systemSerialPorts(const QList<QSerialPortInfo>& infos) {
    QStringList names;
#ifdef Q_OS_WIN
    for (int n = 1; n <= kMaxListedPorts; ++n) {
        const QString com = QStringLiteral("COM%1").arg(n);
        for (const auto& info : infos) {
            if (info.portName().compare(com, Qt::CaseInsensitive) == 0) {
                names.append(com);
                break;
            }
        }
    }
#else
    for (const auto& info : infos) names.append(info.portName());
    std::sort(names.begin(), names.end(), naturalLess);
    names.removeDuplicates();
    if (names.size() > kMaxListedPorts) names = names.mid(0, kMaxListedPorts);
#endif
    return names;
}

OpenResult explainPermissionError(const QString& path, int savedErrno) {
#ifdef Q_OS_UNIX
    const QString node = deviceNode(path);
    if (::access(QFile::encodeName(node).constData(), R_OK | W_OK) != 0 && errno == EACCES) {
        return {false, OpenFailure::PermissionDenied,
                Texts::tr("нет прав доступа; пользователь должен состоять в группе dialout"), EACCES};
    }
    // The node is usable, so another program holds the port. Name it when the device's lock file says who
    // and that process is alive (a stale lock names nobody).
    const QString lockName = lockFileName(node);
    // Every folder QSerialPort may put it in: the first one it can write to.
    for (const char* dir : {"/var/lock", "/etc/locks", "/var/spool/locks", "/var/spool/uucp", "/tmp",
                            "/var/tmp", "/var/lock/lockdev", "/run/lock"}) {
        QLockFile lock(QLatin1String(dir) + QLatin1Char('/') + lockName);
        qint64 pid = 0;
        QString host;
        QString app;
        if (lock.getLockInfo(&pid, &host, &app) && pid > 0 &&
            (::kill(pid_t(pid), 0) == 0 || errno == EPERM)) {
            return {false, OpenFailure::Busy,
                    Texts::tr("порт занят другой программой (PID %1%2)")
                        .arg(pid)
                        .arg(app.isEmpty() ? QString() : QStringLiteral(", ") + app),
                    savedErrno};
        }
    }
    return {false, OpenFailure::Busy, Texts::tr("порт занят другой программой"), savedErrno};
#else
    Q_UNUSED(path);
    return {false, OpenFailure::Busy, Texts::tr("порт занят другой программой"), savedErrno};
#endif
}

}  // namespace kestrel
