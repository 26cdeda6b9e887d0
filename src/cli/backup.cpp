// A reader's settings saved to a file, and written from one to a reader.

#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

#include "cli/client.h"
#include "cli/commandkit.h"
#include "device/ranges.h"
#include "device/readermode.h"
#include "device/requests.h"
#include "protocol/savefile.h"
#include "protocol/syserror.h"
#include "protocol/translation.h"
#include "traffic/csv.h"

namespace kestrel::cli {

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
    // A setting that is one whole number of the file, its request built by `build`; the refusal's exit code.
    auto numberStep = [&](const QString& part, const QJsonValue& value, device::FieldRange range,
                          const char* key, device::Request (*build)(device::Address, const QString&)) {
        const device::ExactValue v = field(value, range, key);
        if (!v.ok()) return refuse(c, v.refusal);
        const device::Request r = build(c.address, QString::number(v.value));
        if (!r.ok()) return refuse(c, QStringLiteral("%1: %2").arg(path, r.refusal));
        steps.push_back({part, r.frame, {}});
        return int(kDone);
    };
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
            if (const int e =
                    numberStep(part, o.value(QLatin1String("resetDelay")), device::range::kResetDelay,
                               "resetDelay", device::setResetDelayRequest))
                return e;
        } else if (part == QLatin1String("serial")) {
            if (const int e = numberStep(part, identity.value(QLatin1String("serial")),
                                         device::range::kSerial, "identity.serial", device::setSerialRequest))
                return e;
        }
    }

    // The target is identified first: settings of one device type are not written into another unless
    // the engineer says so.
    const device::ExactValue backupType =
        field(identity.value(QLatin1String("deviceType")), device::range::kDeviceType, "identity.deviceType");
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

}  // namespace kestrel::cli
