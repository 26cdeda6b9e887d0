// kestrel-cli: every command of the tool from a terminal or a script, at the speed of the wire.
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <QSocketNotifier>
#include <QTextStream>
#include <csignal>
#include <cstdio>
#include <utility>

#include "cli/arguments.h"
#include "cli/client.h"
#include "cli/gatewayconfig.h"
#include "cli/output.h"
#include "exchange/transactor.h"
#include "protocol/syserror.h"
#include "protocol/translation.h"
#include "serial/networkport.h"
#include "serial/qtserialport.h"
#include "traffic/csv.h"
#include "traffic/logfile.h"
#include "traffic/record.h"

using namespace kestrel;
using namespace kestrel::cli;

namespace {

// Ctrl-C, SIGTERM and SIGHUP reach the event loop through a socket pair: the handler only writes a byte.
int signalFds[2] = {-1, -1};

void onSignal(int) {
    const char b = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalFds[0], &b, 1);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kestrel-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KESTREL_VERSION));
    QTextStream out(stdout), err(stderr);

    // Qt's own texts reach the client only in a file's or port's error, which the system's error texts of the
    // tool's own cover: a Qt without its translations is not worth a line on every run.
    const LanguageChoice language = useLanguage(languageArgument(QCoreApplication::arguments().mid(1)));
    if (!language.problem.isEmpty()) err << "kestrel-cli: " << language.problem << "\n";
    ParsedArguments parsed = parseArguments(QCoreApplication::arguments().mid(1));
    // gateway --config FILE: the file's settings under those of the command line, or every wrong line.
    if (parsed.ok()) {
        const ConfigFile config = withGatewayConfig(QCoreApplication::arguments().mid(1), parsed.invocation);
        if (!config.refusals.isEmpty()) {
            for (const QString& refusal : config.refusals) err << "kestrel-cli: " << refusal << "\n";
            return kUsageError;
        }
        parsed = parseArguments(config.arguments);
    }
    if (!parsed.ok()) {
        // With --json a script reads every refusal as an object on standard output, this one too.
        if (const QStringList arguments = QCoreApplication::arguments().mid(1); jsonArgument(arguments)) {
            // The command, when the line names one, though reading stopped before it.
            QString command = parsed.invocation.words.value(0);
            for (const QString& a : arguments)
                if (command.isEmpty() && !commandHelp(a).isEmpty()) command = a;
            Output(out, err, true).failure(command, parsed.error, kUsageError);
            return kUsageError;
        }
        err << "kestrel-cli: " << parsed.error << "\n"
            << Texts::tr("kestrel-cli --help - список команд") << "\n";
        return kUsageError;
    }
    const Invocation& inv = parsed.invocation;
    if (inv.version) {
        out << "kestrel-cli " << KESTREL_VERSION << "\n";
        return kDone;
    }
    if (inv.help && inv.words.isEmpty()) {
        out << programHelp();
        return kDone;
    }

    QtSerialPort port;
    // --direction: a port that cannot drive the line is said once, and the run goes on without it.
    port.setDirectionLine(inv.direction);
    bool directionRefusalTold = false;
    QObject::connect(&port, &SerialPort::directionRefused,
                     [&err, &directionRefusalTold](const QString& text) {
                         if (std::exchange(directionRefusalTold, true)) return;
                         err << "kestrel-cli: " << text << "\n";
                         err.flush();
                     });
    Transactor transactor(port, inv.timing);
    Output output(out, err, inv.json);

    // --trace: every request and reply with its time on standard error.
    if (inv.trace) {
        QObject::connect(&transactor, &Transactor::attempted, [&err](const Transaction& t) {
            // Times of day with milliseconds: the write, and the reply's first byte.
            auto clock = [](const QDateTime& at) { return csv::isoTime(at).mid(11, 12); };
            err << clock(t.writtenAt) << " > " << t.request.toHex(' ').toUpper() << "\n";
            const auto replyMs = t.replyTimeMs();
            err << clock(replyMs ? t.writtenAt.addMSecs(*replyMs) : t.writtenAt) << " < "
                << (t.reply.isEmpty() ? QByteArray("-") : t.reply.toHex(' ').toUpper()) << "  "
                << outcomeKey(t.outcome) << "\n";
            err.flush();
        });
    }
    // --log-file: the same CSV rows as the window's traffic log. As in the window, a file that cannot be
    // written is reported once, naming it, and the command runs on without the log.
    traffic::LogFile log;
    if (!inv.logFile.isEmpty()) {
        QString why;
        if (log.open(inv.logFile, &why)) {
            QObject::connect(&transactor, &Transactor::attempted, [&log, &err, &inv](const Transaction& t) {
                QString why, notice;
                if (log.isOpen() && !log.append(traffic::recordOf(t), &why, &notice))
                    err << "kestrel-cli: " << traffic::logFileFailure(inv.logFile, localizedSystemText(why))
                        << "\n";
                if (!notice.isEmpty()) err << "kestrel-cli: " << notice << "\n";
                err.flush();
            });
        } else {
            err << "kestrel-cli: " << traffic::logFileFailure(inv.logFile, localizedSystemText(why)) << "\n";
            err.flush();
        }
    }

    auto openPort = [&]() -> int {
        if (inv.port.isEmpty()) {
            output.failure(inv.words.value(0),
                           Texts::tr("не задан порт: --port ПУТЬ или переменная KESTREL_PORT"), kUsageError);
            return kUsageError;
        }
        QString refusal;
        if (isNetworkPortName(inv.port) && !parseNetworkPortName(inv.port, &refusal)) {
            output.failure(inv.words.value(0), refusal, kUsageError);  // nothing was sent
            return kUsageError;
        }
        const OpenResult r = port.open(inv.port);
        if (r.ok) return kDone;
        output.failure(inv.words.value(0),
                       Texts::tr("порт %1 недоступен%2")
                           .arg(inv.port, r.cause.isEmpty() ? QString() : QStringLiteral(": ") + r.cause),
                       kPortError);
        return kPortError;
    };
    Client client(transactor, output, openPort, &port);

    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalFds) == 0) {
        auto* notifier = new QSocketNotifier(signalFds[1], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, [&client] {
            char b;
            [[maybe_unused]] const ssize_t n = ::read(signalFds[1], &b, 1);
            client.interrupt();
        });
        std::signal(SIGINT, onSignal);
        std::signal(SIGTERM, onSignal);
        // A closed terminal ends a monitor or a watch as Ctrl-C does: the exchange in progress ends and the
        // port is released in order.
        std::signal(SIGHUP, onSignal);
    }
    // A closed pipe on standard output ends nothing at once: a command in the middle of writing a device
    // finishes in order, and the run ends with exit code 4 (quietly, as `| head` expects).
    std::signal(SIGPIPE, SIG_IGN);

    int code = kDone;
    if (inv.words.value(0) == QLatin1String("batch") && !inv.help) {
        if (inv.words.size() != 2) {
            output.failure(QStringLiteral("batch"), Texts::tr("использование: kestrel-cli batch ФАЙЛ|-"),
                           kUsageError);
            code = kUsageError;
        } else {
            QFile input;
            const QString name = inv.words[1];
            const bool opened = name == QLatin1String("-")
                                    ? input.open(stdin, QIODevice::ReadOnly)
                                    : (input.setFileName(name), input.open(QIODevice::ReadOnly));
            if (!opened) {
                output.failure(QStringLiteral("batch"),
                               Texts::tr("не удалось открыть %1: %2").arg(name, input.errorString()),
                               kUsageError);
                code = kUsageError;
            } else {
                code = client.runBatch(input, name, inv);
            }
        }
    } else {
        code = client.run(inv);
    }
    port.close();
    log.close();
    // Results that never reached standard output are no success.
    out.flush();
    if (!output.outputFailure().isEmpty() || out.status() != QTextStream::Ok) {
        const QString why =
            output.outputFailure().isEmpty() ? Texts::tr("ошибка записи") : output.outputFailure();
        if (!output.outputClosed())
            err << "kestrel-cli: " << Texts::tr("не удалось записать стандартный вывод: %1").arg(why) << "\n";
        err.flush();
        if (code == kDone) code = kWriteFailed;
    }
    return code;
}
