// The commands about tags in a reader's range, and the bridge's read.

#include <QDateTime>
#include <QJsonObject>

#include "bus/sitetags.h"
#include "cli/client.h"
#include "cli/commandkit.h"
#include "device/ranges.h"
#include "device/requests.h"
#include "protocol/hexid.h"
#include "protocol/translation.h"
#include "traffic/csv.h"

namespace kestrel::cli {

namespace {

// A tag's parameters with every value a write needs; nothing when the answer lacks one.
const device::TagParameters* complete(const std::optional<device::DeviceValue>& v) {
    const auto* p = as<device::TagParameters>(v);
    return p && p->serial && p->identifier && p->delay && p->mode && p->power && p->period ? p : nullptr;
}

// The parameter read of the tag a request went to, for --verify.
QByteArray readBack(quint8 address, const device::Carried& sent) {
    return device::tagRequest(address, *sent.identifier, cmd::kTagRead);
}

}  // namespace

int Client::readTag(Context& c, const QString& id, device::TagParameters* out) {
    const device::Request r = device::tagReadRequest(c.address, id);
    if (!r.ok()) return refuse(c, r.refusal);
    std::optional<device::DeviceValue> v;
    if (const int e = ask(c, r.frame, &v)) return e;
    const auto* p = complete(v);
    if (!p) {
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
        if (!exact(c, w[3], device::range::kSerial, Texts::tr("НОМЕР"))) return c.exit;
        const device::Request r = device::tagSetSerialRequest(c.address, w[2], w[3]);
        if (!r.ok()) return refuse(c, r.refusal);
        if (const int e = ask(c, r.frame, &v)) return e;
        const Check check{Texts::tr("серийный номер метки"), QString::number(*r.values.serial),
                          [](const auto& now) -> std::optional<QString> {
                              const auto* p = complete(now);
                              if (!p) return std::nullopt;
                              return QString::number(*p->serial);
                          }};
        if (c.inv.verify)
            if (const int e = verify(c, readBack(c.address, r.values), {check})) return e;
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
        // The tag holds what was written when the same write built from what it now reads sets the same
        // identifier, delay, mode, power and period; they are shown as the write's bytes.
        auto fields = [](const device::Request& write) {
            return write.ok() ? QString::fromLatin1(device::tagWriteFields(write.values).toHex(' ').toUpper())
                              : QString();
        };
        const Check check{Texts::tr("параметры метки"), fields(r),
                          [&](const auto& now) -> std::optional<QString> {
                              const auto* after = complete(now);
                              if (!after) return std::nullopt;
                              return fields(build(after));
                          }};
        if (const int e = verify(c, readBack(c.address, r.values), {check})) return e;
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

// Every tag the site's readers hear: each reader searched until a tag comes round again.
int Client::tags(Context& c) {
    if (!argumentCount(c, 1, 0, 0)) return c.exit;
    QByteArray readers;
    if (c.inv.addresses) {
        const std::optional<QByteArray> listed = addressList(c, device::range::kNetAddress);
        if (!listed) return c.exit;
        readers = *listed;
    } else if (const int e = pollBus(c, &readers)) {
        return e;
    }
    bus::SiteTags site;
    int exit = kDone;
    {
        const FailuresHeld held(holdFailures_);
        for (const char a : readers) {
            c.address = quint8(a);
            QList<quint32> fromThisReader;
            for (int i = 0; i < bus::kMaxTagSearches && !interrupted_; ++i) {
                std::optional<device::DeviceValue> v;
                const int e = ask(c, device::tagRequest(c.address, cmd::kAnyTag, cmd::kTagQuery), &v);
                if (e == kPortError) return fail(c, heldFailure_, kPortError);
                const auto* answer = as<device::TagAnswer>(v);
                if (e != kDone || !answer || !answer->identifier) break;  // no tag (more) answers
                if (fromThisReader.contains(*answer->identifier)) break;  // round again: all heard
                fromThisReader << *answer->identifier;
                site.heard(c.address, *answer, QDateTime::currentDateTime());
            }
        }
    }
    if (interrupted_) exit = kDeviceFailed;
    for (const bus::SiteTag& t : site.tags()) {
        QJsonObject fields{{QLatin1String("id"), formatHexId(t.identifier)},
                           {QLatin1String("reader"), int(t.reader)},
                           {QLatin1String("lastHeard"), csv::isoTime(t.lastHeard)}};
        fields.insert(QLatin1String("serial"), t.serial ? QJsonValue(double(*t.serial)) : QJsonValue());
        fields.insert(QLatin1String("level"), t.level ? QJsonValue(int(*t.level)) : QJsonValue());
        output_.result(
            c.command,
            Texts::tr("метка %1: серийный номер %2, считыватель %3, уровень %4, слышна %5")
                .arg(formatHexId(t.identifier), t.serial ? QString::number(*t.serial) : QStringLiteral("-"))
                .arg(t.reader)
                .arg(t.level ? QString::number(*t.level) : QStringLiteral("-"),
                     t.lastHeard.toString(QStringLiteral("HH:mm:ss"))),
            fields);
    }
    output_.note(Texts::tr("Меток на площадке: %1, считывателей опрошено: %2")
                     .arg(site.tags().size())
                     .arg(readers.size()));
    return exit;
}

}  // namespace kestrel::cli
