// The whole bus at a glance from a terminal: the bus overview's rounds (bus/rounds.h) on the client's
// event loop, every reader's live values a round at a time, until Ctrl-C or SIGTERM. On a terminal a table
// redrawn in place; otherwise a line (or, with --json, an object) per reader per round. The end is a
// summary per reader; the exit code says whether every reader answered at least once.

#include <unistd.h>

#include <QDateTime>
#include <QEventLoop>
#include <QJsonObject>
#include <QTimer>

#include "bus/rounds.h"
#include "cli/client.h"
#include "cli/commandkit.h"
#include "protocol/translation.h"
#include "traffic/csv.h"

namespace kestrel::cli {

namespace {

// ANSI: the cursor to the top left corner, then the screen cleared.
const QString kHomeAndClear = QStringLiteral("\x1b[H\x1b[2J");

QString stateText(bus::ReaderState s) {
    switch (s) {
        case bus::ReaderState::Answering:
            return Texts::tr("отвечает");
        case bus::ReaderState::NoReply:
            return Texts::tr("нет ответа");
        case bus::ReaderState::CheckErrors:
            return Texts::tr("ошибки проверки");
        case bus::ReaderState::Unknown:
            break;
    }
    return Texts::tr("ещё не опрошен");
}

const char* stateKey(bus::ReaderState s) {
    switch (s) {
        case bus::ReaderState::Answering:
            return "answering";
        case bus::ReaderState::NoReply:
            return "noReply";
        case bus::ReaderState::CheckErrors:
            return "checkErrors";
        case bus::ReaderState::Unknown:
            break;
    }
    return "unknown";
}

template <typename T>
QString numberOr(const std::optional<T>& v) {
    return v ? QString::number(*v) : QStringLiteral("-");
}

// The values of one row as the table and the lines show them.
struct RowTexts {
    QString serial, level, temperature, current, success, age, state;
    QString lastReply;  // "0.4 с назад", or that there was none
};

RowTexts textsOf(const bus::ReaderRow& r, const QDateTime& now) {
    RowTexts t;
    t.serial = r.identity ? numberOr(r.identity->serial) : QStringLiteral("-");
    if (r.duplicateSerial) t.serial += QLatin1Char('*');
    if (r.live) {
        t.level = numberOr(r.live->level);
        t.temperature = numberOr(r.live->temperature());
        t.current = numberOr(r.live->current);
    } else {
        t.level = t.temperature = t.current = QStringLiteral("-");
    }
    t.success = r.requests > 0 ? QStringLiteral("%1 %").arg(r.successPercent()) : QStringLiteral("-");
    t.age = r.lastGoodAt.isValid()
                ? Texts::tr("%1 с").arg(QString::number(r.lastGoodAt.msecsTo(now) / 1000.0, 'f', 1))
                : QStringLiteral("-");
    t.lastReply = r.lastGoodAt.isValid() ? Texts::tr("%1 назад").arg(t.age) : Texts::tr("не было");
    t.state = stateText(r.state);
    return t;
}

QJsonObject rowJson(const bus::ReaderRow& r, const QDateTime& now) {
    QJsonObject o{{QLatin1String("address"), int(r.address)},
                  {QLatin1String("state"), QLatin1String(stateKey(r.state))},
                  {QLatin1String("requests"), r.requests},
                  {QLatin1String("good"), r.good},
                  {QLatin1String("noReply"), r.noReply},
                  {QLatin1String("badCheck"), r.badCheck},
                  {QLatin1String("misdirected"), r.misdirected},
                  {QLatin1String("successRate"), r.successRate()}};
    if (r.identity && r.identity->serial) o.insert(QLatin1String("serial"), double(*r.identity->serial));
    if (r.duplicateSerial) o.insert(QLatin1String("duplicateSerial"), true);
    if (r.live) {
        if (r.live->level) o.insert(QLatin1String("level"), int(*r.live->level));
        if (r.live->temperature()) o.insert(QLatin1String("temperature"), int(*r.live->temperature()));
        if (r.live->current) o.insert(QLatin1String("current"), double(*r.live->current));
    }
    if (r.lastGoodAt.isValid()) o.insert(QLatin1String("lastReplyAgeMs"), double(r.lastGoodAt.msecsTo(now)));
    return o;
}

}  // namespace

int Client::monitor(Context& c) {
    if (!argumentCount(c, 1, 0, 0)) return c.exit;
    QByteArray addresses;
    if (!listedReaders(c, &addresses)) return c.exit;
    if (!busPort_) return fail(c, Texts::tr("порт не передан"), kPortError);
    if (const int e = ensurePort(c)) return e;
    if (!c.inv.addresses) {
        if (const int e = pollBus(c, &addresses)) return e;
        if (addresses.isEmpty()) return fail(c, Texts::tr("Устройства не ответили."), kDeviceFailed);
    }
    if (interrupted_) return kDeviceFailed;

    // The client's timing where the user set it, the rounds' own otherwise (one retry: a silent reader
    // must not slow the round for the others).
    bus::BusRounds::Options options;
    const Transactor::Timing& timing = c.inv.timing;
    if (c.inv.optionsGiven.contains(QStringLiteral("timeout"))) options.timeoutMs = timing.timeoutMs;
    if (c.inv.optionsGiven.contains(QStringLiteral("retries"))) options.retries = timing.retries;
    if (c.inv.optionsGiven.contains(QStringLiteral("interval"))) options.intervalMs = c.inv.watchIntervalMs;
    // The rounds send through the client's queue: its line (gap, silence, echo) and its feed of --trace and
    // --log-file.
    bus::BusRounds rounds(transactor_.queue(), options);
    for (char a : addresses) rounds.roster().add(static_cast<quint8>(a));

    const bool table = !c.inv.json && ::isatty(STDOUT_FILENO);
    QEventLoop loop;
    QString lostReason;
    QObject::connect(&rounds, &bus::BusRounds::stopped, &loop, &QEventLoop::quit);
    QObject::connect(&rounds, &bus::BusRounds::portLost, &loop, [&](const QString& reason) {
        lostReason = reason;
        loop.quit();
    });
    QObject::connect(
        &rounds, &bus::BusRounds::roundFinished, &loop, [&](int round, qint64 elapsedMs, qint64 floorMs) {
            const QDateTime now = QDateTime::currentDateTime();
            const auto& rows = rounds.roster().rows();
            if (table) {
                QString screen = kHomeAndClear +
                                 Texts::tr(
                                     "kestrel-cli monitor: круг %1, %2 мс (предел линии %3 мс), "
                                     "%4; Ctrl-C - выход")
                                     .arg(round + 1)
                                     .arg(elapsedMs)
                                     .arg(floorMs)
                                     .arg(now.toString(QStringLiteral("hh:mm:ss"))) +
                                 QStringLiteral("\n\n");
                auto line = [](const RowTexts& t, const QString& address) {
                    return QStringLiteral("%1 %2 %3 %4 %5 %6 %7  %8\n")
                        .arg(address, 5)
                        .arg(t.serial, 9)
                        .arg(t.level, 8)
                        .arg(t.temperature, 6)
                        .arg(t.current, 10)
                        .arg(t.success, 8)
                        .arg(t.age, 8)
                        .arg(t.state);
                };
                screen += line(
                    {Texts::tr("Серийный"), Texts::tr("Уровень"), Texts::tr("Темп."), Texts::tr("Текущее"),
                     Texts::tr("Успешно"), Texts::tr("Ответ"), Texts::tr("Состояние"), QString()},
                    Texts::tr("Адрес"));
                bool duplicates = false;
                for (const bus::ReaderRow& r : rows) {
                    screen += line(textsOf(r, now), QString::number(r.address));
                    duplicates = duplicates || r.duplicateSerial;
                }
                if (duplicates) screen += Texts::tr("* серийный номер повторяется у другого считывателя\n");
                output_.document(screen.chopped(1));
            } else {
                for (const bus::ReaderRow& r : rows) {
                    QJsonObject fields = rowJson(r, now);
                    fields.insert(QLatin1String("round"), round + 1);
                    fields.insert(QLatin1String("time"), csv::isoTime(now.toUTC()));
                    const RowTexts t = textsOf(r, now);
                    output_.result(
                        c.command,
                        Texts::tr("%1 адрес %2: серийный номер %3, уровень %4, "
                                  "температура %5, текущее %6, успешно %7, последний ответ: %8, %9")
                            .arg(now.toString(QStringLiteral("hh:mm:ss.zzz")))
                            .arg(r.address)
                            .arg(t.serial, t.level, t.temperature, t.current, t.success, t.lastReply,
                                 t.state),
                        fields);
                }
            }
            // Standard output gone (a closed pipe, a full disk): nobody reads the rounds.
            if (!output_.outputFailure().isEmpty()) rounds.stop();
        });
    // Ctrl-C lets the exchange in progress end; a second one, or an exchange that has not ended long after
    // its timeout, ends the rounds at once: the client never hangs on its way out.
    QTimer stopGuard;
    stopGuard.setSingleShot(true);
    auto abandon = [&] {
        rounds.abandon();
        loop.quit();
    };
    QObject::connect(&stopGuard, &QTimer::timeout, &loop, abandon);
    stopMonitor_ = [&] {
        if (stopGuard.isActive()) return abandon();
        stopGuard.start(options.timeoutMs * (options.retries + 1) + 1000);
        rounds.stop();
    };
    rounds.start();
    loop.exec();
    stopMonitor_ = nullptr;

    // The summary: what each reader did over the whole run.
    QStringList silent;
    for (const bus::ReaderRow& r : rounds.roster().rows()) {
        QJsonObject fields = rowJson(r, QDateTime::currentDateTime());
        fields.insert(QLatin1String("summary"), true);
        output_.result(
            c.command,
            Texts::tr("адрес %1: запросов %2, ответов %3, без ответа %4, ошибок проверки %5, чужих "
                      "ответов %6")
                .arg(r.address)
                .arg(r.requests)
                .arg(r.good)
                .arg(r.noReply)
                .arg(r.badCheck)
                .arg(r.misdirected),
            fields);
        if (r.good == 0) silent << QString::number(r.address);
    }
    if (!lostReason.isEmpty()) return fail(c, Texts::tr("порт потерян: %1").arg(lostReason), kPortError);
    if (!silent.isEmpty())
        return fail(c, Texts::tr("ни разу не ответили адреса: %1").arg(silent.join(QStringLiteral(", "))),
                    kDeviceFailed);
    return kDone;
}

}  // namespace kestrel::cli
