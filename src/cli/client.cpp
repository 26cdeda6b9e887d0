#include "cli/client.h"

#include <QByteArray>
#include <QLoggingCategory>
#include <algorithm>

#include "cli/commandkit.h"
#include "device/ranges.h"
#include "device/requests.h"
#include "device/texts.h"
#include "exchange/classify.h"
#include "protocol/translation.h"
#include "traffic/record.h"

// The client's commands and exchanges for developers: QT_LOGGING_RULES="kestrel.cli.debug=true".
Q_LOGGING_CATEGORY(lcCli, "kestrel.cli", QtWarningMsg)

namespace kestrel::cli {

namespace {

constexpr int kMaxBatchLine = 4096;

}  // namespace

QString noValue() {
    return Texts::tr("устройство ответило без нужных данных");
}

QString statusOf(const device::DeviceValue& value) {
    if (const auto* ack = std::get_if<device::Acknowledgement>(&value)) {
        const QString s = ack->statusText().trimmed();
        return s.isEmpty() ? Texts::tr("Выполнено.") : s;
    }
    return device::describe(value);
}

void Client::interrupt() {
    interrupted_ = true;
    transactor_.interrupt();
    if (stopMonitor_) stopMonitor_();
}

int Client::run(const Invocation& inv) {
    if (inv.words.isEmpty()) {
        output_.failure(QString(), Texts::tr("не задана команда; kestrel-cli --help - список команд"),
                        kUsageError);
        return kUsageError;
    }
    Context c{inv, inv.words[0]};
    if (inv.help) {
        const QString help = commandHelp(inv.words[0]);
        if (help.isEmpty()) {
            output_.failure(c.command, Texts::tr("неизвестная команда %1").arg(inv.words[0]), kUsageError);
            return kUsageError;
        }
        output_.note(help);
        return kDone;
    }
    output_.setJson(inv.json);
    transactor_.setTiming(inv.timing);
    return dispatch(c);
}

// ---- helpers shared by the commands ----

namespace {

int usage(Output& out, const QString& command, const QString& message) {
    out.failure(command, message, kUsageError);
    return kUsageError;
}

}  // namespace

int Client::dispatch(Context& c) {
    static const QMap<QString, int (Client::*)(Context&)> commands = {
        {"scan", &Client::scan},
        {"inventory", &Client::inventory},
        {"identify", &Client::identify},
        {"live", &Client::live},
        {"settings", &Client::settings},
        {"set-address", &Client::setAddress},
        {"set-serial", &Client::setSerial},
        {"set-mode", &Client::setMode},
        {"set-radio", &Client::setRadio},
        {"calibrate", &Client::calibrate},
        {"bound-ids", &Client::boundIds},
        {"reset-delay", &Client::resetDelay},
        {"tag", &Client::tag},
        {"bridge", &Client::bridge},
        {"backup", &Client::backup},
        {"restore", &Client::restore},
        {"backup-site", &Client::backupSite},
        {"restore-site", &Client::restoreSite},
        {"monitor", &Client::monitor},
        {"gateway", &Client::gateway},
        {"stats", &Client::logStats},
        {"plan", &Client::plan},
        {"tags", &Client::tags},
    };
    const auto it = commands.find(c.command);
    if (it == commands.end())
        return usage(output_, c.command, Texts::tr("неизвестная команда %1").arg(c.command));
    // Every command but the bus-wide ones talks to one device; a log's statistics need no device.
    if (c.command == QLatin1String("stats")) return logStats(c);
    static const QStringList busWide = {"scan",    "inventory", "backup-site", "restore-site",
                                        "monitor", "plan",      "tags",        "gateway"};
    if (!busWide.contains(c.command)) {
        if (!c.inv.address)
            return usage(
                output_, c.command,
                text::noListedAddress() +
                    QStringLiteral(" (-a %1)").arg(device::rangeText(device::range::kDeviceAddress)));
        // "4,6" or "4.6" is refused, never rounded to reader 5: a typo must not reach a device nobody named.
        const device::ExactValue a =
            device::exactValueIn(*c.inv.address, device::range::kDeviceAddress, QStringLiteral("-a"));
        if (!a.ok()) return usage(output_, c.command, a.refusal);
        c.address = quint8(a.value);
    }
    if (busWide.contains(c.command))
        qCDebug(lcCli).noquote() << "command" << c.inv.words.join(QLatin1Char(' '));
    else
        qCDebug(lcCli).noquote() << "command" << c.inv.words.join(QLatin1Char(' ')) << "at address"
                                 << c.address;
    return (this->*(it.value()))(c);
}

int Client::refuse(Context& c, const QString& message) {
    return usage(output_, c.command, message);
}

std::optional<qint64> Client::exact(Context& c, const QString& text, device::FieldRange r,
                                    const QString& what) {
    const device::ExactValue v = device::exactValueIn(text, r, what);
    if (v.ok()) return v.value;
    c.exit = refuse(c, v.refusal);
    return std::nullopt;
}

bool Client::argumentCount(Context& c, int first, int min, int max) {
    const int n = int(c.inv.words.size()) - first;
    if (n >= min && n <= max) return true;
    const QString help = commandHelp(c.inv.words[0]).section(QLatin1Char('\n'), 0, 0);
    c.exit = usage(output_, c.command, Texts::tr("использование: kestrel-cli ") + help);
    return false;
}

int Client::ensurePort(Context& c) {
    if (portOpen_) return kDone;
    const int e = openPort_();
    if (e != kDone) {
        c.exit = e;
        return e;
    }
    portOpen_ = true;
    return kDone;
}

int Client::ask(Context& c, const QByteArray& request, std::optional<device::DeviceValue>* value) {
    lastAttempts_ = 0;
    if (const int e = ensurePort(c)) return e;
    if (const int e = portLost(c)) return e;
    const Transactor::Result r = transactor_.exchange(request);
    lastAttempts_ = r.attempts;
    lastOutcome_ = r.last.outcome;
    qCDebug(lcCli).noquote() << "address" << c.address << "request" << request.toHex(' ').toUpper()
                             << "outcome"
                             << (r.interrupted ? QStringLiteral("interrupted")
                                               : traffic::outcomeText(r.last.outcome))
                             << "attempts" << r.attempts;
    if (const int e = portLost(c)) return e;
    if (r.interrupted) return fail(c, Texts::tr("прервано"), kDeviceFailed);
    if (!r.ok()) {
        return fail(c,
                    Texts::tr("адрес %1: %2 (попыток: %3)")
                        .arg(c.address)
                        .arg(traffic::outcomeText(r.last.outcome))
                        .arg(r.attempts),
                    kDeviceFailed);
    }
    *value = r.last.value;
    return kDone;
}

int Client::fail(Context& c, const QString& message, int exitCode) {
    if (holdFailures_) {
        heldFailure_ = message;
    } else {
        output_.failure(c.command, message, exitCode);
    }
    return exitCode;
}

int Client::verify(Context& c, const QByteArray& readBack, const std::vector<Check>& checks) {
    std::optional<device::DeviceValue> now;
    if (const int e = ask(c, readBack, &now)) return e;
    for (const Check& check : checks) {
        const std::optional<QString> got = check.got(now);
        if (!got) {
            output_.failure(c.command, Texts::tr("адрес %1: %2").arg(c.address).arg(noValue()),
                            kDeviceFailed);
            return kDeviceFailed;
        }
        if (*got == check.wanted) continue;
        output_.failure(
            c.command,
            Texts::tr("проверка не прошла: %1 %2, ожидалось %3").arg(check.what, *got, check.wanted),
            kDeviceFailed);
        return kDeviceFailed;
    }
    return kDone;
}

// ---- the bus ----

int Client::portLost(Context& c) {
    if (!transactor_.portLost()) return kDone;
    return fail(c, Texts::tr("порт потерян: %1").arg(transactor_.portLostReason()), kPortError);
}

int Client::pollBus(Context& c, QByteArray* addresses) {
    if (const int e = ensurePort(c)) return e;
    const Transactor::Result r = transactor_.scan();
    if (const int e = portLost(c)) return e;
    const auto found = pollAddresses(r.last, true);
    if (!found) {
        output_.failure(c.command,
                        Texts::tr("ответ на опрос сети не читается: %1")
                            .arg(QString::fromLatin1(r.last.reply.toHex(' ').toUpper())),
                        kDeviceFailed);
        return kDeviceFailed;
    }
    *addresses = *found;
    return kDone;
}

std::optional<QByteArray> parseAddressList(const QString& list, device::FieldRange r, QString* refusal) {
    QByteArray addresses;
    const QStringList items = list.split(QLatin1Char(','));
    for (const QString& item : items) {
        // An address, or a range of them: "1-8".
        const QStringList ends = item.split(QLatin1Char('-'));
        const QString option = QStringLiteral("--addresses");
        const device::ExactValue from = device::exactValueIn(ends.front().trimmed(), r, option);
        const device::ExactValue to =
            ends.size() == 2 ? device::exactValueIn(ends.back().trimmed(), r, option) : from;
        *refusal = ends.size() > 2 ? device::exactValueIn(item, r, option).refusal
                   : !from.ok()    ? from.refusal
                   : !to.ok()      ? to.refusal
                   : to.value < from.value
                       ? Texts::tr("--addresses: диапазон %1 идёт назад").arg(item.trimmed())
                       : QString();
        if (!refusal->isEmpty()) return std::nullopt;
        for (qint64 a = from.value; a <= to.value; ++a) {
            if (addresses.contains(char(a))) {
                *refusal = Texts::tr("--addresses: адрес %1 указан дважды").arg(a);
                return std::nullopt;
            }
            addresses.append(char(a));
        }
    }
    return addresses;
}

std::optional<QByteArray> Client::addressList(Context& c, device::FieldRange r) {
    QString refusal;
    const std::optional<QByteArray> addresses = parseAddressList(*c.inv.addresses, r, &refusal);
    if (!addresses) c.exit = refuse(c, refusal);
    return addresses;
}

bool Client::listedReaders(Context& c, QByteArray* addresses) {
    if (!c.inv.addresses) return true;
    const std::optional<QByteArray> listed = addressList(c, device::range::kDeviceAddress);
    if (listed) *addresses = *listed;
    return listed.has_value();
}

int Client::scan(Context& c) {
    if (!argumentCount(c, 1, 0, 0)) return c.exit;
    QByteArray addresses;
    if (const int e = pollBus(c, &addresses)) return e;
    QStringList list;
    for (char a : addresses) list << QString::number(static_cast<quint8>(a));
    output_.result(c.command,
                   list.isEmpty() ? Texts::tr("Устройства не ответили.")
                                  : Texts::tr("Найдены адреса: ") + list.join(QLatin1Char(' ')),
                   valueJson(device::PollAnswer{addresses}));
    return kDone;
}

int Client::inventory(Context& c) {
    if (!argumentCount(c, 1, 0, 0)) return c.exit;
    QByteArray addresses;
    if (const int e = pollBus(c, &addresses)) return e;
    int exit = kDone;
    for (char a : addresses) {
        if (interrupted_) return kDeviceFailed;
        c.address = static_cast<quint8>(a);
        std::optional<device::DeviceValue> id, live;
        int e = ask(c, device::identifyRequest(c.address), &id);
        if (e == kDone) e = ask(c, device::currentParamsRequest(c.address), &live);
        if (e == kPortError) return e;
        if (e != kDone) {
            exit = e;
            continue;
        }
        QJsonObject fields = valueJson(*id);
        const QJsonObject settings = valueJson(*live);
        for (const char* key : {"mode", "network", "channel", "power"})
            if (settings.contains(QLatin1String(key)))
                fields.insert(QLatin1String(key), settings[QLatin1String(key)]);
        fields.insert(QLatin1String("address"), int(c.address));
        output_.result(
            c.command,
            Texts::tr("адрес %1: %2; %3").arg(c.address).arg(device::describe(*id), device::describe(*live)),
            fields);
    }
    return exit;
}

// ---- batches ----

int Client::runBatch(QIODevice& input, const QString& name, const Invocation& base) {
    QByteArray all = input.readAll();
    if (all.startsWith("\xEF\xBB\xBF")) all.remove(0, 3);
    const QList<QByteArray> lines = all.split('\n');
    int done = 0, failed = 0, firstFailure = kDone;
    int stoppedAt = 0;  // the first line not run
    QStringList doneCommands;
    auto fail = [&](int lineNo, const QString& message, int code) {
        output_.failure(QStringLiteral("batch"), Output::atBatchLine(name, lineNo, message), code);
        ++failed;
        if (firstFailure == kDone) firstFailure = code;
    };
    for (int i = 0; i < lines.size() && !interrupted_; ++i) {
        const int lineNo = i + 1;
        stoppedAt = lineNo;
        QByteArray raw = lines[i];
        if (raw.endsWith('\r')) raw.chop(1);
        int code = kDone;
        if (raw.size() > kMaxBatchLine) {
            code = kUsageError;
            fail(lineNo, Texts::tr("строка длиннее %1 байт").arg(kMaxBatchLine), code);
        } else if (raw.contains('\0') || QString::fromUtf8(raw).toUtf8() != raw) {
            code = kUsageError;
            fail(lineNo, Texts::tr("не текст в UTF-8"), code);
        } else {
            QString line = QString::fromUtf8(raw);
            if (const int hash = line.indexOf(QLatin1Char('#')); hash >= 0) line.truncate(hash);
            const auto words = splitLine(line);
            const ParsedArguments parsed = words ? parseArguments(*words, base) : ParsedArguments{};
            if (!words) {
                code = kUsageError;
                fail(lineNo, Texts::tr("незакрытая кавычка"), code);
            } else if (words->isEmpty()) {
                continue;
            } else if (!parsed.ok()) {
                code = kUsageError;
                fail(lineNo, parsed.error, code);
            } else if (parsed.invocation.words.value(0) == QLatin1String("batch")) {
                code = kUsageError;
                fail(lineNo, Texts::tr("пакет внутри пакета не выполняется"), code);
            } else if (const auto runOption = std::find_if(parsed.invocation.optionsGiven.begin(),
                                                           parsed.invocation.optionsGiven.end(), isRunOption);
                       runOption != parsed.invocation.optionsGiven.end()) {
                // The port, the output format and the log belong to the whole run, not to one line.
                code = kUsageError;
                fail(lineNo,
                     Texts::tr("параметр --%1 задаётся для всего пакета, не в строке").arg(*runOption), code);
            } else {
                output_.setBatchLine(name, lineNo);
                code = run(parsed.invocation);
                output_.setBatchLine({}, 0);
                if (code == kDone) {
                    ++done;
                    doneCommands << QString::number(lineNo);
                } else {
                    ++failed;
                    if (firstFailure == kDone) firstFailure = code;
                }
            }
        }
        if (!output_.outputFailure().isEmpty()) code = kWriteFailed;
        if (code == kPortError) {
            output_.note(
                Texts::tr("%1: порт потерян на строке %2; выполнены строки: %3")
                    .arg(name)
                    .arg(lineNo)
                    .arg(doneCommands.isEmpty() ? Texts::tr("нет") : doneCommands.join(QLatin1Char(' '))));
            return kPortError;
        }
        // A failed command stops the batch unless the engineer asked to keep going.
        if (code == kWriteFailed || (code != kDone && !base.keepGoing)) break;
    }
    // The lines a stop left unrun: every later line that holds more than blanks and a comment.
    int skipped = 0;
    for (int i = stoppedAt; i < lines.size(); ++i)
        if (!QString::fromUtf8(lines[i]).section(QLatin1Char('#'), 0, 0).trimmed().isEmpty()) ++skipped;
    output_.note(Texts::tr("Пакет %1: выполнено %2, ошибок %3, пропущено %4%5")
                     .arg(name)
                     .arg(done)
                     .arg(failed)
                     .arg(skipped)
                     .arg(interrupted_ ? Texts::tr(", прерван") : QString()));
    return interrupted_ && firstFailure == kDone ? kDeviceFailed : firstFailure;
}

}  // namespace kestrel::cli
