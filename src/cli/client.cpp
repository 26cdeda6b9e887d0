#include "cli/client.h"

#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <algorithm>
#include <cmath>

#include "device/commands.h"
#include "device/ranges.h"
#include "device/readermode.h"
#include "device/requests.h"
#include "device/texts.h"
#include "exchange/classify.h"
#include "protocol/frame.h"
#include "protocol/hexid.h"
#include "protocol/numinput.h"
#include "protocol/savefile.h"
#include "protocol/syserror.h"
#include "protocol/translation.h"
#include "traffic/csv.h"
#include "traffic/record.h"

namespace kestrel::cli {

namespace {

constexpr int kMaxBatchLine = 4096;
constexpr int kBoundIdCells = 10;

QString noValue() {
    return Texts::tr("устройство ответило без нужных данных");
}

// A reader answers a new mode with the mode, or with one of the replies a mode change brings.
const Transactor::Expect kModeChange{
    {cmd::kAveragingSet, cmd::kAveragingCleared, cmd::kInversionChanged, cmd::kLampFrequencyChanged},
    std::nullopt};

quint32 bigEndianValue(const QByteArray& bytes) {
    quint32 v = 0;
    for (char b : bytes) v = (v << 8) | static_cast<quint8>(b);
    return v;
}

// Mode names on the command line.
struct ModeName {
    const char* name;
    device::ReaderMode mode;
};
constexpr ModeName kModeNames[] = {{"reader", device::ReaderMode::Reader},
                                   {"indicator", device::ReaderMode::Indicator},
                                   {"powered-tag", device::ReaderMode::PoweredTag},
                                   {"bridge", device::ReaderMode::Bridge},
                                   {"repeater", device::ReaderMode::Repeater}};

std::optional<device::ReaderMode> modeNamed(const QString& text) {
    for (const ModeName& m : kModeNames)
        if (text == QLatin1String(m.name)) return m.mode;
    const NumberResult n = parseExactWholeNumber(text, 0, 255);
    if (!n.ok()) return std::nullopt;
    const auto mode = device::modeOf(quint8(n.value));
    if (!mode || quint8(*mode) != n.value) return std::nullopt;
    return mode;
}

QString statusOf(const device::DeviceValue& value) {
    if (const auto* ack = std::get_if<device::Acknowledgement>(&value)) {
        const QString s = ack->statusText().trimmed();
        return s.isEmpty() ? Texts::tr("Выполнено.") : s;
    }
    return device::describe(value);
}

template <typename T>
const T* as(const std::optional<device::DeviceValue>& v) {
    return v ? std::get_if<T>(&*v) : nullptr;
}

}  // namespace

struct Client::Context {
    const Invocation& inv;
    QString command;
    quint8 address = 0;
    int exit = kDone;
};

void Client::interrupt() {
    interrupted_ = true;
    transactor_.interrupt();
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
    };
    const auto it = commands.find(c.command);
    if (it == commands.end())
        return usage(output_, c.command, Texts::tr("неизвестная команда %1").arg(c.command));
    // Every command but the bus-wide ones talks to one device.
    if (c.command != QLatin1String("scan") && c.command != QLatin1String("inventory")) {
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

int Client::ask(Context& c, const QByteArray& request, std::optional<device::DeviceValue>* value,
                const Transactor::Expect& expect) {
    lastAttempts_ = 0;
    if (const int e = ensurePort(c)) return e;
    if (const int e = portLost(c)) return e;
    const Transactor::Result r = transactor_.exchange(request, expect);
    lastAttempts_ = r.attempts;
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

int Client::verifyEqual(Context& c, const QString& what, const QString& wanted, const QString& got) {
    if (wanted == got) return kDone;
    output_.failure(c.command, Texts::tr("проверка не прошла: %1 %2, ожидалось %3").arg(what, got, wanted),
                    kDeviceFailed);
    return kDeviceFailed;
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

int Client::identify(Context& c) {
    if (!argumentCount(c, 1, 0, 0)) return c.exit;
    std::optional<device::DeviceValue> v;
    if (const int e = ask(c, device::identifyRequest(c.address), &v)) return e;
    QJsonObject fields = valueJson(*v);
    fields.insert(QLatin1String("address"), int(c.address));
    output_.result(c.command, device::describe(*v), fields);
    return kDone;
}

int Client::live(Context& c) {
    if (!argumentCount(c, 1, 0, 0)) return c.exit;
    if (!c.inv.watch) {
        std::optional<device::DeviceValue> v;
        if (const int e = ask(c, device::currentParamsRequest(c.address), &v)) return e;
        QJsonObject fields = valueJson(*v);
        fields.insert(QLatin1String("address"), int(c.address));
        output_.result(c.command, device::describe(*v), fields);
        return kDone;
    }
    // Watching: a reading a line, each failure a line with its time, until Ctrl-C. Watching that never
    // got a reading did not succeed.
    output_.setFailureTimes(true);
    int readings = 0;
    int code = kDone;
    while (!interrupted_ && output_.outputFailure().isEmpty()) {
        std::optional<device::DeviceValue> v;
        const int e = ask(c, device::currentParamsRequest(c.address), &v);
        if (interrupted_) break;
        if (e == kPortError) {
            code = e;
            break;
        }
        if (!e) {
            ++readings;
            QJsonObject fields = valueJson(*v);
            fields.insert(QLatin1String("address"), int(c.address));
            fields.insert(QLatin1String("time"), csv::isoTime(QDateTime::currentDateTimeUtc()));
            output_.result(
                c.command,
                QDateTime::currentDateTime().toString(QStringLiteral("hh:mm:ss.zzz ")) + device::describe(*v),
                fields);
        }
        if (!transactor_.pause(c.inv.watchIntervalMs) && transactor_.portLost()) {
            code = portLost(c);
            break;
        }
    }
    if (code == kDone && readings == 0 && output_.outputFailure().isEmpty())
        code = fail(c, Texts::tr("адрес %1: ни одного показания").arg(c.address), kDeviceFailed);
    output_.setFailureTimes(false);
    return code;
}

int Client::settings(Context& c) {
    if (!argumentCount(c, 1, 0, 0)) return c.exit;
    std::optional<device::DeviceValue> v;
    if (const int e = ask(c, device::currentParamsRequest(c.address), &v)) return e;
    const auto* live = as<device::LiveReading>(v);
    if (!live || !live->settings) {
        output_.failure(c.command, Texts::tr("адрес %1: %2").arg(c.address).arg(noValue()), kDeviceFailed);
        return kDeviceFailed;
    }
    const auto& s = *live->settings;
    QJsonObject fields = valueJson(*v);
    QJsonObject only{{QLatin1String("address"), int(c.address)}};
    for (const char* key : {"mode", "network", "channel", "power"})
        if (fields.contains(QLatin1String(key))) only.insert(QLatin1String(key), fields[QLatin1String(key)]);
    const auto mode = s.mode ? device::modeOf(*s.mode) : std::nullopt;
    QString modeText = s.mode ? QString::number(*s.mode) : QStringLiteral("?");
    for (const ModeName& m : kModeNames)
        if (mode && *mode == m.mode) modeText += QStringLiteral(" (%1)").arg(QLatin1String(m.name));
    if (mode) only.insert(QLatin1String("modeName"), modeText.section(QLatin1Char('('), 1).chopped(1));
    output_.result(c.command,
                   Texts::tr("режим %1, сеть %2, канал %3, мощность %4")
                       .arg(modeText)
                       .arg(s.network ? QString::number(*s.network) : QStringLiteral("?"))
                       .arg(s.channel ? QString::number(*s.channel) : QStringLiteral("?"))
                       .arg(s.power ? QString::number(*s.power) : QStringLiteral("?")),
                   only);
    return kDone;
}

// ---- settings of a reader ----

int Client::setAddress(Context& c) {
    if (!argumentCount(c, 1, 1, 1)) return c.exit;
    const auto newAddress = exact(c, c.inv.words[1], device::range::kNetAddress, Texts::tr("НОВЫЙ"));
    if (!newAddress) return c.exit;
    const device::Request r = device::setNetAddressRequest(c.address, c.inv.words[1]);
    if (!r.ok()) return refuse(c, r.refusal);
    const quint8 to = quint8(*newAddress);
    std::optional<device::DeviceValue> v;
    if (const int e = ask(c, r.frame, &v, {{}, to})) return e;
    if (c.inv.verify) {
        const quint8 old = c.address;
        c.address = to;
        std::optional<device::DeviceValue> id;
        const int e = ask(c, device::identifyRequest(to), &id);
        c.address = old;
        if (e) return e;
    }
    output_.result(c.command, statusOf(*v),
                   {{QLatin1String("address"), int(c.address)}, {QLatin1String("newAddress"), int(to)}});
    return kDone;
}

int Client::setSerial(Context& c) {
    if (!argumentCount(c, 1, 1, 1)) return c.exit;
    const auto wanted = exact(c, c.inv.words[1], device::range::kSerial, Texts::tr("НОМЕР"));
    if (!wanted) return c.exit;
    const device::Request r = device::setSerialRequest(c.address, c.inv.words[1]);
    if (!r.ok()) return refuse(c, r.refusal);
    const quint32 serial = quint32(*wanted);
    std::optional<device::DeviceValue> v;
    if (const int e = ask(c, r.frame, &v)) return e;
    if (c.inv.verify) {
        std::optional<device::DeviceValue> id;
        if (const int e = ask(c, device::identifyRequest(c.address), &id)) return e;
        const auto* ident = as<device::Identification>(id);
        const QString got = ident && ident->serial ? QString::number(*ident->serial) : QStringLiteral("?");
        if (const int e = verifyEqual(c, Texts::tr("серийный номер"), QString::number(serial), got)) return e;
    }
    output_.result(c.command, statusOf(*v),
                   {{QLatin1String("address"), int(c.address)}, {QLatin1String("serial"), double(serial)}});
    return kDone;
}

int Client::setMode(Context& c) {
    if (!argumentCount(c, 1, 1, 1)) return c.exit;
    const auto mode = modeNamed(c.inv.words[1]);
    if (!mode)
        return refuse(c, Texts::tr("неизвестный режим %1: reader, indicator, powered-tag, bridge, repeater "
                                   "или 0, 1, 2, 6, 16")
                             .arg(c.inv.words[1]));
    const quint8 byte = device::modeByte(*mode, c.inv.flags.contains(QStringLiteral("master")),
                                         c.inv.flags.contains(QStringLiteral("frequency-output")));
    std::optional<device::DeviceValue> v;
    if (const int e = ask(c, device::setModeRequest(c.address, byte), &v, kModeChange)) return e;
    if (c.inv.verify) {
        std::optional<device::DeviceValue> now;
        if (const int e = ask(c, device::currentParamsRequest(c.address), &now)) return e;
        const auto* live = as<device::LiveReading>(now);
        const QString got = live && live->settings && live->settings->mode
                                ? QString::number(*live->settings->mode)
                                : QStringLiteral("?");
        if (const int e = verifyEqual(c, Texts::tr("режим"), QString::number(byte), got)) return e;
    }
    output_.result(c.command, statusOf(*v),
                   {{QLatin1String("address"), int(c.address)}, {QLatin1String("mode"), int(byte)}});
    return kDone;
}

int Client::setRadio(Context& c) {
    if (!argumentCount(c, 1, 0, 3)) return c.exit;
    const QStringList& w = c.inv.words;
    const device::RadioParams p{w.value(1, c.inv.fields.value(QStringLiteral("network"))),
                                w.value(2, c.inv.fields.value(QStringLiteral("channel"))),
                                w.value(3, c.inv.fields.value(QStringLiteral("power")))};
    if (p.network.isEmpty() || p.channel.isEmpty() || p.power.isEmpty()) {
        return usage(output_, c.command,
                     Texts::tr("использование: kestrel-cli ") +
                         commandHelp(c.command).section(QLatin1Char('\n'), 0, 0));
    }
    // Each value is named as it was given: positionally, or as its option.
    auto named = [&](int position, const QString& word, const char* option) {
        return w.size() > position ? word : QStringLiteral("--") + QLatin1String(option);
    };
    const auto network = exact(c, p.network, device::range::kNetwork, named(1, Texts::tr("СЕТЬ"), "network"));
    if (!network) return c.exit;
    const auto channel =
        exact(c, p.channel, device::range::kChannel, named(2, Texts::tr("КАНАЛ"), "channel"));
    if (!channel) return c.exit;
    const auto power = exact(c, p.power, device::range::kPower, named(3, Texts::tr("МОЩНОСТЬ"), "power"));
    if (!power) return c.exit;
    const device::Request r = device::setRadioParamsRequest(c.address, p);
    if (!r.ok()) return refuse(c, r.refusal);
    std::optional<device::DeviceValue> v;
    if (const int e = ask(c, r.frame, &v)) return e;
    if (c.inv.verify) {
        std::optional<device::DeviceValue> now;
        if (const int e = ask(c, device::currentParamsRequest(c.address), &now)) return e;
        const auto* live = as<device::LiveReading>(now);
        QString got = QStringLiteral("?");
        if (live && live->settings && live->settings->network && live->settings->channel &&
            live->settings->power)
            got = QStringLiteral("%1/%2/%3")
                      .arg(*live->settings->network)
                      .arg(*live->settings->channel)
                      .arg(*live->settings->power);
        if (const int e =
                verifyEqual(c, Texts::tr("сеть/канал/мощность"),
                            QStringLiteral("%1/%2/%3").arg(*network).arg(*channel).arg(*power), got))
            return e;
    }
    output_.result(c.command,
                   Texts::tr("Установлены параметры радио: сеть %1, канал %2, мощность %3.")
                       .arg(*network)
                       .arg(*channel)
                       .arg(*power),
                   {{QLatin1String("address"), int(c.address)},
                    {QLatin1String("network"), double(*network)},
                    {QLatin1String("channel"), double(*channel)},
                    {QLatin1String("power"), double(*power)}});
    return kDone;
}

int Client::calibrate(Context& c) {
    if (!argumentCount(c, 1, 1, 1)) return c.exit;
    const QString& which = c.inv.words[1];
    if (which != QLatin1String("high") && which != QLatin1String("low"))
        return refuse(c, Texts::tr("calibrate high или calibrate low"));
    const bool upper = which == QLatin1String("high");
    c.command += QLatin1Char(' ') + which;
    if (!c.inv.yes)
        return refuse(c, (upper ? text::calibrateUpperQuestion() : text::calibrateLowerQuestion()) +
                             Texts::tr(" Подтвердите параметром --yes."));
    std::optional<device::DeviceValue> v;
    if (const int e = ask(c, device::calibrateRequest(c.address, upper), &v)) return e;
    output_.result(c.command, statusOf(*v), {{QLatin1String("address"), int(c.address)}});
    return kDone;
}

int Client::boundIds(Context& c) {
    if (!argumentCount(c, 1, 1, 3)) return c.exit;
    const QString sub = c.inv.words[1];
    c.command += QLatin1Char(' ') + sub;
    QByteArray request;
    std::optional<int> cell;
    quint32 id = 0;
    if (sub == QLatin1String("read") || sub == QLatin1String("clear")) {
        if (!argumentCount(c, 2, 0, 0)) return c.exit;
        request = device::plainRequest(
                      c.address, sub == QLatin1String("read") ? cmd::kReadBoundIds : cmd::kClearBoundIds)
                      .frame;
    } else if (sub == QLatin1String("set")) {
        if (!argumentCount(c, 2, 2, 2)) return c.exit;
        const auto cellNumber = exact(c, c.inv.words[2], device::range::kBoundIdCell, Texts::tr("ЯЧЕЙКА"));
        if (!cellNumber) return c.exit;
        const device::Request r = device::writeBoundIdRequest(c.address, c.inv.words[2], c.inv.words[3]);
        if (!r.ok()) return refuse(c, r.refusal);
        request = r.frame;
        cell = int(*cellNumber) - 1;
        id = parseHexId(c.inv.words[3]).value();
    } else {
        return refuse(c, Texts::tr("bound-ids read, bound-ids set ЯЧЕЙКА ID или bound-ids clear"));
    }
    std::optional<device::DeviceValue> v;
    if (const int e = ask(c, request, &v)) return e;
    const auto* table = as<device::BoundIdTable>(v);
    if (c.inv.verify && sub != QLatin1String("read")) {
        std::optional<device::DeviceValue> now;
        if (const int e = ask(c, device::plainRequest(c.address, cmd::kReadBoundIds).frame, &now)) return e;
        const auto* read = as<device::BoundIdTable>(now);
        auto cellText = [&](int i) {
            return read && i < int(read->cells.size()) ? formatHexId(read->cells[i]) : QStringLiteral("?");
        };
        if (cell) {
            if (const int e =
                    verifyEqual(c, Texts::tr("ячейка %1").arg(*cell + 1), formatHexId(id), cellText(*cell)))
                return e;
        } else {
            for (int i = 0; i < kBoundIdCells; ++i)
                if (const int e =
                        verifyEqual(c, Texts::tr("ячейка %1").arg(i + 1), formatHexId(0), cellText(i)))
                    return e;
        }
    }
    QJsonObject fields = table ? valueJson(*v) : QJsonObject{};
    fields.insert(QLatin1String("address"), int(c.address));
    output_.result(c.command, table ? device::describe(*v) : statusOf(*v), fields);
    return kDone;
}

int Client::resetDelay(Context& c) {
    if (!argumentCount(c, 1, 1, 2)) return c.exit;
    const QString sub = c.inv.words[1];
    c.command += QLatin1Char(' ') + sub;
    QByteArray request;
    std::optional<quint16> wanted;
    if (sub == QLatin1String("get")) {
        if (!argumentCount(c, 2, 0, 0)) return c.exit;
        request = device::plainRequest(c.address, cmd::kReadResetDelay).frame;
    } else if (sub == QLatin1String("set")) {
        if (!argumentCount(c, 2, 1, 1)) return c.exit;
        const auto delay = exact(c, c.inv.words[2], device::range::kResetDelay, Texts::tr("ЗАДЕРЖКА"));
        if (!delay) return c.exit;
        const device::Request r = device::setResetDelayRequest(c.address, c.inv.words[2]);
        if (!r.ok()) return refuse(c, r.refusal);
        request = r.frame;
        wanted = quint16(*delay);
    } else {
        return refuse(c, Texts::tr("reset-delay get или reset-delay set ЗАДЕРЖКА"));
    }
    std::optional<device::DeviceValue> v;
    if (const int e = ask(c, request, &v)) return e;
    if (c.inv.verify && wanted) {
        std::optional<device::DeviceValue> now;
        if (const int e = ask(c, device::plainRequest(c.address, cmd::kReadResetDelay).frame, &now)) return e;
        const auto* d = as<device::ResetDelay>(now);
        const QString got = d && d->delay ? QString::number(*d->delay) : QStringLiteral("?");
        if (const int e = verifyEqual(c, Texts::tr("задержка обнуления"), QString::number(*wanted), got))
            return e;
    }
    QJsonObject fields = valueJson(*v);
    fields.insert(QLatin1String("address"), int(c.address));
    output_.result(c.command, statusOf(*v), fields);
    return kDone;
}

// ---- tags ----

int Client::readTag(Context& c, const QString& id, device::TagParameters* out) {
    const device::Request r = device::tagReadRequest(c.address, id);
    if (!r.ok()) return refuse(c, r.refusal);
    std::optional<device::DeviceValue> v;
    if (const int e = ask(c, r.frame, &v)) return e;
    const auto* p = as<device::TagParameters>(v);
    if (!p || !p->serial || !p->identifier || !p->delay || !p->mode || !p->power || !p->period) {
        output_.failure(c.command, Texts::tr("адрес %1: %2").arg(c.address).arg(noValue()), kDeviceFailed);
        return kDeviceFailed;
    }
    *out = *p;
    return kDone;
}

int Client::tag(Context& c) {
    if (!argumentCount(c, 1, 1, 3)) return c.exit;
    const QString sub = c.inv.words[1];
    c.command += QLatin1Char(' ') + sub;
    const QStringList& w = c.inv.words;
    auto show = [&](const device::DeviceValue& v) {
        QJsonObject fields = valueJson(v);
        fields.insert(QLatin1String("address"), int(c.address));
        output_.result(c.command, statusOf(v), fields);
        return kDone;
    };
    std::optional<device::DeviceValue> v;
    if (sub == QLatin1String("search")) {
        if (!argumentCount(c, 2, 0, 0)) return c.exit;
        if (const int e = ask(c, device::tagRequest(c.address, cmd::kAnyTag, cmd::kTagQuery), &v)) return e;
        return show(*v);
    }
    if (sub == QLatin1String("read")) {
        if (!argumentCount(c, 2, 1, 1)) return c.exit;
        const device::Request r = device::tagReadRequest(c.address, w[2]);
        if (!r.ok()) return refuse(c, r.refusal);
        if (const int e = ask(c, r.frame, &v)) return e;
        return show(*v);
    }
    if (sub == QLatin1String("set-serial")) {
        if (!argumentCount(c, 2, 2, 2)) return c.exit;
        const auto serial = exact(c, w[3], device::range::kSerial, Texts::tr("НОМЕР"));
        if (!serial) return c.exit;
        const device::Request r = device::tagSetSerialRequest(c.address, w[2], w[3]);
        if (!r.ok()) return refuse(c, r.refusal);
        if (const int e = ask(c, r.frame, &v)) return e;
        if (c.inv.verify) {
            device::TagParameters p;
            if (const int e = readTag(c, w[2], &p)) return e;
            if (const int e = verifyEqual(c, Texts::tr("серийный номер метки"), QString::number(*serial),
                                          QString::number(*p.serial)))
                return e;
        }
        return show(*v);
    }
    if (sub != QLatin1String("write") && sub != QLatin1String("set-id"))
        return refuse(c, Texts::tr("tag search, read, write, set-serial или set-id"));

    // A write names the fields to change; the others keep the values read from the tag. The typed
    // fields are checked before anything is sent, with stand-ins for the values still to be read.
    const bool setId = sub == QLatin1String("set-id");
    if (!argumentCount(c, 2, setId ? 2 : 1, setId ? 2 : 1)) return c.exit;
    const HexIdResult current = parseHexId(w[2]);
    if (!current.ok()) return refuse(c, current.message());
    const QMap<QString, QString>& f = c.inv.fields;
    if (f.contains(QStringLiteral("id")) && f.contains(QStringLiteral("decimal-id")))
        return refuse(c, Texts::tr("--id и --decimal-id вместе не задаются"));
    // The numbers a script gives are whole and in range, or refused before anything is read or sent.
    const struct {
        const char* option;
        device::FieldRange range;
    } numbers[] = {{"decimal-id", device::range::kTagIdentifier},
                   {"delay", device::range::kTagDelay},
                   {"mode", device::range::kTagMode},
                   {"power", device::range::kTagPower},
                   {"period", device::range::kTagPeriod}};
    for (const auto& n : numbers)
        if (f.contains(QLatin1String(n.option)) && !exact(c, f.value(QLatin1String(n.option)), n.range,
                                                          QStringLiteral("--") + QLatin1String(n.option)))
            return c.exit;
    if (setId && !exact(c, w[3], device::range::kSerial, Texts::tr("НОМЕР"))) return c.exit;
    auto texts = [&](const device::TagParameters* read) {
        device::TagWriteTexts t;
        t.address = c.address;
        t.serial = read ? QString::number(*read->serial) : QStringLiteral("0");
        t.hexIdentifier = !f.contains(QStringLiteral("decimal-id"));
        t.identifier = f.value(QStringLiteral("decimal-id"),
                               f.value(QStringLiteral("id"), read ? formatHexId(*read->identifier) : w[2]));
        t.delay =
            f.value(QStringLiteral("delay"), read ? QString::number(*read->delay) : QStringLiteral("0"));
        t.mode = f.value(QStringLiteral("mode"), read ? QString::number(*read->mode) : QStringLiteral("1"));
        t.power = f.value(QStringLiteral("power"),
                          read ? QString::number(static_cast<qint8>(*read->power)) : QStringLiteral("0"));
        t.period =
            f.value(QStringLiteral("period"), read ? QString::number(*read->period) : QStringLiteral("1"));
        return t;
    };
    auto build = [&](const device::TagParameters* read) {
        return setId ? device::tagSetIdRequest(texts(read), w[3]) : device::tagWriteRequest(texts(read));
    };
    if (const device::Request check = build(nullptr); !check.ok()) return refuse(c, check.refusal);
    device::TagParameters before;
    if (const int e = readTag(c, w[2], &before)) return e;
    const device::Request r = build(&before);
    if (!r.ok()) return refuse(c, r.refusal);  // a value read from the tag the write cannot carry
    if (const int e = ask(c, r.frame, &v)) return e;
    if (c.inv.verify) {
        // The tag holds what was written when the same write built from what it now reads is the same:
        // identifier, delay, mode, power and period (after the count and serial number).
        auto fields = [](const QByteArray& frame) {
            return QString::fromLatin1(frame.mid(8, 10).toHex(' ').toUpper());
        };
        device::TagParameters after;
        if (const int e = readTag(c, formatHexId(bigEndianValue(r.frame.mid(8, 4))), &after)) return e;
        if (const int e =
                verifyEqual(c, Texts::tr("параметры метки"), fields(r.frame), fields(build(&after).frame)))
            return e;
    }
    QJsonObject fields = valueJson(*v);
    fields.insert(QLatin1String("address"), int(c.address));
    output_.result(c.command, statusOf(*v), fields);
    return kDone;
}

// ---- the bridge ----

int Client::bridge(Context& c) {
    if (!argumentCount(c, 1, 1, 1)) return c.exit;
    if (c.inv.words[1] != QLatin1String("read")) return refuse(c, QStringLiteral("bridge read"));
    c.command += QStringLiteral(" read");
    std::optional<device::DeviceValue> data, rs485;
    if (const int e = ask(c, device::plainRequest(c.address, cmd::kBridgeData).frame, &data)) return e;
    if (const int e = ask(c, device::plainRequest(c.address, cmd::kBridgeRs485).frame, &rs485)) return e;
    QJsonObject fields = valueJson(*data);
    const QJsonObject second = valueJson(*rs485);
    for (auto it = second.begin(); it != second.end(); ++it) fields.insert(it.key(), it.value());
    fields.insert(QLatin1String("address"), int(c.address));
    output_.result(c.command, device::describe(*data) + QStringLiteral("; ") + device::describe(*rs485),
                   fields);
    return kDone;
}

// ---- backup and restore ----

namespace {

const QString kBackupFormat = QStringLiteral("kestrel-reader-backup");
constexpr int kBackupFormatVersion = 1;
const QStringList kRestoreParts = {"mode", "radio", "bound-ids", "reset-delay", "serial"};

// A JSON value as it stands in the file: 5.5, "2", null.
QString jsonText(const QJsonValue& v) {
    if (v.isUndefined()) return Texts::tr("ничего");
    return QString::fromUtf8(QJsonDocument(QJsonArray{v}).toJson(QJsonDocument::Compact)).mid(1).chopped(1);
}

// A number of a backup file: a JSON number holding a whole number within `r`. A string, a fraction or a
// missing value is refused, never converted or rounded.
device::ExactValue wholeField(const QJsonValue& v, device::FieldRange r, const QString& what) {
    constexpr double kExactDoubles = 9007199254740992.0;  // 2^53: every whole number below is exact
    const double d = v.toDouble();
    if (v.isDouble() && std::floor(d) == d && std::fabs(d) < kExactDoubles && qint64(d) >= r.min &&
        qint64(d) <= r.max)
        return {qint64(d), {}};
    return {0, Texts::tr("%1: нужно целое число от %2 до %3, задано %4")
                   .arg(what)
                   .arg(r.min)
                   .arg(r.max)
                   .arg(jsonText(v).left(40))};
}

}  // namespace

int Client::backup(Context& c) {
    if (!argumentCount(c, 1, 0, 1)) return c.exit;
    std::optional<device::DeviceValue> id, live, table, delay;
    if (const int e = ask(c, device::identifyRequest(c.address), &id)) return e;
    if (const int e = ask(c, device::currentParamsRequest(c.address), &live)) return e;
    if (const int e = ask(c, device::plainRequest(c.address, cmd::kReadBoundIds).frame, &table)) return e;
    if (const int e = ask(c, device::plainRequest(c.address, cmd::kReadResetDelay).frame, &delay)) return e;
    const auto* ident = as<device::Identification>(id);
    const auto* reading = as<device::LiveReading>(live);
    const auto* cells = as<device::BoundIdTable>(table);
    const auto* d = as<device::ResetDelay>(delay);
    if (!ident || !ident->serial || !ident->deviceType || !reading || !reading->settings ||
        !reading->settings->mode || !reading->settings->network || !reading->settings->channel ||
        !reading->settings->power || !cells || cells->cells.size() != std::size_t(kBoundIdCells) || !d ||
        !d->delay) {
        output_.failure(c.command, Texts::tr("адрес %1: %2").arg(c.address).arg(noValue()), kDeviceFailed);
        return kDeviceFailed;
    }
    const auto& s = *reading->settings;
    QJsonObject doc{{QLatin1String("format"), kBackupFormat},
                    {QLatin1String("formatVersion"), kBackupFormatVersion},
                    {QLatin1String("tool"), QStringLiteral("kestrel-cli")},
                    {QLatin1String("version"), QStringLiteral(KESTREL_VERSION)},
                    {QLatin1String("time"), csv::isoTime(QDateTime::currentDateTimeUtc())},
                    {QLatin1String("address"), int(c.address)},
                    {QLatin1String("identity"), valueJson(*id)},
                    {QLatin1String("mode"), int(*s.mode)},
                    {QLatin1String("network"), int(*s.network)},
                    {QLatin1String("channel"), int(*s.channel)},
                    {QLatin1String("power"), int(*s.power)},
                    {QLatin1String("boundIds"), valueJson(*table).value(QLatin1String("boundIds"))},
                    {QLatin1String("resetDelay"), int(*d->delay)}};
    const QByteArray text = QJsonDocument(doc).toJson(QJsonDocument::Indented);
    if (c.inv.words.size() < 2) {
        output_.document(QString::fromUtf8(text).trimmed());
        return kDone;
    }
    // Written whole or not at all: the old file stays as it was until the new one is complete on disk.
    const QString path = c.inv.words[1];
    if (QString why; !saveWholeFile(path, text, &why)) {
        output_.failure(c.command, Texts::tr("не удалось записать %1: %2").arg(path, why), kWriteFailed);
        return kWriteFailed;
    }
    output_.result(c.command, Texts::tr("Настройки адреса %1 сохранены в %2").arg(c.address).arg(path),
                   {{QLatin1String("address"), int(c.address)}, {QLatin1String("file"), path}});
    return kDone;
}

int Client::restore(Context& c) {
    if (!argumentCount(c, 1, 1, 1)) return c.exit;
    const QString path = c.inv.words[1];
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return refuse(
            c, Texts::tr("не удалось открыть %1: %2").arg(path, localizedSystemText(file.errorString())));
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(file.read(1 << 20), &parseError);
    if (!doc.isObject() || doc.object().value(QLatin1String("format")).toString() != kBackupFormat)
        return refuse(c, Texts::tr("%1 не резервная копия настроек считывателя%2")
                             .arg(path, parseError.error ? QStringLiteral(": ") + parseError.errorString()
                                                         : QString()));
    const QJsonObject o = doc.object();
    const QJsonValue version = o.value(QLatin1String("formatVersion"));
    if (!version.isDouble() || version.toDouble() != kBackupFormatVersion)
        return refuse(c, Texts::tr("%1: неизвестная версия формата %2 (эта программа читает версию %3)")
                             .arg(path, jsonText(version).left(40))
                             .arg(kBackupFormatVersion));
    QStringList parts =
        c.inv.only.isEmpty() ? QStringList{"mode", "radio", "bound-ids", "reset-delay"} : c.inv.only;
    if (c.inv.withSerial && !parts.contains(QStringLiteral("serial"))) parts << QStringLiteral("serial");
    for (const QString& p : parts)
        if (!kRestoreParts.contains(p))
            return refuse(
                c, Texts::tr("--only: неизвестная часть %1 (mode, radio, bound-ids, reset-delay, serial)")
                       .arg(p));
    if (parts.contains(QStringLiteral("serial")) && !c.inv.withSerial)
        return refuse(c, Texts::tr("серийный номер записывается только с --with-serial"));

    // Every request is built (and so checked) before the first is sent.
    const QJsonObject identity = o.value(QLatin1String("identity")).toObject();
    auto field = [&](const QJsonValue& v, device::FieldRange r, const char* key) {
        return wholeField(v, r, QStringLiteral("%1: %2").arg(path, QLatin1String(key)));
    };
    struct Step {
        QString label;  // what the step writes, as the summary names it
        QByteArray frame;
        Transactor::Expect expect;
    };
    std::vector<Step> steps;
    for (const QString& part : kRestoreParts) {
        if (!parts.contains(part)) continue;
        if (part == QLatin1String("mode")) {
            const device::ExactValue m =
                field(o.value(QLatin1String("mode")), device::range::kReaderMode, "mode");
            if (!m.ok()) return refuse(c, m.refusal);
            if (!device::modeOf(quint8(m.value))) return refuse(c, Texts::tr("%1: неверный режим").arg(path));
            steps.push_back({part, device::setModeRequest(c.address, quint8(m.value)), kModeChange});
        } else if (part == QLatin1String("radio")) {
            device::RadioParams texts;
            const struct {
                const char* key;
                device::FieldRange range;
                QString* text;
            } radio[] = {{"network", device::range::kNetwork, &texts.network},
                         {"channel", device::range::kChannel, &texts.channel},
                         {"power", device::range::kPower, &texts.power}};
            for (const auto& r : radio) {
                const device::ExactValue v = field(o.value(QLatin1String(r.key)), r.range, r.key);
                if (!v.ok()) return refuse(c, v.refusal);
                *r.text = QString::number(v.value);
            }
            const device::Request r = device::setRadioParamsRequest(c.address, texts);
            if (!r.ok()) return refuse(c, QStringLiteral("%1: %2").arg(path, r.refusal));
            steps.push_back({part, r.frame, {}});
        } else if (part == QLatin1String("bound-ids")) {
            const QJsonArray cells = o.value(QLatin1String("boundIds")).toArray();
            if (cells.size() != kBoundIdCells)
                return refuse(c, Texts::tr("%1: нужно 10 привязанных ID").arg(path));
            for (int i = 0; i < kBoundIdCells; ++i) {
                if (!cells[i].isString())
                    return refuse(c, Texts::tr("%1, ячейка %2: нужен ID в HEX строкой, задано %3")
                                         .arg(path)
                                         .arg(i + 1)
                                         .arg(jsonText(cells[i]).left(40)));
                const device::Request r =
                    device::writeBoundIdRequest(c.address, QString::number(i + 1), cells[i].toString());
                if (!r.ok())
                    return refuse(c, Texts::tr("%1, ячейка %2: %3").arg(path).arg(i + 1).arg(r.refusal));
                steps.push_back({QStringLiteral("bound-ids %1").arg(i + 1), r.frame, {}});
            }
        } else if (part == QLatin1String("reset-delay")) {
            const device::ExactValue v =
                field(o.value(QLatin1String("resetDelay")), device::range::kResetDelay, "resetDelay");
            if (!v.ok()) return refuse(c, v.refusal);
            const device::Request r = device::setResetDelayRequest(c.address, QString::number(v.value));
            if (!r.ok()) return refuse(c, QStringLiteral("%1: %2").arg(path, r.refusal));
            steps.push_back({part, r.frame, {}});
        } else if (part == QLatin1String("serial")) {
            const device::ExactValue v =
                field(identity.value(QLatin1String("serial")), device::range::kSerial, "identity.serial");
            if (!v.ok()) return refuse(c, v.refusal);
            const device::Request r = device::setSerialRequest(c.address, QString::number(v.value));
            if (!r.ok()) return refuse(c, QStringLiteral("%1: %2").arg(path, r.refusal));
            steps.push_back({part, r.frame, {}});
        }
    }

    // The target is identified first: settings of one device type are not written into another unless
    // the engineer says so.
    const device::ExactValue backupType =
        field(identity.value(QLatin1String("deviceType")), {0, 255}, "identity.deviceType");
    std::optional<device::DeviceValue> targetId;
    if (const int e = ask(c, device::identifyRequest(c.address), &targetId)) return e;
    const auto* target = as<device::Identification>(targetId);
    if (!target || !target->deviceType) {
        output_.failure(c.command, Texts::tr("адрес %1: %2").arg(c.address).arg(noValue()), kDeviceFailed);
        return kDeviceFailed;
    }
    if (!c.inv.force && (!backupType.ok() || backupType.value != *target->deviceType))
        return refuse(
            c, Texts::tr("%1: копия снята с устройства типа %2, а по адресу %3 устройство типа %4; "
                         "ничего не записано (--force записывает всё равно)")
                   .arg(path, backupType.ok() ? QString::number(backupType.value) : QStringLiteral("?"))
                   .arg(c.address)
                   .arg(*target->deviceType));

    // An interrupted restore says which settings reached the device and which did not.
    QStringList written;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        std::optional<device::DeviceValue> v;
        holdFailures_ = true;
        const int e = ask(c, steps[i].frame, &v, steps[i].expect);
        holdFailures_ = false;
        if (!e) {
            written << steps[i].label;
            continue;
        }
        // A request that went out without an acceptable answer may have been applied or not.
        QStringList unknown, notWritten;
        (lastAttempts_ > 0 ? unknown : notWritten) << steps[i].label;
        for (std::size_t k = i + 1; k < steps.size(); ++k) notWritten << steps[k].label;
        auto listed = [](const QStringList& l) {
            return l.isEmpty() ? Texts::tr("нет") : l.join(QStringLiteral(", "));
        };
        QString message = Texts::tr("%1; восстановление не завершено: записано: %2; не записано: %3")
                              .arg(heldFailure_, listed(written), listed(notWritten));
        if (!unknown.isEmpty()) message += Texts::tr("; неизвестно, записано ли: %1").arg(listed(unknown));
        output_.failure(c.command, message, e,
                        {{QLatin1String("address"), int(c.address)},
                         {QLatin1String("file"), path},
                         {QLatin1String("written"), QJsonArray::fromStringList(written)},
                         {QLatin1String("notWritten"), QJsonArray::fromStringList(notWritten)},
                         {QLatin1String("unknown"), QJsonArray::fromStringList(unknown)}});
        return e;
    }
    if (c.inv.verify) {
        std::optional<device::DeviceValue> live, table, delay, id;
        if (const int e = ask(c, device::currentParamsRequest(c.address), &live)) return e;
        if (const int e = ask(c, device::plainRequest(c.address, cmd::kReadBoundIds).frame, &table)) return e;
        if (const int e = ask(c, device::plainRequest(c.address, cmd::kReadResetDelay).frame, &delay))
            return e;
        if (const int e = ask(c, device::identifyRequest(c.address), &id)) return e;
        QJsonObject now = valueJson(*live);
        now.insert(QLatin1String("boundIds"), valueJson(*table).value(QLatin1String("boundIds")));
        now.insert(QLatin1String("resetDelay"), valueJson(*delay).value(QLatin1String("resetDelay")));
        const QJsonValue serialNow = valueJson(*id).value(QLatin1String("serial"));
        QStringList differences;
        auto compare = [&](const QString& key, const QJsonValue& wanted, const QJsonValue& got) {
            if (wanted != got)
                differences << Texts::tr("%1 %2, ожидалось %3").arg(key, jsonText(got), jsonText(wanted));
        };
        if (parts.contains(QStringLiteral("mode")))
            compare(QStringLiteral("mode"), o.value(QLatin1String("mode")), now.value(QLatin1String("mode")));
        if (parts.contains(QStringLiteral("radio")))
            for (const char* key : {"network", "channel", "power"})
                compare(QLatin1String(key), o.value(QLatin1String(key)), now.value(QLatin1String(key)));
        if (parts.contains(QStringLiteral("bound-ids")))
            compare(QStringLiteral("boundIds"), o.value(QLatin1String("boundIds")),
                    now.value(QLatin1String("boundIds")));
        if (parts.contains(QStringLiteral("reset-delay")))
            compare(QStringLiteral("resetDelay"), o.value(QLatin1String("resetDelay")),
                    now.value(QLatin1String("resetDelay")));
        if (parts.contains(QStringLiteral("serial")))
            compare(QStringLiteral("serial"), identity.value(QLatin1String("serial")), serialNow);
        if (!differences.isEmpty()) {
            output_.failure(c.command,
                            Texts::tr("проверка не прошла: ") + differences.join(QStringLiteral("; ")),
                            kDeviceFailed);
            return kDeviceFailed;
        }
    }
    output_.result(
        c.command,
        Texts::tr("Адрес %1: записано из %2: %3").arg(c.address).arg(path, parts.join(QStringLiteral(", "))),
        {{QLatin1String("address"), int(c.address)},
         {QLatin1String("file"), path},
         {QLatin1String("restored"), QJsonArray::fromStringList(parts)}});
    return kDone;
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
