// The commands about one reader: what it is and reads, and its settings.

#include <QDateTime>
#include <QJsonObject>

#include "cli/client.h"
#include "cli/commandkit.h"
#include "device/ranges.h"
#include "device/readermode.h"
#include "device/requests.h"
#include "device/texts.h"
#include "protocol/hexid.h"
#include "protocol/numinput.h"
#include "protocol/translation.h"
#include "traffic/csv.h"

namespace kestrel::cli {

namespace {

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

// The name of the mode a mode byte holds; nothing for a byte that holds no known mode.
const char* nameOf(quint8 modeByte) {
    const auto mode = device::modeOf(modeByte);
    for (const ModeName& m : kModeNames)
        if (mode && *mode == m.mode) return m.name;
    return nullptr;
}

std::optional<device::ReaderMode> modeNamed(const QString& text) {
    for (const ModeName& m : kModeNames)
        if (text == QLatin1String(m.name)) return m.mode;
    const NumberResult n = parseExactWholeNumber(text, 0, 255);
    if (!n.ok()) return std::nullopt;
    const auto mode = device::modeOf(quint8(n.value));
    if (!mode || quint8(*mode) != n.value) return std::nullopt;
    return mode;
}

// A number read back, as --verify shows it: "?" when the answer lacks it.
template <typename N>
std::optional<QString> known(const std::optional<N>& n) {
    return n ? QString::number(*n) : QStringLiteral("?");
}

// One of the settings a current-parameters answer holds; nothing when the answer lacks it.
template <typename N>
std::optional<N> settingsOf(const std::optional<device::DeviceValue>& now,
                            std::optional<N> device::LiveReading::Settings::*field) {
    const auto* live = as<device::LiveReading>(now);
    return live && live->settings ? (*live->settings).*field : std::nullopt;
}

}  // namespace

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
    QString modeText = s.mode ? QString::number(*s.mode) : QStringLiteral("?");
    if (const char* name = s.mode ? nameOf(*s.mode) : nullptr) {
        modeText += QStringLiteral(" (%1)").arg(QLatin1String(name));
        only.insert(QLatin1String("modeName"), QLatin1String(name));
    }
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
    if (!exact(c, c.inv.words[1], device::range::kNetAddress, Texts::tr("НОВЫЙ"))) return c.exit;
    const device::Request r = device::setNetAddressRequest(c.address, c.inv.words[1]);
    if (!r.ok()) return refuse(c, r.refusal);
    const quint8 to = *r.values.newAddress;
    std::optional<device::DeviceValue> v;
    if (const int e = ask(c, r.frame, &v)) return e;
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
    if (!exact(c, c.inv.words[1], device::range::kSerial, Texts::tr("НОМЕР"))) return c.exit;
    const device::Request r = device::setSerialRequest(c.address, c.inv.words[1]);
    if (!r.ok()) return refuse(c, r.refusal);
    const quint32 serial = *r.values.serial;
    std::optional<device::DeviceValue> v;
    if (const int e = ask(c, r.frame, &v)) return e;
    const Check check{Texts::tr("серийный номер"), QString::number(serial), [](const auto& id) {
                          const auto* ident = as<device::Identification>(id);
                          return known(ident ? ident->serial : std::nullopt);
                      }};
    if (c.inv.verify)
        if (const int e = verify(c, device::identifyRequest(c.address), {check})) return e;
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
    if (const int e = ask(c, device::setModeRequest(c.address, byte), &v)) return e;
    const Check check{Texts::tr("режим"), QString::number(byte), [](const auto& now) {
                          return known(settingsOf(now, &device::LiveReading::Settings::mode));
                      }};
    if (c.inv.verify)
        if (const int e = verify(c, device::currentParamsRequest(c.address), {check})) return e;
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
        return refuse(c, Texts::tr("использование: kestrel-cli ") +
                             commandHelp(c.command).section(QLatin1Char('\n'), 0, 0));
    }
    // Each value is named as it was given: positionally, or as its option.
    auto named = [&](int position, const QString& word, const char* option) {
        return w.size() > position ? word : QStringLiteral("--") + QLatin1String(option);
    };
    if (!exact(c, p.network, device::range::kNetwork, named(1, Texts::tr("СЕТЬ"), "network")) ||
        !exact(c, p.channel, device::range::kChannel, named(2, Texts::tr("КАНАЛ"), "channel")) ||
        !exact(c, p.power, device::range::kPower, named(3, Texts::tr("МОЩНОСТЬ"), "power")))
        return c.exit;
    const device::Request r = device::setRadioParamsRequest(c.address, p);
    if (!r.ok()) return refuse(c, r.refusal);
    const int network = *r.values.network, channel = *r.values.channel, power = *r.values.power;
    std::optional<device::DeviceValue> v;
    if (const int e = ask(c, r.frame, &v)) return e;
    auto radioText = [](int n, int ch, int pw) { return QStringLiteral("%1/%2/%3").arg(n).arg(ch).arg(pw); };
    const Check check{Texts::tr("сеть/канал/мощность"), radioText(network, channel, power),
                      [&](const auto& now) {
                          const auto n = settingsOf(now, &device::LiveReading::Settings::network);
                          const auto ch = settingsOf(now, &device::LiveReading::Settings::channel);
                          const auto pw = settingsOf(now, &device::LiveReading::Settings::power);
                          return n && ch && pw ? radioText(*n, *ch, *pw) : QStringLiteral("?");
                      }};
    if (c.inv.verify)
        if (const int e = verify(c, device::currentParamsRequest(c.address), {check})) return e;
    output_.result(c.command,
                   Texts::tr("Установлены параметры радио: сеть %1, канал %2, мощность %3.")
                       .arg(network)
                       .arg(channel)
                       .arg(power),
                   {{QLatin1String("address"), int(c.address)},
                    {QLatin1String("network"), double(network)},
                    {QLatin1String("channel"), double(channel)},
                    {QLatin1String("power"), double(power)}});
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
    device::Carried set;  // the cell and identifier of a `set`
    if (sub == QLatin1String("read") || sub == QLatin1String("clear")) {
        if (!argumentCount(c, 2, 0, 0)) return c.exit;
        request = device::plainRequest(
                      c.address, sub == QLatin1String("read") ? cmd::kReadBoundIds : cmd::kClearBoundIds)
                      .frame;
    } else if (sub == QLatin1String("set")) {
        if (!argumentCount(c, 2, 2, 2)) return c.exit;
        if (!exact(c, c.inv.words[2], device::range::kBoundIdCell, Texts::tr("ЯЧЕЙКА"))) return c.exit;
        const device::Request r = device::writeBoundIdRequest(c.address, c.inv.words[2], c.inv.words[3]);
        if (!r.ok()) return refuse(c, r.refusal);
        request = r.frame;
        set = r.values;
    } else {
        return refuse(c, Texts::tr("bound-ids read, bound-ids set ЯЧЕЙКА ID или bound-ids clear"));
    }
    std::optional<device::DeviceValue> v;
    if (const int e = ask(c, request, &v)) return e;
    const auto* table = as<device::BoundIdTable>(v);
    if (c.inv.verify && sub != QLatin1String("read")) {
        // A set compares its cell, a clear every cell with the empty identifier.
        std::vector<Check> checks;
        for (int cell = 1; cell <= kBoundIdCells; ++cell) {
            if (set.cell && cell != *set.cell) continue;
            checks.push_back({Texts::tr("ячейка %1").arg(cell), formatHexId(set.identifier.value_or(0)),
                              [cell](const auto& now) {
                                  const auto* read = as<device::BoundIdTable>(now);
                                  return read && cell <= int(read->cells.size())
                                             ? formatHexId(read->cells[std::size_t(cell - 1)])
                                             : QStringLiteral("?");
                              }});
        }
        if (const int e = verify(c, device::plainRequest(c.address, cmd::kReadBoundIds).frame, checks))
            return e;
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
        if (!exact(c, c.inv.words[2], device::range::kResetDelay, Texts::tr("ЗАДЕРЖКА"))) return c.exit;
        const device::Request r = device::setResetDelayRequest(c.address, c.inv.words[2]);
        if (!r.ok()) return refuse(c, r.refusal);
        request = r.frame;
        wanted = r.values.delay;
    } else {
        return refuse(c, Texts::tr("reset-delay get или reset-delay set ЗАДЕРЖКА"));
    }
    std::optional<device::DeviceValue> v;
    if (const int e = ask(c, request, &v)) return e;
    if (c.inv.verify && wanted) {
        const Check check{Texts::tr("задержка обнуления"), QString::number(*wanted), [](const auto& now) {
                              const auto* d = as<device::ResetDelay>(now);
                              return known(d ? d->delay : std::nullopt);
                          }};
        if (const int e = verify(c, device::plainRequest(c.address, cmd::kReadResetDelay).frame, {check}))
            return e;
    }
    QJsonObject fields = valueJson(*v);
    fields.insert(QLatin1String("address"), int(c.address));
    output_.result(c.command, statusOf(*v), fields);
    return kDone;
}

}  // namespace kestrel::cli
