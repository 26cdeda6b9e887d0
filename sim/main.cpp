// kestrel-sim: the simulated bus on a pseudo-terminal, for trying the tool without devices.
//
//   kestrel-sim [--link PATH] [--readers 1-8,12] [--tags N] [--fault KIND[:COUNT][@ADDR]]...
//               [--no-pacing] [--trace] [--seed N] [--replug MS]
//               [--echo] [--latency MS] [--turnaround MS]
//   kestrel-sim --tcp 127.0.0.1:5020 [...]   the same bus served over TCP, as a serial device server
//   kestrel-sim --replay LOG.csv [--link PATH] [--no-pacing] [--trace] [--replug MS]
//
// The first line printed is the port path to open. Ctrl-C (or SIGTERM) stops it.

#include <unistd.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <QStringList>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <thread>

#include "sim/ptyhost.h"
#include "sim/replay.h"

using namespace kestrel::sim;

namespace {

volatile std::sig_atomic_t g_stop = 0;

void onSignal(int) {
    g_stop = 1;
}

struct Options {
    QString link;
    QList<quint8> readers{5};
    int tags = 2;
    std::vector<Fault> faults;
    bool pacing = true;
    bool trace = false;
    quint32 seed = 1;
    int replugMs = 2000;
    QString replay;   // a traffic log to answer from instead of the readers
    QString tcpHost;  // serve over TCP on this host and port instead of a pseudo-terminal
    std::optional<quint16> tcpPort;
    PtyHost::LineModel line;
};

int usageError(const QString& message) {
    std::fprintf(stderr, "kestrel-sim: %s\nTry 'kestrel-sim --help'.\n", qPrintable(message));
    return 2;
}

// KIND[:COUNT][@ADDR]; a hang-up without a count happens once, other faults last until the end.
std::optional<Fault> parseFault(const QString& text, QString* why) {
    static const QRegularExpression re(QStringLiteral("^([a-z-]+)(?::(\\d+))?(?:@(\\d+))?$"));
    const auto m = re.match(text);
    if (!m.hasMatch()) {
        *why = QStringLiteral("bad fault '%1': expected KIND[:COUNT][@ADDR]").arg(text);
        return std::nullopt;
    }
    const auto kind = faultFromName(m.captured(1));
    if (!kind) {
        *why = QStringLiteral(
                   "unknown fault kind '%1' (silence, bad-crc, garbage, split, late, long, hangup, "
                   "stuck)")
                   .arg(m.captured(1));
        return std::nullopt;
    }
    Fault f;
    f.kind = *kind;
    f.remaining = *kind == FaultKind::HangUp ? 1 : kUntilCleared;
    if (m.hasCaptured(2)) {
        bool ok = false;
        f.remaining = m.captured(2).toInt(&ok);
        if (!ok || f.remaining < 1) {
            *why = QStringLiteral("bad fault count in '%1': a whole number from 1 up").arg(text);
            return std::nullopt;
        }
    }
    if (m.hasCaptured(3)) {
        bool ok = false;
        const int a = m.captured(3).toInt(&ok);
        if (!ok || a < 0 || a > 254) {
            *why = QStringLiteral("bad fault address in '%1': 0..254").arg(text);
            return std::nullopt;
        }
        f.address = quint8(a);
    }
    return f;
}

std::optional<int> parseInt(const QString& text, int lo, int hi) {
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < lo || v > hi) return std::nullopt;
    return v;
}

// ADDRESS:PORT, the address a name or a numeric IPv4 or bracketed IPv6 address, the port 0..65535
// (0: one the system picks).
bool parseListenAddress(const QString& text, Options& opt) {
    const int colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon <= 0) return false;
    QString host = text.left(colon);
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    const auto port = parseInt(text.mid(colon + 1), 0, 65535);
    if (host.isEmpty() || host.contains(QLatin1Char(' ')) || !port) return false;
    opt.tcpHost = host;
    opt.tcpPort = quint16(*port);
    return true;
}

// Reader addresses, 0..254: single addresses and ranges, comma-separated ("1-8,12,20-22"), none twice.
std::optional<QList<quint8>> parseReaders(const QString& text, QString* why) {
    QList<quint8> readers;
    for (const QString& part : text.split(QLatin1Char(','))) {
        const QStringList ends = part.trimmed().split(QLatin1Char('-'));
        const auto from = ends.size() <= 2 ? parseInt(ends.front().trimmed(), 0, 254) : std::nullopt;
        const auto to = ends.size() == 2 ? parseInt(ends.back().trimmed(), 0, 254) : from;
        if (!from || !to || *to < *from) {
            *why = QStringLiteral("bad reader address '%1': 0..254, or a range such as 1-32").arg(part);
            return std::nullopt;
        }
        for (int a = *from; a <= *to; ++a) {
            if (readers.contains(quint8(a))) {
                *why = QStringLiteral("reader address %1 given twice").arg(a);
                return std::nullopt;
            }
            readers.append(quint8(a));
        }
    }
    return readers;
}

