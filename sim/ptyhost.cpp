#include "sim/ptyhost.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace kestrel::sim {

using Clock = std::chrono::steady_clock;
using std::chrono::duration_cast;
using std::chrono::microseconds;
using std::chrono::milliseconds;

namespace {

constexpr int kPacedPieceBytes = 4;          // bytes handed to the pty at a time while pacing
constexpr milliseconds kIdleWake{200};       // wake this often to let the live values drift
constexpr milliseconds kRetryFullBuffer{5};  // nobody reads the port and its buffer is full
constexpr int kReadBlock = 4096;

void closeFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

QString errnoText(const char* what) {
    return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
}

// The bus model as what answers the line.
class BusResponder : public Responder {
  public:
    explicit BusResponder(Bus& bus) : bus_(bus) {}
    std::vector<Exchange> feed(const QByteArray& bytes) override { return bus_.feed(bytes); }
    void advance(qint64 ms) override { bus_.advance(ms); }

  private:
    Bus& bus_;
};

}  // namespace

QString formatTrace(const TraceEntry& e) {
    return QStringLiteral("%1 %2 %3")
        .arg(double(e.ms) / 1000.0, 10, 'f', 3)
        .arg(e.incoming ? QStringLiteral("request") : QStringLiteral("reply  "))
        .arg(hexText(e.bytes));
}

PtyHost::PtyHost(Bus bus) : bus_(std::move(bus)), responder_(std::make_unique<BusResponder>(bus_)) {}

PtyHost::PtyHost(std::unique_ptr<Responder> responder) : responder_(std::move(responder)) {}

PtyHost::~PtyHost() {
    stop();
}

QString PtyHost::slavePath() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return slavePath_;
}

// A start is refused while the host runs; otherwise a thread that ended with a hang-up is collected first.
bool PtyHost::mayStart(QString* error) {
    if (running_) {
        if (error) *error = QStringLiteral("the simulated bus is already running");
        return false;
    }
    stop();
    return true;
}

// A start that failed half-way: the reason, and nothing left open.
bool PtyHost::startFailed(QString* error, const QString& why) {
    if (error) *error = why;
    closeFds();
    return false;
}

bool PtyHost::start(QString* error) {
    if (!mayStart(error)) return false;
    const auto fail = [&](const QString& why) { return startFailed(error, why); };

    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0) return fail(errnoText("posix_openpt"));
    if (::grantpt(master_) != 0) return fail(errnoText("grantpt"));
    if (::unlockpt(master_) != 0) return fail(errnoText("unlockpt"));
    char name[128] = {};
    if (::ptsname_r(master_, name, sizeof name) != 0) return fail(errnoText("ptsname"));
    slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave_ < 0) return fail(errnoText("open slave"));
    // Raw line: no echo, no line editing, no CR/LF translation, before any client configures it.
    termios tio{};
    if (::tcgetattr(slave_, &tio) != 0) return fail(errnoText("tcgetattr"));
    ::cfmakeraw(&tio);
    ::cfsetispeed(&tio, B19200);
    ::cfsetospeed(&tio, B19200);
    if (::tcsetattr(slave_, TCSANOW, &tio) != 0) return fail(errnoText("tcsetattr"));
    if (::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK) != 0)
        return fail(errnoText("fcntl"));
    if (::pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) return fail(errnoText("pipe"));

    {
        std::lock_guard<std::mutex> lock(mutex_);
        slavePath_ = QString::fromLocal8Bit(name);
    }
    return startThread();
}

