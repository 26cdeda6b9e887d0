#include "bus/sitefile.h"

#include <QJsonDocument>
#include <QSet>
#include <algorithm>
#include <cmath>

#include "bus/roster.h"
#include "device/ranges.h"
#include "device/readermode.h"
#include "device/requests.h"
#include "protocol/hexid.h"
#include "protocol/translation.h"
#include "traffic/csv.h"

namespace kestrel::bus {

namespace {

const QString kBackupFormat = QLatin1String(kReaderBackupFormat);
constexpr int kBackupFormatVersion = 1;
const QString kSiteFormat = QStringLiteral("kestrel-site");
constexpr int kSiteFormatVersion = 1;

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

std::optional<BackupValues> backupValues(const std::optional<device::Identification>& identity,
                                         const std::optional<device::LiveReading::Settings>& settings,
                                         const std::optional<device::BoundIdTable>& boundIds,
                                         const std::optional<device::ResetDelay>& resetDelay) {
    if (!identity || !identity->serial || !identity->deviceType || !settings || !settings->mode ||
        !settings->network || !settings->channel || !settings->power || !boundIds ||
        boundIds->cells.size() != std::size_t(kBoundIdCells) || !resetDelay || !resetDelay->delay)
        return std::nullopt;
    return BackupValues{*identity, *settings, *boundIds, *resetDelay};
}

QJsonObject identityJson(const device::Identification& identity) {
    QJsonObject o;
    if (identity.serial) o.insert(QLatin1String("serial"), double(*identity.serial));
    if (identity.deviceType) {
        o.insert(QLatin1String("deviceType"), double(*identity.deviceType));
        o.insert(QLatin1String("firmware"), identity.firmwareText());
    }
    return o;
}

QJsonArray boundIdsJson(const device::BoundIdTable& table) {
    QJsonArray cells;
    for (quint32 id : table.cells) cells.append(formatHexId(id));
    return cells;
}

QJsonObject readerBackup(quint8 address, const BackupValues& values, const QString& tool,
                         const QDateTime& time) {
    const auto& s = values.settings;
    return {{QLatin1String("format"), kBackupFormat},
            {QLatin1String("formatVersion"), kBackupFormatVersion},
            {QLatin1String("tool"), tool},
            {QLatin1String("version"), QStringLiteral(KESTREL_VERSION)},
            {QLatin1String("time"), csv::isoTime(time.toUTC())},
            {QLatin1String("address"), int(address)},
            {QLatin1String("identity"), identityJson(values.identity)},
            {QLatin1String("mode"), int(*s.mode)},
            {QLatin1String("network"), int(*s.network)},
            {QLatin1String("channel"), int(*s.channel)},
            {QLatin1String("power"), int(*s.power)},
            {QLatin1String("boundIds"), boundIdsJson(values.boundIds)},
            {QLatin1String("resetDelay"), int(*values.resetDelay.delay)}};
}

const QStringList& restoreParts() {
    static const QStringList parts = {"mode", "radio", "bound-ids", "reset-delay", "serial"};
    return parts;
}

QStringList defaultRestoreParts() {
    return {"mode", "radio", "bound-ids", "reset-delay"};
}

QString backupHeaderRefusal(const QJsonObject& backup, const QString& source) {
    if (backup.value(QLatin1String("format")).toString() != kBackupFormat)
        return Texts::tr("%1 не резервная копия настроек считывателя%2").arg(source, QString());
    const QJsonValue version = backup.value(QLatin1String("formatVersion"));
    if (!version.isDouble() || version.toDouble() != kBackupFormatVersion)
        return Texts::tr("%1: неизвестная версия формата %2 (эта программа читает версию %3)")
            .arg(source, jsonText(version).left(40))
            .arg(kBackupFormatVersion);
    return {};
}

RestorePlan planRestore(const QJsonObject& o, quint8 address, const QStringList& parts,
                        const QString& source) {
    RestorePlan plan;
    const QJsonObject identity = o.value(QLatin1String("identity")).toObject();
    auto field = [&](const QJsonValue& v, device::FieldRange r, const char* key) {
        return wholeField(v, r, QStringLiteral("%1: %2").arg(source, QLatin1String(key)));
    };
    auto refuse = [&](const QString& why) {
        plan.steps.clear();
        plan.refusal = why;
        return plan;
    };
    // A setting that is one whole number of the file, its request built by `build`; false on a refusal.
    auto numberStep = [&](const QString& part, const QJsonValue& value, device::FieldRange range,
                          const char* key, device::Request (*build)(device::Address, const QString&)) {
        const device::ExactValue v = field(value, range, key);
        if (!v.ok()) {
            plan.refusal = v.refusal;
            return false;
        }
        const device::Request r = build(address, QString::number(v.value));
        if (!r.ok()) {
            plan.refusal = QStringLiteral("%1: %2").arg(source, r.refusal);
            return false;
        }
        plan.steps.push_back({part, r.frame});
        return true;
    };
    for (const QString& part : restoreParts()) {
        if (!parts.contains(part)) continue;
        if (part == QLatin1String("mode")) {
            const device::ExactValue m =
                field(o.value(QLatin1String("mode")), device::range::kReaderMode, "mode");
            if (!m.ok()) return refuse(m.refusal);
            if (!device::modeOf(quint8(m.value))) return refuse(Texts::tr("%1: неверный режим").arg(source));
            plan.steps.push_back({part, device::setModeRequest(address, quint8(m.value))});
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
                if (!v.ok()) return refuse(v.refusal);
                *r.text = QString::number(v.value);
            }
            const device::Request r = device::setRadioParamsRequest(address, texts);
            if (!r.ok()) return refuse(QStringLiteral("%1: %2").arg(source, r.refusal));
            plan.steps.push_back({part, r.frame});
        } else if (part == QLatin1String("bound-ids")) {
            const QJsonArray cells = o.value(QLatin1String("boundIds")).toArray();
            if (cells.size() != kBoundIdCells)
                return refuse(Texts::tr("%1: нужно 10 привязанных ID").arg(source));
            for (int i = 0; i < kBoundIdCells; ++i) {
                if (!cells[i].isString())
                    return refuse(Texts::tr("%1, ячейка %2: нужен ID в HEX строкой, задано %3")
                                      .arg(source)
                                      .arg(i + 1)
                                      .arg(jsonText(cells[i]).left(40)));
                const device::Request r =
                    device::writeBoundIdRequest(address, QString::number(i + 1), cells[i].toString());
                if (!r.ok())
                    return refuse(Texts::tr("%1, ячейка %2: %3").arg(source).arg(i + 1).arg(r.refusal));
                plan.steps.push_back({QStringLiteral("bound-ids %1").arg(i + 1), r.frame});
            }
        } else if (part == QLatin1String("reset-delay")) {
            if (!numberStep(part, o.value(QLatin1String("resetDelay")), device::range::kResetDelay,
                            "resetDelay", device::setResetDelayRequest))
                return refuse(plan.refusal);
        } else if (part == QLatin1String("serial")) {
            if (!numberStep(part, identity.value(QLatin1String("serial")), device::range::kSerial,
                            "identity.serial", device::setSerialRequest))
                return refuse(plan.refusal);
        }
    }
    const device::ExactValue type =
        field(identity.value(QLatin1String("deviceType")), device::range::kDeviceType, "identity.deviceType");
    if (type.ok()) plan.deviceType = quint8(type.value);
    const device::ExactValue serial =
        field(identity.value(QLatin1String("serial")), device::range::kSerial, "identity.serial");
    if (serial.ok()) plan.serial = quint32(serial.value);
    return plan;
}

QJsonObject siteDocument(const std::vector<SiteReader>& readers, const QDateTime& saved) {
    QJsonArray list;
    for (const SiteReader& r : readers)
        list.append(
            QJsonObject{{QLatin1String("address"), int(r.address)}, {QLatin1String("backup"), r.backup}});
    return {{QLatin1String("format"), kSiteFormat},
            {QLatin1String("version"), kSiteFormatVersion},
            {QLatin1String("saved"), csv::isoTime(saved.toUTC())},
            {QLatin1String("readers"), list}};
}

SiteSnapshot siteDocument(const BusRoster& roster, const QString& tool, const QDateTime& saved) {
    SiteSnapshot out;
    std::vector<SiteReader> readers;
    for (const ReaderRow& row : roster.rows()) {
        // The settings read as such, or those a live reading carried.
        const auto settings = row.settings ? row.settings : row.live ? row.live->settings : std::nullopt;
        const std::optional<BackupValues> values =
            backupValues(row.identity, settings, row.boundIds, row.resetDelay);
        if (values)
            readers.push_back({row.address, readerBackup(row.address, *values, tool, saved)});
        else
            out.incomplete << row.address;
    }
    out.document = siteDocument(readers, saved);
    return out;
}

SiteContents parseSite(const QByteArray& text) {
    SiteContents out;
    auto refuse = [&](const QString& why) {
        out.readers.clear();
        out.refusal = why;
        return out;
    };
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(text, &parseError);
    if (!doc.isObject())
        return refuse(
            Texts::tr("не файл площадки (нужен объект JSON%1)")
                .arg(parseError.error ? QStringLiteral(": ") + parseError.errorString() : QString()));
    const QJsonObject site = doc.object();
    if (site.value(QLatin1String("format")).toString() != kSiteFormat)
        return refuse(Texts::tr("не файл площадки: формат %1, нужен \"%2\"")
                          .arg(jsonText(site.value(QLatin1String("format"))).left(40), kSiteFormat));
    const QJsonValue version = site.value(QLatin1String("version"));
    if (!version.isDouble() || version.toDouble() != kSiteFormatVersion)
        return refuse(Texts::tr("неизвестная версия формата %1 (эта программа читает версию %2)")
                          .arg(jsonText(version).left(40))
                          .arg(kSiteFormatVersion));
    const QJsonValue readers = site.value(QLatin1String("readers"));
    if (!readers.isArray()) return refuse(Texts::tr("нет списка считывателей (readers)"));
    if (readers.toArray().isEmpty()) return refuse(Texts::tr("в списке нет ни одного считывателя"));
    QSet<int> seen;
    int place = 0;
    for (const QJsonValue& entry : readers.toArray()) {
        ++place;
        const QJsonObject reader = entry.toObject();
        const device::ExactValue address =
            wholeField(reader.value(QLatin1String("address")), device::range::kNetAddress,
                       Texts::tr("считыватель %1, address").arg(place));
        if (!entry.isObject() || !address.ok())
            return refuse(entry.isObject() ? address.refusal
                                           : Texts::tr("считыватель %1: нужен объект JSON").arg(place));
        if (seen.contains(int(address.value)))
            return refuse(Texts::tr("адрес %1 в списке дважды").arg(address.value));
        seen.insert(int(address.value));
        const QString source = Texts::tr("адрес %1").arg(address.value);
        const QJsonObject backup = reader.value(QLatin1String("backup")).toObject();
        if (const QString why = backupHeaderRefusal(backup, source); !why.isEmpty()) return refuse(why);
        // The backup says where it was taken; a file edited to move a reader must say so in both places.
        const QJsonValue backupAddress = backup.value(QLatin1String("address"));
        if (backupAddress != QJsonValue(int(address.value)))
            return refuse(Texts::tr("%1: в копии адрес %2").arg(source, jsonText(backupAddress).left(40)));
        const RestorePlan plan = planRestore(backup, quint8(address.value), restoreParts(), source);
        if (!plan.ok()) return refuse(plan.refusal);
        if (!plan.deviceType)
            return refuse(
                wholeField(
                    backup.value(QLatin1String("identity")).toObject().value(QLatin1String("deviceType")),
                    device::range::kDeviceType, source + QStringLiteral(": identity.deviceType"))
                    .refusal);
        out.readers.push_back({quint8(address.value), backup});
    }
    return out;
}

std::vector<SharedSerial> sharedSerials(const std::vector<std::pair<quint8, quint32>>& readers) {
    std::vector<SharedSerial> out;
    for (const auto& reader : readers) {
        const quint32 serial = reader.second;
        const auto same = std::find_if(out.begin(), out.end(),
                                       [serial](const SharedSerial& s) { return s.serial == serial; });
        if (same != out.end())
            same->addresses << reader.first;
        else
            out.push_back({serial, {reader.first}});
    }
    out.erase(
        std::remove_if(out.begin(), out.end(), [](const SharedSerial& s) { return s.addresses.size() < 2; }),
        out.end());
    return out;
}

}  // namespace kestrel::bus