bool makeLink(const QString& link, const QString& target, QString* why) {
    const QByteArray l = QFile::encodeName(link);
    char buf[4096];
    if (::readlink(l.constData(), buf, sizeof buf) >= 0) {
        ::unlink(l.constData());  // our own link from an earlier run, or one we re-point
    } else if (::access(l.constData(), F_OK) == 0) {
        *why = QStringLiteral("%1 exists and is not a symbolic link; not replacing it").arg(link);
        return false;
    }
    if (::symlink(QFile::encodeName(target).constData(), l.constData()) != 0) {
        *why = QStringLiteral("cannot make the link %1: %2")
                   .arg(link, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    return true;
}

// Removes the link only while it still points at our pty.
void removeLink(const QString& link, const QString& target) {
    if (link.isEmpty()) return;
    const QByteArray l = QFile::encodeName(link);
    char buf[4096];
    const ssize_t n = ::readlink(l.constData(), buf, sizeof buf - 1);
    if (n >= 0 && QByteArray(buf, int(n)) == QFile::encodeName(target)) ::unlink(l.constData());
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kestrel-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Simulated device bus on a pseudo-terminal, for Kestrel Tool without hardware.\n"
        "Prints the port path (e.g. /dev/pts/3) on its first line; open it in the tool at 19200 8N1.\n"
        "Every reader answers all commands of the tool; the network poll lists all readers.\n"
        "With --replay, a traffic log saved by the tool answers instead, to reproduce a session "
        "from the field.\n"
        "Ctrl-C or SIGTERM stops it and removes the --link."));
    const QCommandLineOption helpOpt(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                     QStringLiteral("Show this help."));
    const QCommandLineOption linkOpt(
        QStringLiteral("link"),
        QStringLiteral("Make a symbolic link PATH to the port (re-pointed after a re-plug, "
                       "removed on exit)."),
        QStringLiteral("PATH"));
    const QCommandLineOption readersOpt(
        QStringLiteral("readers"),
        QStringLiteral("Comma-separated reader addresses and ranges, 0..254, e.g. 1-8,12,20-22 "
                       "(default 5)."),
        QStringLiteral("LIST"));
    const QCommandLineOption tagsOpt(QStringLiteral("tags"),
                                     QStringLiteral("Radio tags each reader hears, 0..50 (default 2)."),
                                     QStringLiteral("N"));
    const QCommandLineOption faultOpt(
        QStringLiteral("fault"),
        QStringLiteral(
            "Misbehave: KIND[:COUNT][@ADDR], repeatable. KIND is silence (no reply), bad-crc (wrong "
            "check byte), garbage (random bytes), split (reply in two parts 30 ms apart), late (reply "
            "after 300 ms), long (reply padded to 60 bytes, check byte valid), hangup (the port "
            "goes away, as when an adapter is pulled) or stuck (answers as usual but keeps no setting). "
            "COUNT spoils that many replies (default: all; "
            "hangup: once); ADDR limits it to one reader."),
        QStringLiteral("FAULT"));
    const QCommandLineOption noPacingOpt(QStringLiteral("no-pacing"),
                                         QStringLiteral("Send replies at once instead of at 19200 baud."));
    const QCommandLineOption traceOpt(
        QStringLiteral("trace"), QStringLiteral("Print every request and reply as hex with a timestamp."));
    const QCommandLineOption seedOpt(
        QStringLiteral("seed"), QStringLiteral("Seed of the drifting live values and garbage (default 1)."),
        QStringLiteral("N"));
    const QCommandLineOption replugOpt(QStringLiteral("replug"),
                                       QStringLiteral("After a hang-up, come back on a new port after MS "
                                                      "milliseconds (default 2000; 0 = exit)."),
                                       QStringLiteral("MS"));
    const QCommandLineOption replayOpt(
        QStringLiteral("replay"),
        QStringLiteral(
            "Answer as the traffic log FILE (CSV, as the tool saves it) recorded: each request gets the "
            "next reply logged for the same request bytes, in logged order, and after the last one the "
            "first again, so a long session keeps going. A logged no-reply stays silent; requests "
            "the log does not have get no answer. Malformed rows are named by their line and left out; a "
            "log with no exchange is refused. Not with --readers, --tags or --fault."),
        QStringLiteral("FILE"));
    const QCommandLineOption tcpOpt(
        QStringLiteral("tcp"),
        QStringLiteral("Serve the bus on a TCP address instead of a pseudo-terminal, as a serial device "
                       "server in TCP server mode: one connection at a time; hangup drops the connection. "
                       "Port 0 picks a free one; the first line printed is the tool's port name, "
                       "tcp://ADDRESS:PORT. Not with --link or --replug."),
        QStringLiteral("ADDRESS:PORT"));
    parser.addOptions({helpOpt, linkOpt, readersOpt, tagsOpt, faultOpt, noPacingOpt, traceOpt, seedOpt,
                       replugOpt, replayOpt, tcpOpt});
    const QCommandLineOption echoOpt(
        QStringLiteral("echo"),
        QStringLiteral("Echo every byte received back before answering, as a two-wire adapter whose "
                       "receiver stays on while it sends."));
    const QCommandLineOption latencyOpt(
        QStringLiteral("latency"),
        QStringLiteral("Hand bytes to the port in chunks every MS milliseconds, as a USB chip's latency "
                       "timer does (1..1000; default: as they come)."),
        QStringLiteral("MS"));
    const QCommandLineOption turnaroundOpt(
        QStringLiteral("turnaround"),
        QStringLiteral("Answer each request only MS milliseconds after it (0..10000, default 0)."),
        QStringLiteral("MS"));
    parser.addOptions({echoOpt, latencyOpt, turnaroundOpt});

    if (!parser.parse(QCoreApplication::arguments())) return usageError(parser.errorText());
    if (parser.isSet(helpOpt)) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (!parser.positionalArguments().isEmpty())
        return usageError(
            QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().first()));

    Options opt;
    opt.replay = parser.value(replayOpt);
    if (parser.isSet(replayOpt)) {
        if (opt.replay.isEmpty()) return usageError(QStringLiteral("--replay needs a file name"));
        QStringList clash;
        for (const QCommandLineOption* o : {&readersOpt, &tagsOpt, &faultOpt})
            if (parser.isSet(*o)) clash << QStringLiteral("--") + o->names().constFirst();
        if (!clash.isEmpty())
            return usageError(
                QStringLiteral("--replay does not combine with %1").arg(clash.join(QStringLiteral(", "))));
    }
    opt.link = parser.value(linkOpt);
    if (parser.isSet(tcpOpt)) {
        if (!parseListenAddress(parser.value(tcpOpt), opt))
            return usageError(QStringLiteral("bad TCP address '%1': ADDRESS:PORT, port 0..65535")
                                  .arg(parser.value(tcpOpt)));
        if (parser.isSet(linkOpt) || parser.isSet(replugOpt))
            return usageError(QStringLiteral("--tcp does not combine with --link or --replug"));
    }
    opt.pacing = !parser.isSet(noPacingOpt);
    opt.trace = parser.isSet(traceOpt);
    if (parser.isSet(readersOpt)) {
        QString why;
        const auto readers = parseReaders(parser.value(readersOpt), &why);
        if (!readers) return usageError(why);
        opt.readers = *readers;
    }
    if (parser.isSet(tagsOpt)) {
        const auto n = parseInt(parser.value(tagsOpt), 0, 50);
        if (!n) return usageError(QStringLiteral("bad tag count '%1': 0..50").arg(parser.value(tagsOpt)));
        opt.tags = *n;
    }
    if (parser.isSet(seedOpt)) {
        bool ok = false;
        opt.seed = parser.value(seedOpt).toUInt(&ok);
        if (!ok) return usageError(QStringLiteral("bad seed '%1'").arg(parser.value(seedOpt)));
    }
    if (parser.isSet(replugOpt)) {
        const auto ms = parseInt(parser.value(replugOpt), 0, 600000);
        if (!ms)
            return usageError(
                QStringLiteral("bad re-plug delay '%1': 0..600000 ms").arg(parser.value(replugOpt)));
        opt.replugMs = *ms;
    }
    opt.line.echo = parser.isSet(echoOpt);
    if (parser.isSet(latencyOpt)) {
        const auto ms = parseInt(parser.value(latencyOpt), 1, 1000);
        if (!ms)
            return usageError(QStringLiteral("bad latency '%1': 1..1000 ms").arg(parser.value(latencyOpt)));
        opt.line.latencyMs = *ms;
    }
    if (parser.isSet(turnaroundOpt)) {
        const auto ms = parseInt(parser.value(turnaroundOpt), 0, 10000);
        if (!ms)
            return usageError(
                QStringLiteral("bad turnaround '%1': 0..10000 ms").arg(parser.value(turnaroundOpt)));
        opt.line.turnaroundMs = *ms;
    }
    for (const QString& faultText : parser.values(faultOpt)) {
        QString why;
        const auto f = parseFault(faultText, &why);
        if (!f) return usageError(why);
        if (f->address && !opt.readers.contains(*f->address))
            return usageError(QStringLiteral("fault '%1' names address %2, which no reader has")
                                  .arg(faultText)
                                  .arg(*f->address));
        opt.faults.push_back(*f);
    }

    std::unique_ptr<PtyHost> host;
    QString summary;
    if (!opt.replay.isEmpty()) {
        QString why;
        Replay::Report report;
        std::unique_ptr<Replay> replay = Replay::load(opt.replay, &why, &report);
        // Malformed rows first, each with its line, so a refusal for having none left says why.
        for (const QString& problem : report.problems)
            std::fprintf(stderr, "kestrel-sim: %s: %s\n", qPrintable(opt.replay), qPrintable(problem));
        if (report.badRows > report.problems.size())
            std::fprintf(stderr, "kestrel-sim: %s: and %d more malformed row(s)\n", qPrintable(opt.replay),
                         int(report.badRows - report.problems.size()));
        if (!replay) {
            std::fprintf(stderr, "kestrel-sim: %s\n", qPrintable(why));
            return 2;
        }
        summary = QStringLiteral("replaying %1: %2 row(s), %3 distinct request(s)")
                      .arg(opt.replay)
                      .arg(replay->rowCount())
                      .arg(replay->requestCount());
        QStringList leftOut;
        if (report.unaskedRows > 0)
            leftOut << QStringLiteral("%1 row(s) without a request left out").arg(report.unaskedRows);
        if (report.badRows > 0) leftOut << QStringLiteral("%1 malformed row(s) skipped").arg(report.badRows);
        if (!leftOut.isEmpty()) summary += QStringLiteral(" (%1)").arg(leftOut.join(QStringLiteral(", ")));
        host = std::make_unique<PtyHost>(std::move(replay));
    } else {
        Bus bus(opt.seed);
        for (int i = 0; i < opt.readers.size(); ++i)
            bus.addReader(Bus::defaultReader(opt.readers[i], i, opt.tags));
        for (const Fault& f : opt.faults) bus.injectFault(f);
        QStringList addrs;
        for (quint8 a : opt.readers) addrs << QString::number(a);
        summary = QStringLiteral("readers at %1, %2 tag(s) each")
                      .arg(addrs.join(QStringLiteral(", ")))
                      .arg(opt.tags);
        host = std::make_unique<PtyHost>(std::move(bus));
    }
    host->setPacing(opt.pacing);
    host->setLineModel(opt.line);
    if (opt.trace) {
        host->setTrace([](const TraceEntry& e) {
            std::fprintf(stdout, "%s\n", qPrintable(formatTrace(e)));
            std::fflush(stdout);
        });
    }

    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);

    QString linkTarget;
    const auto bringUp = [&]() -> bool {
        QString why;
        if (opt.tcpPort && !host->startTcp(opt.tcpHost, *opt.tcpPort, &why)) {
            std::fprintf(stderr, "kestrel-sim: cannot listen on %s: %s\n", qPrintable(parser.value(tcpOpt)),
                         qPrintable(why));
            return false;
        }
        if (!opt.tcpPort && !host->start(&why)) {
            std::fprintf(stderr, "kestrel-sim: cannot open a pseudo-terminal: %s\n", qPrintable(why));
            return false;
        }
        linkTarget = host->slavePath();
        std::fprintf(stdout, "%s\n", qPrintable(linkTarget));
        if (!opt.link.isEmpty()) {
            if (!makeLink(opt.link, linkTarget, &why)) {
                std::fprintf(stderr, "kestrel-sim: %s\n", qPrintable(why));
                return false;
            }
            std::fprintf(stdout, "link %s -> %s\n", qPrintable(opt.link), qPrintable(linkTarget));
        }
        std::fflush(stdout);
        return true;
    };

    if (!bringUp()) return 1;
    std::fprintf(stderr, "kestrel-sim: %s, 19200 8N1%s; Ctrl-C stops\n", qPrintable(summary),
                 opt.pacing ? "" : ", no pacing");

    int status = 0;
    while (!g_stop) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (!host->hungUp()) continue;
        std::fprintf(stderr, "kestrel-sim: the line hung up\n");
        if (opt.replugMs == 0) break;
        // Unplugged, the adapter's name goes at once, as the system takes a device's links away: a name
        // left pointing at the old terminal would lead a program looking for the port to whatever terminal
        // the system hands out under that number meanwhile.
        removeLink(opt.link, linkTarget);
        for (int waited = 0; waited < opt.replugMs && !g_stop; waited += 50)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (g_stop) break;
        if (!bringUp()) {
            status = 1;
            break;
        }
    }
    host->stop();
    removeLink(opt.link, linkTarget);
    return status;
}