bool PtyHost::startTcp(const QString& host, quint16 port, QString* error) {
    if (!mayStart(error)) return false;
    const auto fail = [&](const QString& why) { return startFailed(error, why); };
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const QByteArray service = QByteArray::number(port);
    const int rc = ::getaddrinfo(host.toUtf8().constData(), service.constData(), &hints, &found);
    if (rc != 0 || !found)
        return fail(QStringLiteral("%1: %2").arg(host, QString::fromLocal8Bit(::gai_strerror(rc))));
    listen_ =
        ::socket(found->ai_family, found->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, found->ai_protocol);
    const int yes = 1;
    const bool bound = listen_ >= 0 &&
                       ::setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes) == 0 &&
                       ::bind(listen_, found->ai_addr, found->ai_addrlen) == 0 && ::listen(listen_, 4) == 0;
    ::freeaddrinfo(found);
    if (!bound) return fail(errnoText("listen"));
    sockaddr_storage local{};
    socklen_t length = sizeof local;
    if (::getsockname(listen_, reinterpret_cast<sockaddr*>(&local), &length) != 0)
        return fail(errnoText("getsockname"));
    const quint16 actual = local.ss_family == AF_INET6
                               ? ntohs(reinterpret_cast<const sockaddr_in6*>(&local)->sin6_port)
                               : ntohs(reinterpret_cast<const sockaddr_in*>(&local)->sin_port);
    if (::pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) return fail(errnoText("pipe"));
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const QString shown = host.contains(QLatin1Char(':')) ? QStringLiteral("[%1]").arg(host) : host;
        slavePath_ = QStringLiteral("tcp://%1:%2").arg(shown).arg(actual);
    }
    return startThread();
}

bool PtyHost::startThread() {
    out_.clear();
    started_ = Clock::now();
    lineFree_ = started_;
    hungUp_ = false;
    running_ = true;
    thread_ = std::thread(&PtyHost::run, this);
    return true;
}

void PtyHost::acceptConnection() {
    const int fd = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) return;
    if (master_ >= 0) {  // one connection at a time, as the port of a serial line
        ::close(fd);
        return;
    }
    const int yes = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    master_ = fd;
    emitTrace(true, QByteArrayLiteral("(connected)"));
}

void PtyHost::dropConnection() {
    closeFd(master_);
    out_.clear();
}

qint64 PtyHost::writeLine(const QByteArray& bytes) {
    if (listen_ >= 0) return ::send(master_, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL);
    return ::write(master_, bytes.constData(), size_t(bytes.size()));
}

void PtyHost::stop() {
    if (thread_.joinable()) {
        const char byte = 1;
        [[maybe_unused]] const auto n = ::write(wake_[1], &byte, 1);
        thread_.join();
    }
    running_ = false;
    closeFds();
    out_.clear();
    std::lock_guard<std::mutex> lock(mutex_);
    slavePath_.clear();
}

void PtyHost::closeFds() {
    closeFd(master_);
    closeFd(listen_);
    closeFd(slave_);
    closeFd(wake_[0]);
    closeFd(wake_[1]);
}

void PtyHost::emitTrace(bool incoming, const QByteArray& bytes) {
    if (!trace_) return;
    trace_(TraceEntry{duration_cast<milliseconds>(Clock::now() - started_).count(), incoming, bytes});
}

// Lays the reply out on the line: after the busy line is free, each chunk after its delay; with pacing
// each piece becomes due when its last byte would have finished on a 19200 baud line.
// A reply's turnaround comes before its first chunk; with a latency period each piece reaches the port at
// the end of the period its last byte fell in, so a reply comes in chunks a period apart.
void PtyHost::schedule(const Exchange& ex, Clock::time_point now, int turnaroundMs) {
    Clock::time_point t = std::max(now, lineFree_);
    if (ex.hangUp) {
        out_.push_back({delivered(t), {}, true});
        return;
    }
    if (!ex.chunks.empty()) t += milliseconds(turnaroundMs);
    const bool paced = pacing_;
    for (const Chunk& chunk : ex.chunks) {
        t += milliseconds(chunk.delayMs);
        const int step = paced ? kPacedPieceBytes : int(chunk.bytes.size());
        for (qsizetype at = 0; at < chunk.bytes.size(); at += step) {
            const QByteArray piece = chunk.bytes.mid(at, step);
            if (paced) t += kByteTime * piece.size();
            out_.push_back({delivered(t), piece, false});
        }
    }
    lineFree_ = t;
}

Clock::time_point PtyHost::delivered(Clock::time_point t) const {
    if (line_.latencyMs <= 0) return t;
    const microseconds period = milliseconds(line_.latencyMs);
    const auto since = duration_cast<microseconds>(t - started_);
    return started_ + period * ((since.count() + period.count() - 1) / period.count());
}

