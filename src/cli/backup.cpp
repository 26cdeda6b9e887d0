// A reader's settings saved to a file, and written from one to a reader; a whole site's readers the same
// way, each at its address. The file formats are the bus layer's (bus/sitefile.h), which the window's bus
// overview writes too.

#include <fcntl.h>
#include <unistd.h>

#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cerrno>

#include "bus/sitefile.h"
#include "cli/client.h"
#include "cli/commandkit.h"
#include "device/ranges.h"
#include "device/requests.h"
#include "protocol/savefile.h"
#include "protocol/syserror.h"
#include "protocol/translation.h"

namespace kestrel::cli {

namespace {

const QString kToolName = QStringLiteral("kestrel-cli");

// The most a restore reads of its file: a site of every address is far below it (about 120 KB).
constexpr qint64 kMaxBackupFile = 1 << 20;

// "-" for a file: standard output, as every Unix tool takes it. /dev/stdout is the same descriptor: written
// through it (never replaced, which would lose a `>>` redirection's file).
bool isStandardOutput(const QString& path) {
    return path == QLatin1String("-") || path == QLatin1String("/dev/stdout");
}

// A JSON value as it stands in the file, for a --verify difference: 5, "0C0FFEE", or "ничего".
QString jsonText(const QJsonValue& v) {
    if (v.isUndefined()) return Texts::tr("ничего");
    return QString::fromUtf8(QJsonDocument(QJsonArray{v}).toJson(QJsonDocument::Compact)).mid(1).chopped(1);
}

// A number the device or the file gave, or "?" when it gave none.
template <typename T>
QString orUnknown(const std::optional<T>& v) {
    return v ? QString::number(*v) : QStringLiteral("?");
}

QString listed(const QStringList& l) {
    return l.isEmpty() ? Texts::tr("нет") : l.join(QStringLiteral(", "));
}

}  // namespace

int Client::readBackupValues(Context& c, std::optional<bus::BackupValues>* values) {
    std::optional<device::DeviceValue> id, live, table, delay;
    if (const int e = ask(c, device::identifyRequest(c.address), &id)) return e;
    if (const int e = ask(c, device::currentParamsRequest(c.address), &live)) return e;
    if (const int e = ask(c, device::plainRequest(c.address, cmd::kReadBoundIds).frame, &table)) return e;
    if (const int e = ask(c, device::plainRequest(c.address, cmd::kReadResetDelay).frame, &delay)) return e;
    const auto* ident = as<device::Identification>(id);
    const auto* reading = as<device::LiveReading>(live);
    const auto* cells = as<device::BoundIdTable>(table);
    const auto* d = as<device::ResetDelay>(delay);
    *values = bus::backupValues(
        ident ? std::optional(*ident) : std::nullopt, reading ? reading->settings : std::nullopt,
        cells ? std::optional(*cells) : std::nullopt, d ? std::optional(*d) : std::nullopt);
    if (*values) return kDone;
    return fail(c, Texts::tr("адрес %1: %2").arg(c.address).arg(noValue()), kDeviceFailed);
}

int Client::backup(Context& c) {
    if (!argumentCount(c, 1, 0, 1)) return c.exit;
    std::optional<bus::BackupValues> values;
    if (const int e = readBackupValues(c, &values)) return e;
    const QJsonObject doc = bus::readerBackup(c.address, *values, kToolName, QDateTime::currentDateTimeUtc());
    const QByteArray text = QJsonDocument(doc).toJson(QJsonDocument::Indented);
    if (c.inv.words.size() < 2 || isStandardOutput(c.inv.words[1])) {
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

int Client::chosenRestoreParts(Context& c, QStringList* parts) {
    *parts = c.inv.only.isEmpty() ? bus::defaultRestoreParts() : c.inv.only;
    if (c.inv.withSerial && !parts->contains(QStringLiteral("serial"))) *parts << QStringLiteral("serial");
    for (const QString& p : *parts)
        if (!bus::restoreParts().contains(p))
            return refuse(
                c, Texts::tr("--only: неизвестная часть %1 (mode, radio, bound-ids, reset-delay, serial)")
                       .arg(p));
    if (parts->contains(QStringLiteral("serial")) && !c.inv.withSerial)
        return refuse(c, Texts::tr("серийный номер записывается только с --with-serial"));
    return kDone;
}

std::optional<QByteArray> Client::readBackupFile(Context& c, const QString& path, bool plan) {
    // Opened without waiting: a named pipe nobody writes would otherwise hold the client in the open, where
    // Ctrl-C does not reach it; it reads as empty instead. What is read then waits as usual.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        c.exit = refuse(c, Texts::tr("не удалось открыть %1: %2").arg(path, systemErrorText(errno)));
        return std::nullopt;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    QFile file;
    file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    // A file past the limit is refused whole: cut at the limit, a valid file would read as a broken one.
    QByteArray bytes = file.read(kMaxBackupFile + 1);
    if (bytes.size() > kMaxBackupFile) {
        c.exit = refuse(c, plan ? Texts::tr("%1: файл больше 1 МиБ (%2 байт); план площадки не бывает больше")
                                      .arg(path)
                                      .arg(kMaxBackupFile)
                                : Texts::tr("%1: файл больше 1 МиБ (%2 байт); файл копии или площадки не "
                                            "бывает больше")
                                      .arg(path)
                                      .arg(kMaxBackupFile));
        return std::nullopt;
    }
    if (file.error() != QFileDevice::NoError) {
        c.exit = refuse(
            c, Texts::tr("не удалось прочитать %1: %2").arg(path, localizedSystemText(file.errorString())));
        return std::nullopt;
    }
    return bytes;
}

Client::RestoreOutcome Client::applyRestore(Context& c, const bus::RestorePlan& plan, const QJsonObject& o,
                                            const QStringList& parts, const QString& source,
                                            bool sameSerial) {
    // Every failure is held here and handed to the caller, which prints it with what was written.
    const FailuresHeld held(holdFailures_);
    RestoreOutcome out;
    auto failed = [&](int exit, const QString& message) {
        out.exit = exit;
        out.message = message;
        return out;
    };

    // The target is identified first: settings of one device type are not written into another unless
    // the engineer says so.
    std::optional<device::DeviceValue> targetId;
    if (const int e = ask(c, device::identifyRequest(c.address), &targetId)) return failed(e, heldFailure_);
    const auto* target = as<device::Identification>(targetId);
    if (!target || !target->deviceType)
        return failed(kDeviceFailed, Texts::tr("адрес %1: %2").arg(c.address).arg(noValue()));
    out.serial = target->serial;
    if (!c.inv.force && plan.deviceType != target->deviceType)
        return failed(kUsageError,
                      Texts::tr("%1: копия снята с устройства типа %2, а по адресу %3 устройство типа %4; "
                                "ничего не записано (--force записывает всё равно)")
                          .arg(source, orUnknown(plan.deviceType))
                          .arg(c.address)
                          .arg(*target->deviceType));
    // A site's reader may have been moved or replaced since the backup: another reader's settings are not
    // written into it unless the engineer says so.
    if (sameSerial && !c.inv.force && plan.serial != target->serial)
        return failed(
            kDeviceFailed,
            Texts::tr("%1: копия снята со считывателя с серийным номером %2, а по адресу %3 считыватель "
                      "с серийным номером %4; ничего не записано (--force записывает всё равно)")
                .arg(source, orUnknown(plan.serial))
                .arg(c.address)
                .arg(orUnknown(target->serial)));

    // An interrupted restore says which settings reached the device and which did not.
    const auto& steps = plan.steps;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        std::optional<device::DeviceValue> v;
        const int e = ask(c, steps[i].frame, &v);
        if (!e) {
            out.written << steps[i].label;
            continue;
        }
        // A request that went out without an acceptable answer may have been applied or not.
        QStringList unknown, notWritten;
        (lastAttempts_ > 0 ? unknown : notWritten) << steps[i].label;
        for (std::size_t k = i + 1; k < steps.size(); ++k) notWritten << steps[k].label;
        QString message = Texts::tr("%1; восстановление не завершено: записано: %2; не записано: %3")
                              .arg(heldFailure_, listed(out.written), listed(notWritten));
        if (!unknown.isEmpty()) message += Texts::tr("; неизвестно, записано ли: %1").arg(listed(unknown));
        out.fields = {{QLatin1String("written"), QJsonArray::fromStringList(out.written)},
                      {QLatin1String("notWritten"), QJsonArray::fromStringList(notWritten)},
                      {QLatin1String("unknown"), QJsonArray::fromStringList(unknown)}};
        return failed(e, message);
    }
    if (!c.inv.verify) return out;
    std::optional<device::DeviceValue> live, table, delay, id;
    if (const int e = ask(c, device::currentParamsRequest(c.address), &live)) return failed(e, heldFailure_);
    if (const int e = ask(c, device::plainRequest(c.address, cmd::kReadBoundIds).frame, &table))
        return failed(e, heldFailure_);
    if (const int e = ask(c, device::plainRequest(c.address, cmd::kReadResetDelay).frame, &delay))
        return failed(e, heldFailure_);
    if (const int e = ask(c, device::identifyRequest(c.address), &id)) return failed(e, heldFailure_);
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
        compare(QStringLiteral("serial"),
                o.value(QLatin1String("identity")).toObject().value(QLatin1String("serial")), serialNow);
    if (!differences.isEmpty())
        return failed(kDeviceFailed,
                      Texts::tr("проверка не прошла: ") + differences.join(QStringLiteral("; ")));
    out.verified = true;
    return out;
}

int Client::restore(Context& c) {
    if (!argumentCount(c, 1, 1, 1)) return c.exit;
    const QString path = c.inv.words[1];
    const std::optional<QByteArray> text = readBackupFile(c, path);
    if (!text) return c.exit;
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(*text, &parseError);
    const QJsonObject o = doc.object();
    // Not JSON at all says where the parse stopped.
    if (!doc.isObject() ||
        o.value(QLatin1String("format")).toString() != QLatin1String(bus::kReaderBackupFormat))
        return refuse(c, Texts::tr("%1 не резервная копия настроек считывателя%2")
                             .arg(path, parseError.error ? QStringLiteral(": ") + parseError.errorString()
                                                         : QString()));
    if (const QString why = bus::backupHeaderRefusal(o, path); !why.isEmpty()) return refuse(c, why);
    QStringList parts;
    if (const int e = chosenRestoreParts(c, &parts)) return e;
    // Every request is built (and so checked) before the first is sent.
    const bus::RestorePlan plan = bus::planRestore(o, c.address, parts, path);
    if (!plan.ok()) return refuse(c, plan.refusal);
    const RestoreOutcome r = applyRestore(c, plan, o, parts, path, false);
    if (r.exit != kDone) {
        QJsonObject fields = r.fields;
        if (!fields.isEmpty()) {
            fields.insert(QLatin1String("address"), int(c.address));
            fields.insert(QLatin1String("file"), path);
        }
        output_.failure(c.command, r.message, r.exit, fields);
        return r.exit;
    }
    output_.result(
        c.command,
        Texts::tr("Адрес %1: записано из %2: %3").arg(c.address).arg(path, parts.join(QStringLiteral(", "))),
        {{QLatin1String("address"), int(c.address)},
         {QLatin1String("file"), path},
         {QLatin1String("restored"), QJsonArray::fromStringList(parts)}});
    return kDone;
}

// ---- the whole site ----

int Client::backupSite(Context& c) {
    if (!argumentCount(c, 1, 1, 1)) return c.exit;
    const QString path = c.inv.words[1];
    const bool toOutput = isStandardOutput(path);
    // The site document alone on standard output: what is said about each reader goes to standard error.
    if (toOutput) output_.keepOutputForDocument();
    QByteArray addresses;
    if (c.inv.addresses) {
        const std::optional<QByteArray> listed = addressList(c, device::range::kNetAddress);
        if (!listed) return c.exit;
        addresses = *listed;
    } else {
        if (const int e = pollBus(c, &addresses)) return e;
        if (addresses.isEmpty())
            return fail(c,
                        Texts::tr("Устройства не ответили.") + QLatin1Char(' ') +
                            Texts::tr("Файл %1 не записан.").arg(path),
                        kDeviceFailed);
    }
    const QDateTime saved = QDateTime::currentDateTimeUtc();
    std::vector<bus::SiteReader> readers;
    QStringList failed;
    for (char a : addresses) {
        c.address = static_cast<quint8>(a);
        if (interrupted_) break;
        std::optional<bus::BackupValues> values;
        const int e = readBackupValues(c, &values);
        if (e == kPortError) return e;
        if (e != kDone) {
            failed << QString::number(c.address);
            continue;
        }
        readers.push_back({c.address, bus::readerBackup(c.address, *values, kToolName, saved)});
        output_.result(c.command,
                       Texts::tr("адрес %1: серийный номер %2, настройки прочитаны")
                           .arg(c.address)
                           .arg(*values->identity.serial),
                       {{QLatin1String("address"), int(c.address)},
                        {QLatin1String("serial"), double(*values->identity.serial)}});
    }
    // The file holds the whole site or is not written: a site restored from it must not lose a reader
    // without anybody noticing.
    if (interrupted_) return fail(c, Texts::tr("прервано; файл %1 не записан").arg(path), kDeviceFailed);
    if (!failed.isEmpty())
        return fail(c,
                    Texts::tr("не прочитаны адреса %1; файл %2 не записан (--addresses без них сохраняет "
                              "остальные)")
                        .arg(failed.join(QStringLiteral(", ")), path),
                    kDeviceFailed);
    const QByteArray text = QJsonDocument(bus::siteDocument(readers, saved)).toJson(QJsonDocument::Indented);
    if (toOutput) {
        output_.document(QString::fromUtf8(text).trimmed());
    } else if (QString why; !saveWholeFile(path, text, &why)) {
        output_.failure(c.command, Texts::tr("не удалось записать %1: %2").arg(path, why), kWriteFailed);
        return kWriteFailed;
    }
    // Two readers answering with one serial number are saved as they are, and flagged: a restore of the
    // file --with-serial is refused until one of them is given its own.
    std::vector<std::pair<quint8, quint32>> serials;
    for (const bus::SiteReader& r : readers)
        serials.emplace_back(r.address, quint32(r.backup.value(QLatin1String("identity"))
                                                    .toObject()
                                                    .value(QLatin1String("serial"))
                                                    .toDouble()));
    QJsonArray shared;
    QStringList sharedText;
    for (const bus::SharedSerial& s : bus::sharedSerials(serials)) {
        QStringList at;
        QJsonArray atJson;
        for (quint8 a : s.addresses) {
            at << QString::number(a);
            atJson.append(int(a));
        }
        sharedText
            << Texts::tr("серийный номер %1 у адресов %2").arg(s.serial).arg(at.join(QStringLiteral(", ")));
        shared.append(
            QJsonObject{{QLatin1String("serial"), double(s.serial)}, {QLatin1String("addresses"), atJson}});
    }
    QJsonObject fields{{QLatin1String("file"), path}, {QLatin1String("readers"), int(readers.size())}};
    QString summary = Texts::tr("Площадка сохранена в %1: считывателей %2").arg(path).arg(readers.size());
    if (!shared.isEmpty()) {
        fields.insert(QLatin1String("duplicateSerials"), shared);
        summary += Texts::tr("; внимание, один серийный номер у разных считывателей: %1")
                       .arg(sharedText.join(QStringLiteral("; ")));
    }
    output_.result(c.command, summary, fields);
    return kDone;
}

int Client::restoreSite(Context& c) {
    if (!argumentCount(c, 1, 1, 1)) return c.exit;
    const QString path = c.inv.words[1];
    const std::optional<QByteArray> text = readBackupFile(c, path);
    if (!text) return c.exit;
    const bus::SiteContents site = bus::parseSite(*text);
    if (!site.ok()) return refuse(c, QStringLiteral("%1: %2").arg(path, site.refusal));
    QStringList parts;
    if (const int e = chosenRestoreParts(c, &parts)) return e;
    // Every reader's requests are built (and so checked) before the first is sent.
    std::vector<bus::RestorePlan> plans;
    std::vector<std::pair<quint8, quint32>> serials;
    for (const bus::SiteReader& reader : site.readers) {
        plans.push_back(
            bus::planRestore(reader.backup, reader.address, parts,
                             QStringLiteral("%1: %2").arg(path, Texts::tr("адрес %1").arg(reader.address))));
        if (!plans.back().ok()) return refuse(c, plans.back().refusal);
        if (plans.back().serial) serials.emplace_back(reader.address, *plans.back().serial);
    }
    // One serial number written into two readers would make them one reader for every tool: the whole
    // file is refused before anything is sent.
    if (const auto shared = bus::sharedSerials(serials);
        parts.contains(QStringLiteral("serial")) && !shared.empty()) {
        QStringList at;
        for (quint8 a : shared.front().addresses) at << QString::number(a);
        return refuse(c, Texts::tr("%1: серийный номер %2 у адресов %3; с --with-serial ничего не записано")
                             .arg(path)
                             .arg(shared.front().serial)
                             .arg(at.join(QStringLiteral(", "))));
    }
    // A line per reader, as each one ends; a reader that fails does not stop the others, a lost port does.
    int restored = 0;
    int code = kDone;
    for (std::size_t i = 0; i < site.readers.size(); ++i) {
        const bus::SiteReader& reader = site.readers[i];
        c.address = reader.address;
        QJsonObject fields{{QLatin1String("address"), int(reader.address)}, {QLatin1String("file"), path}};
        const QString prefix = Texts::tr("адрес %1: %2").arg(reader.address).arg(QString());
        if (interrupted_ || code == kPortError) {
            output_.failure(c.command, prefix + Texts::tr("не восстанавливался"), kDeviceFailed, fields);
            continue;
        }
        const QString source = QStringLiteral("%1: %2").arg(path, Texts::tr("адрес %1").arg(reader.address));
        const RestoreOutcome r = applyRestore(c, plans[i], reader.backup, parts, source, true);
        if (r.serial) fields.insert(QLatin1String("serial"), double(*r.serial));
        const QString serial = r.serial ? Texts::tr("серийный номер %1").arg(*r.serial) : QStringLiteral("-");
        if (r.exit == kDone) {
            ++restored;
            fields.insert(QLatin1String("restored"), QJsonArray::fromStringList(parts));
            fields.insert(QLatin1String("verified"), r.verified);
            output_.result(c.command,
                           Texts::tr("адрес %1, %2: записано %3; %4")
                               .arg(reader.address)
                               .arg(serial, parts.join(QStringLiteral(", ")),
                                    r.verified ? Texts::tr("проверено") : Texts::tr("не проверялось")),
                           fields);
            continue;
        }
        for (auto f = r.fields.begin(); f != r.fields.end(); ++f) fields.insert(f.key(), f.value());
        // The failure names its reader once, at the front, with the serial found there.
        const QString message = r.message.startsWith(prefix) ? r.message.mid(prefix.size()) : r.message;
        output_.failure(c.command, Texts::tr("адрес %1, %2: %3").arg(reader.address).arg(serial, message),
                        r.exit == kPortError ? kPortError : kDeviceFailed, fields);
        code = r.exit == kPortError ? kPortError : kDeviceFailed;
    }
    output_.note(Texts::tr("Площадка %1: восстановлено считывателей %2 из %3%4")
                     .arg(path)
                     .arg(restored)
                     .arg(site.readers.size())
                     .arg(interrupted_ ? Texts::tr(", прервано") : QString()));
    if (interrupted_ && code == kDone) return kDeviceFailed;
    return code;
}

}  // namespace kestrel::cli