bool PtyHost::sendDue(Clock::time_point now) {
    while (!out_.empty() && out_.front().due <= now) {
        Pending& p = out_.front();
        if (p.hangUp && listen_ >= 0) {
            // A device server's connection drops; the server listens on for the next one.
            emitTrace(false, QByteArrayLiteral("(connection dropped)"));
            dropConnection();
            return true;
        }
        if (p.hangUp) {
            // As when the adapter is pulled: every open file of the line is hung up and the slave
            // node disappears.
            closeFd(master_);
            closeFd(slave_);
            out_.clear();
            {
                std::lock_guard<std::mutex> lock(mutex_);
                slavePath_.clear();
            }
            hungUp_ = true;
            emitTrace(false, QByteArrayLiteral("(hang-up)"));
            return false;
        }
        const qint64 n = writeLine(p.bytes);
        if (n < 0 && listen_ >= 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            dropConnection();  // the other end went away
            return true;
        }
        if (n > 0) {
            bytesSent_ += n;
            emitTrace(false, p.bytes.left(n));
        }
        if (n == p.bytes.size()) {
            out_.pop_front();
            continue;
        }
        if (n > 0) p.bytes.remove(0, n);
        p.due = now + kRetryFullBuffer;
        break;
    }
    return true;
}

void PtyHost::run() {
    Clock::time_point lastAdvance = Clock::now();
    QByteArray buf(kReadBlock, '\0');
    for (;;) {
        Clock::time_point now = Clock::now();
        microseconds wait = kIdleWake;
        if (!out_.empty())
            wait = std::max(microseconds(0), duration_cast<microseconds>(out_.front().due - now));
        const timespec ts{time_t(wait.count() / 1000000), long(wait.count() % 1000000) * 1000};
        pollfd fds[3] = {{wake_[0], POLLIN, 0}, {master_, POLLIN, 0}, {listen_, POLLIN, 0}};
        const int ready = ::ppoll(fds, 3, &ts, nullptr);
        if (ready < 0 && errno != EINTR) break;
        if (fds[0].revents) break;  // stop()
        if (fds[2].revents & POLLIN) acceptConnection();

        now = Clock::now();
        const auto elapsed = duration_cast<milliseconds>(now - lastAdvance);
        lastAdvance += elapsed;
        std::vector<Exchange> exchanges;
        QByteArray input;
        if (fds[1].revents & POLLIN) {
            const ssize_t n = ::read(master_, buf.data(), size_t(buf.size()));
            if (n > 0) input = buf.left(n);
            if (listen_ >= 0 && (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR))) {
                emitTrace(true, QByteArrayLiteral("(disconnected)"));
                dropConnection();  // the tool closed the connection: the next one is served
                fds[1].revents = 0;
            }
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            responder_->advance(elapsed.count());
            if (!input.isEmpty()) exchanges = responder_->feed(input);
        }
        // Everything that arrives is traced, answered or not (a wrong check byte, an absent address).
        if (!input.isEmpty()) emitTrace(true, input);
        // The echo of what came leaves the line before any answer to it.
        if (line_.echo && !input.isEmpty())
            schedule(Exchange{input, std::nullopt, {Chunk{0, input}}, false}, now, 0);
        for (const Exchange& ex : exchanges) schedule(ex, now, line_.turnaroundMs);
        outstanding_ = int(out_.size());
        bytesReceived_ += input.size();  // after the answer is scheduled: see bytesReceived()
        if (listen_ >= 0 && (fds[1].revents & (POLLHUP | POLLERR)) && !(fds[1].revents & POLLIN)) {
            dropConnection();
        } else if ((fds[1].revents & (POLLHUP | POLLERR)) && !(fds[1].revents & POLLIN)) {
            // Cannot happen while our own slave descriptor is open; never spin if it does.
            std::this_thread::sleep_for(milliseconds(10));
        }
        const bool open = sendDue(Clock::now());
        outstanding_ = int(out_.size());
        if (!open) break;
    }
    running_ = false;
}

}  // namespace kestrel::sim
