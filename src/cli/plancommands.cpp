// Commissioning a site from its plan (bus/plan.h): the bus checked against it, its settings written into
// each reader whose serial number matches (or that a row without one takes), new readers moved from their
// factory address to their planned one, and a report to hand over. Every write of these commands is
// appended to a journal beside the plan (PLAN.journal.csv), which the report reads.

#include <fcntl.h>
#include <unistd.h>

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <cerrno>

#include "bus/plan.h"
#include "cli/client.h"
#include "cli/commandkit.h"
#include "device/requests.h"
#include "protocol/hexid.h"
#include "protocol/savefile.h"
#include "protocol/syserror.h"
#include "protocol/translation.h"
#include "traffic/csv.h"

namespace kestrel::cli {

namespace {

const QStringList kApplyParts = {QStringLiteral("mode"), QStringLiteral("radio"),
                                 QStringLiteral("bound-ids")};

QString journalPath(const QString& plan) {
    QString base = plan;
    if (base.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive)) base.chop(4);
    return base + QStringLiteral(".journal.csv");
}

// "адрес 5 (Tank 1)" or "адрес 5".
QString readerName(quint8 address, const QString& name) {
    return name.isEmpty() ? Texts::tr("адрес %1").arg(address)
                          : Texts::tr("адрес %1 (%2)").arg(address).arg(name);
}

QString differencesText(const std::vector<bus::PlanDifference>& differences) {
    QStringList out;
    for (const bus::PlanDifference& d : differences)
        out << Texts::tr("%1 %2, по плану %3").arg(d.field, d.found, d.planned);
    return out.join(QStringLiteral("; "));
}

QJsonArray differencesJson(const std::vector<bus::PlanDifference>& differences) {
    QJsonArray out;
    for (const bus::PlanDifference& d : differences)
        out.append(QJsonObject{{QLatin1String("field"), d.field},
                               {QLatin1String("planned"), d.planned},
                               {QLatin1String("found"), d.found}});
    return out;
}

}  // namespace

int Client::plan(Context& c) {
    const QString sub = c.inv.words.value(1);
    if (sub == QLatin1String("check")) return planCheck(c);
    if (sub == QLatin1String("apply")) return planApply(c);
    if (sub == QLatin1String("assign")) return planAssign(c);
    if (sub == QLatin1String("report")) return planReport(c);
    return refuse(c, Texts::tr("plan: нужно check, apply, assign или report"));
}

std::optional<bus::Plan> Client::readPlan(Context& c) {
    if (!argumentCount(c, 2, 1, 1)) return std::nullopt;
    const QString path = c.inv.words[2];
    const std::optional<QByteArray> text = readBackupFile(c, path, true);
    if (!text) return std::nullopt;
    bus::Plan plan = bus::parsePlan(*text, path);
    if (!plan.ok()) {
        c.exit = refuse(c, plan.refusal);
        return std::nullopt;
    }
    return plan;
}

int Client::seeReader(Context& c, quint8 address, bool withTags, bus::ReaderSeen* seen) {
    const FailuresHeld held(holdFailures_);
    *seen = {address, {}, {}, {}};
    c.address = address;
    std::optional<device::DeviceValue> id, live, table;
    if (const int e = ask(c, device::identifyRequest(address), &id)) return e == kPortError ? e : kDone;
    const auto* ident = as<device::Identification>(id);
    if (!ident || !ident->serial) return kDone;
    seen->serial = ident->serial;
    if (const int e = ask(c, device::currentParamsRequest(address), &live); e == kPortError) return e;
    if (const auto* reading = as<device::LiveReading>(live)) seen->settings = reading->settings;
    if (!withTags) return kDone;
    if (const int e = ask(c, device::plainRequest(address, cmd::kReadBoundIds).frame, &table);
        e == kPortError)
        return e;
    if (const auto* cells = as<device::BoundIdTable>(table)) seen->boundIds = *cells;
    return kDone;
}

int Client::checkAgainstPlan(Context& c, const bus::Plan& plan, std::vector<bus::PlanFinding>* findings,
                             std::vector<bus::ReaderSeen>* seenOut) {
    std::vector<bus::ReaderSeen> seen;
    for (const bus::PlanRow& row : plan.rows) {
        if (interrupted_) return kDeviceFailed;
        bus::ReaderSeen r;
        if (const int e = seeReader(c, row.address, row.tags.has_value(), &r)) return e;
        seen.push_back(r);
    }
    // The readers the plan does not name: whoever answers the bus search.
    QByteArray found;
    if (const int e = pollBus(c, &found)) return e;
    for (const char a : found) {
        if (interrupted_) return kDeviceFailed;
        const auto address = quint8(a);
        if (plan.rowAt(address) || std::any_of(seen.begin(), seen.end(), [&](const bus::ReaderSeen& s) {
                return s.address == address;
            }))
            continue;
        bus::ReaderSeen r;
        if (const int e = seeReader(c, address, false, &r)) return e;
        seen.push_back(r);
    }
    *findings = bus::checkPlan(plan, seen);
    if (seenOut) *seenOut = seen;
    return kDone;
}

int Client::planCheck(Context& c) {
    const std::optional<bus::Plan> plan = readPlan(c);
    if (!plan) return c.exit;
    std::vector<bus::PlanFinding> findings;
    if (const int e = checkAgainstPlan(c, *plan, &findings)) return e;
    int ok = 0, extra = 0;
    for (const bus::PlanFinding& f : findings) {
        QString text;
        const QString serial = f.foundSerial ? QString::number(*f.foundSerial) : QStringLiteral("-");
        switch (f.state) {
            case bus::PlanState::Ok:
                ++ok;
                text = Texts::tr("как в плане, серийный номер %1").arg(serial);
                break;
            case bus::PlanState::Missing:
                text = Texts::tr("не отвечает");
                break;
            case bus::PlanState::OtherSerial:
                text = Texts::tr("серийный номер %1, по плану %2").arg(serial).arg(*f.plannedSerial);
                break;
            case bus::PlanState::Differs:
                text = Texts::tr("серийный номер %1; %2").arg(serial, differencesText(f.differences));
                break;
            case bus::PlanState::DuplicateSerial: {
                QStringList others;
                for (const bus::PlanFinding& o : findings)
                    if (o.address != f.address && o.foundSerial == f.foundSerial)
                        others << QString::number(o.address);
                text = Texts::tr("серийный номер %1 есть и у адреса %2")
                           .arg(serial, others.join(QStringLiteral(", ")));
                break;
            }
            case bus::PlanState::Extra:
                ++extra;
                text = Texts::tr("серийный номер %1; в плане его нет").arg(serial);
                break;
        }
        QJsonObject fields{{QLatin1String("address"), int(f.address)},
                           {QLatin1String("state"), bus::planStateKey(f.state)},
                           {QLatin1String("name"), f.name},
                           {QLatin1String("differences"), differencesJson(f.differences)}};
        fields.insert(QLatin1String("serial"),
                      f.foundSerial ? QJsonValue(double(*f.foundSerial)) : QJsonValue());
        if (f.plannedSerial) fields.insert(QLatin1String("plannedSerial"), double(*f.plannedSerial));
        output_.result(
            c.command,
            QStringLiteral("%1: %2: %3").arg(readerName(f.address, f.name), bus::planStateKey(f.state), text),
            fields);
    }
    const int planned = int(plan->rows.size());
    output_.note(Texts::tr("План %1: как в плане %2 из %3, лишних на шине %4")
                     .arg(c.inv.words[2])
                     .arg(ok)
                     .arg(planned)
                     .arg(extra));
    return ok == planned && extra == 0 ? kDone : kDeviceFailed;
}

// ---- the journal ----

void Client::journal(const bus::Plan& plan, const QString& planPath, quint8 address,
                     std::optional<quint32> serial, const QString& action, const QString& outcome) {
    const QString path = journalPath(planPath);
    // Appended to, never rewritten: each write of a plan command adds its line, whatever happened before.
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0644);
    if (fd < 0) {
        journalFailure_ = Texts::tr("журнал %1 не записан: %2").arg(path, systemErrorText(errno));
        return;
    }
    QByteArray text;
    if (::lseek(fd, 0, SEEK_END) == 0)
        text = csv::line({QStringLiteral("time"), QStringLiteral("address"), QStringLiteral("serial"),
                          QStringLiteral("action"), QStringLiteral("outcome")},
                         plan.separator);
    text += csv::line({csv::isoTime(QDateTime::currentDateTime()), QString::number(address),
                       serial ? QString::number(*serial) : QString(), action, outcome},
                      plan.separator);
    qsizetype done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.constData() + done, size_t(text.size() - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            journalFailure_ = Texts::tr("журнал %1 не записан: %2").arg(path, systemErrorText(errno));
            break;
        }
        done += n;
    }
    ::close(fd);
}

// ---- apply ----

Client::PlanApplied Client::applyPlanRow(Context& c, const bus::Plan& plan, const QString& planPath,
                                         const bus::PlanRow& row, const QStringList& parts, bool verify) {
    PlanApplied out;
    const bool tags = row.tags && parts.contains(QStringLiteral("bound-ids"));
    bus::ReaderSeen seen;
    out.exit = seeReader(c, row.address, tags, &seen);
    out.serial = seen.serial;
    if (out.exit) return out;
    if (!seen.serial) {
        out.exit = kDeviceFailed;
        out.message = Texts::tr("не отвечает; ничего не записано");
        return out;
    }
    if (row.serial && *row.serial != *seen.serial) {
        out.exit = kDeviceFailed;
        out.message = Texts::tr("серийный номер %1, по плану %2; ничего не записано")
                          .arg(*seen.serial)
                          .arg(*row.serial);
        return out;
    }
    out.tookReader = !row.serial;
    // Only what differs is written: a second run after a lost port writes nothing that is already there.
    bus::PlanRow wanted = row;
    if (!parts.contains(QStringLiteral("mode"))) wanted.mode.reset();
    if (!parts.contains(QStringLiteral("radio")))
        wanted.network = wanted.channel = wanted.power = std::nullopt;
    if (!tags) wanted.tags.reset();
    const std::vector<bus::PlanDifference> differences = bus::planDifferences(wanted, seen);
    const auto differs = [&](const char* field) {
        return std::any_of(differences.begin(), differences.end(),
                           [&](const bus::PlanDifference& d) { return d.field == QLatin1String(field); });
    };
    std::vector<bus::RestoreStep> steps;
    if (differs("mode"))
        steps.push_back({QStringLiteral("mode"), device::setModeRequest(row.address, *row.mode)});
    if (differs("network") || differs("channel") || differs("power")) {
        const auto& s = seen.settings;
        const auto value = [](const auto& planned, const auto& found) {
            return planned ? QString::number(*planned) : found ? QString::number(*found) : QString();
        };
        const device::Request r =
            device::setRadioParamsRequest(row.address, {value(wanted.network, s ? s->network : std::nullopt),
                                                        value(wanted.channel, s ? s->channel : std::nullopt),
                                                        value(wanted.power, s ? s->power : std::nullopt)});
        if (!r.ok()) {
            out.exit = kDeviceFailed;
            out.message = Texts::tr("параметры радио не прочитаны; ничего не записано");
            return out;
        }
        steps.push_back({QStringLiteral("radio"), r.frame});
    }
    if (differs("tags")) {
        const std::vector<quint32> cells = bus::plannedBoundIds(*wanted.tags);
        for (std::size_t i = 0; i < cells.size(); ++i) {
            if (seen.boundIds && i < seen.boundIds->cells.size() && seen.boundIds->cells[i] == cells[i])
                continue;
            const device::Request r =
                device::writeBoundIdRequest(row.address, QString::number(i + 1), formatHexId(cells[i]));
            steps.push_back({QStringLiteral("bound-ids %1").arg(i + 1), r.frame});
        }
    }
    const FailuresHeld held(holdFailures_);
    for (std::size_t i = 0; i < steps.size(); ++i) {
        if (interrupted_) {
            out.exit = kDeviceFailed;
            out.message = Texts::tr("прервано");
            return out;
        }
        std::optional<device::DeviceValue> v;
        const int e = ask(c, steps[i].frame, &v);
        if (!e) {
            out.written << steps[i].label;
            journal(plan, planPath, row.address, seen.serial, steps[i].label, QStringLiteral("written"));
            continue;
        }
        // A request that went out without an acceptable answer may have been applied or not.
        const bool unknown = lastAttempts_ > 0;
        journal(plan, planPath, row.address, seen.serial, steps[i].label,
                unknown ? QStringLiteral("unknown") : QStringLiteral("not-written"));
        QStringList notWritten;
        for (std::size_t k = i + 1; k < steps.size(); ++k) notWritten << steps[k].label;
        out.exit = e;
        out.message =
            Texts::tr("%1; записано: %2; %3: %4; не записано: %5")
                .arg(heldFailure_, out.written.isEmpty() ? Texts::tr("нет") : out.written.join(", "),
                     unknown ? Texts::tr("неизвестно, записано ли") : Texts::tr("не записано"),
                     steps[i].label, notWritten.isEmpty() ? Texts::tr("нет") : notWritten.join(", "));
        return out;
    }
    if (!verify) return out;
    bus::ReaderSeen now;
    if (const int e = seeReader(c, row.address, tags, &now)) {
        out.exit = e;
        return out;
    }
    const std::vector<bus::PlanDifference> left = bus::planDifferences(wanted, now);
    if (now.serial != seen.serial || !left.empty()) {
        out.exit = kDeviceFailed;
        out.message =
            Texts::tr("проверка не прошла: %1")
                .arg(now.serial != seen.serial ? Texts::tr("считыватель не отвечает тем же серийным номером")
                                               : differencesText(left));
        journal(plan, planPath, row.address, seen.serial, QStringLiteral("verify"), QStringLiteral("failed"));
        return out;
    }
    out.verified = true;
    journal(plan, planPath, row.address, seen.serial, QStringLiteral("verify"), QStringLiteral("verified"));
    return out;
}

int Client::planApplyParts(Context& c, QStringList* parts) {
    *parts = c.inv.only.isEmpty() ? kApplyParts : c.inv.only;
    for (const QString& p : *parts)
        if (!kApplyParts.contains(p))
            return refuse(c, Texts::tr("--only: неизвестная часть %1 (mode, radio, bound-ids)").arg(p));
    return kDone;
}

// One reader's line of apply or assign, as restore-site prints it; returns its exit code.
int Client::reportApplied(Context& c, const bus::PlanRow& row, const PlanApplied& r) {
    QJsonObject fields{{QLatin1String("address"), int(row.address)}, {QLatin1String("name"), row.name}};
    if (r.serial) fields.insert(QLatin1String("serial"), double(*r.serial));
    fields.insert(QLatin1String("written"), QJsonArray::fromStringList(r.written));
    const QString who = readerName(row.address, row.name) + QStringLiteral(", ") +
                        (r.serial ? Texts::tr("серийный номер %1").arg(*r.serial) : QStringLiteral("-"));
    if (r.exit != kDone) {
        output_.failure(c.command, QStringLiteral("%1: %2").arg(who, r.message),
                        r.exit == kPortError ? kPortError : kDeviceFailed, fields);
        return r.exit == kPortError ? kPortError : kDeviceFailed;
    }
    fields.insert(QLatin1String("verified"), r.verified);
    fields.insert(QLatin1String("tookReader"), r.tookReader);
    QString text = r.written.isEmpty() ? Texts::tr("уже как в плане, ничего не записано")
                                       : Texts::tr("записано %1").arg(r.written.join(QStringLiteral(", ")));
    text += QStringLiteral("; ") + (r.verified ? Texts::tr("проверено") : Texts::tr("не проверялось"));
    if (r.tookReader)
        text += Texts::tr("; в плане серийного номера нет: взят считыватель, найденный по адресу");
    output_.result(c.command, QStringLiteral("%1: %2").arg(who, text), fields);
    return kDone;
}

int Client::planApply(Context& c) {
    const std::optional<bus::Plan> plan = readPlan(c);
    if (!plan) return c.exit;
    QStringList parts;
    if (const int e = planApplyParts(c, &parts)) return e;
    const QString path = c.inv.words[2];
    int code = kDone, done = 0;
    for (const bus::PlanRow& row : plan->rows) {
        if (interrupted_ || code == kPortError) break;
        const PlanApplied r = applyPlanRow(c, *plan, path, row, parts, c.inv.verify);
        if (const int e = reportApplied(c, row, r))
            code = e == kPortError ? kPortError : kDeviceFailed;
        else
            ++done;
    }
    if (!journalFailure_.isEmpty()) output_.failure(c.command, journalFailure_, kWriteFailed);
    output_.note(Texts::tr("План %1: применён к %2 из %3%4")
                     .arg(path)
                     .arg(done)
                     .arg(plan->rows.size())
                     .arg(interrupted_ ? Texts::tr(", прервано") : QString()));
    if (code == kDone && !journalFailure_.isEmpty()) return kWriteFailed;
    if (interrupted_ && code == kDone) return kDeviceFailed;
    return code;
}

// ---- assign ----

int Client::planAssign(Context& c) {
    const std::optional<bus::Plan> read = readPlan(c);
    if (!read) return c.exit;
    bus::Plan plan = *read;
    const QString path = c.inv.words[2];
    const QString fromText = c.inv.fields.value(QStringLiteral("from"));
    if (fromText.isEmpty()) return refuse(c, Texts::tr("plan assign: нужен --from АДРЕС"));
    const std::optional<qint64> from =
        exact(c, fromText, device::range::kDeviceAddress, QStringLiteral("--from"));
    if (!from) return c.exit;
    c.address = quint8(*from);

    // Who is there: one reader, answering clearly. Two readers at one address garble the answer.
    std::optional<device::DeviceValue> id;
    int asked = kDone;
    {
        const FailuresHeld held(holdFailures_);
        asked = ask(c, device::identifyRequest(c.address), &id);
    }
    if (asked == kPortError) return fail(c, heldFailure_, kPortError);
    if (asked != kDone)
        return fail(
            c,
            lastOutcome_ != Outcome::NoReply
                ? Texts::tr("по адресу %1 ответ искажён: отвечает не один считыватель? Ничего не записано")
                      .arg(c.address)
                : Texts::tr("по адресу %1 никто не отвечает; ничего не записано").arg(c.address),
            kDeviceFailed);
    const auto* ident = as<device::Identification>(id);
    if (!ident || !ident->serial)
        return fail(c, Texts::tr("адрес %1: %2; ничего не записано").arg(c.address).arg(noValue()),
                    kDeviceFailed);
    const quint32 serial = *ident->serial;

    const bus::PlanRow* row = plan.rowOf(serial);
    bool filled = false;
    if (!row) {
        // A new reader: the first row without a serial takes it.
        for (const bus::PlanRow& r : plan.rows)
            if (!r.serial) {
                row = &r;
                break;
            }
        if (!row)
            return refuse(
                c, Texts::tr("%1: в плане нет строки без серийного номера для считывателя %2; ничего не "
                             "записано")
                       .arg(path)
                       .arg(serial));
        filled = true;
    }
    const quint8 target = row->address;
    // The address the reader stands at is another planned reader's, and taken: the reader there may be
    // that one, and nobody meant it to move.
    if (const bus::PlanRow* at = plan.rowAt(c.address); at && at->address != target && at->serial)
        return refuse(c, Texts::tr("адрес %1 занят по плану считывателем %2 (%3); ничего не записано")
                             .arg(c.address)
                             .arg(*at->serial)
                             .arg(at->name));
    if (target != c.address) {
        // The planned address is free on the bus, or the reader there is this one (moved before).
        bus::ReaderSeen there;
        if (const int e = seeReader(c, target, false, &there)) return fail(c, heldFailure_, e);
        if (there.serial)
            return fail(c,
                        Texts::tr("адрес %1 уже занят считывателем %2; ничего не записано")
                            .arg(target)
                            .arg(*there.serial),
                        kDeviceFailed);
        c.address = quint8(*from);
    }
    const QString rowName = readerName(target, row->name);
    if (filled) {
        // The plan names the reader before anything is written to it: a plan that cannot be written stops
        // here, and a second run finds the reader by its serial.
        const QByteArray text = bus::planWithSerial(plan, target, serial);
        if (QString why; !saveWholeFile(path, text, &why)) {
            output_.failure(c.command, Texts::tr("не удалось записать %1: %2").arg(path, why), kWriteFailed);
            return kWriteFailed;
        }
        const bus::Plan again = bus::parsePlan(text, path);
        plan = again;
        row = plan.rowAt(target);
        output_.note(Texts::tr("%1: серийный номер %2 записан в план").arg(rowName).arg(serial));
    }
    if (target != c.address) {
        const device::Request move = device::setNetAddressRequest(c.address, QString::number(target));
        std::optional<device::DeviceValue> v;
        const int e = ask(c, move.frame, &v);
        journal(plan, path, c.address, serial, QStringLiteral("address %1").arg(target),
                e == kDone ? QStringLiteral("written") : QStringLiteral("unknown"));
        if (e) return e;
        // Verified at its new address before anything else is written to it.
        bus::ReaderSeen moved;
        if (const int e2 = seeReader(c, target, false, &moved)) return fail(c, heldFailure_, e2);
        if (moved.serial != serial)
            return fail(c,
                        Texts::tr("после смены адреса считыватель %1 не отвечает по адресу %2")
                            .arg(serial)
                            .arg(target),
                        kDeviceFailed);
        output_.note(
            Texts::tr("%1: считыватель %2 перенесён с адреса %3").arg(rowName).arg(serial).arg(*from));
    }
    const PlanApplied r = applyPlanRow(c, plan, path, *row, kApplyParts, true);
    const int e = reportApplied(c, *row, r);
    if (!journalFailure_.isEmpty()) {
        output_.failure(c.command, journalFailure_, kWriteFailed);
        if (e == kDone) return kWriteFailed;
    }
    return e;
}

// ---- report ----

namespace {

// A reader's settings as the report shows them: "network 1000, channel 7, power 10, mode 2, tags 00000A1".
QString settingsText(std::optional<quint16> network, std::optional<quint8> channel,
                     std::optional<quint8> power, std::optional<quint8> mode, const QString& tags) {
    QStringList out;
    if (network) out << QStringLiteral("network %1").arg(*network);
    if (channel) out << QStringLiteral("channel %1").arg(*channel);
    if (power) out << QStringLiteral("power %1").arg(*power);
    if (mode) out << QStringLiteral("mode %1").arg(*mode);
    if (!tags.isEmpty()) out << QStringLiteral("tags %1").arg(tags);
    return out.isEmpty() ? QStringLiteral("-") : out.join(QStringLiteral(", "));
}

QString idsText(const std::vector<quint32>& cells) {
    QStringList ids;
    for (quint32 id : cells)
        if (id != 0) ids << formatHexId(id);
    return ids.join(QLatin1Char(' '));
}

// The journal's lines for one address: "mode: written 2026-12-09T14:03:00+03:00".
QMap<int, QStringList> readJournal(const QString& path, char separator) {
    QMap<int, QStringList> out;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return out;
    csv::Reader reader(&file);
    reader.setSeparator(separator);
    reader.setLimit(4096);
    QList<QByteArray> cells;
    bool header = true;
    while (reader.next(&cells)) {
        if (std::exchange(header, false) || cells.size() < 5) continue;
        bool ok = false;
        const int address = cells[1].toInt(&ok);
        if (!ok) continue;
        out[address] << QStringLiteral("%1: %2 %3")
                            .arg(QString::fromUtf8(cells[3]), QString::fromUtf8(cells[4]),
                                 QString::fromUtf8(cells[0]));
    }
    return out;
}

}  // namespace

int Client::planReport(Context& c) {
    const std::optional<bus::Plan> plan = readPlan(c);
    if (!plan) return c.exit;
    const QString path = c.inv.words[2];
    const QString out = c.inv.fields.value(QStringLiteral("out"));
    const bool html = out.endsWith(QLatin1String(".html"), Qt::CaseInsensitive) ||
                      out.endsWith(QLatin1String(".htm"), Qt::CaseInsensitive);
    if (out.isEmpty() || (!html && !out.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive)))
        return refuse(c, Texts::tr("plan report: нужен --out ФАЙЛ.html или ФАЙЛ.csv"));
    std::vector<bus::PlanFinding> findings;
    std::vector<bus::ReaderSeen> seen;
    if (const int e = checkAgainstPlan(c, *plan, &findings, &seen)) return e;
    const QMap<int, QStringList> journal = readJournal(journalPath(path), plan->separator);
    const QString site = QFileInfo(path).completeBaseName();
    const QDateTime now = QDateTime::currentDateTime();
    const QStringList head = {Texts::tr("Имя"),      Texts::tr("Адрес"),   Texts::tr("Серийный номер"),
                              Texts::tr("По плану"), Texts::tr("Найдено"), Texts::tr("Записано и проверено"),
                              Texts::tr("Состояние")};
    QList<QStringList> rows;
    int ok = 0;
    for (const bus::PlanFinding& f : findings) {
        const bus::PlanRow* row = plan->rowAt(f.address);
        const bus::ReaderSeen* r = nullptr;
        for (const bus::ReaderSeen& s : seen)
            if (s.address == f.address) r = &s;
        const QString planned =
            row && f.state != bus::PlanState::Extra
                ? settingsText(row->network, row->channel, row->power, row->mode,
                               row->tags ? idsText(bus::plannedBoundIds(*row->tags)) : QString())
                : QStringLiteral("-");
        const auto& st = r ? r->settings : std::nullopt;
        const QString found =
            r && r->serial ? settingsText(st ? st->network : std::nullopt, st ? st->channel : std::nullopt,
                                          st ? st->power : std::nullopt, st ? st->mode : std::nullopt,
                                          r->boundIds ? idsText(r->boundIds->cells) : QString())
                           : QStringLiteral("-");
        QString state = bus::planStateKey(f.state);
        if (!f.differences.empty()) state += QStringLiteral(": ") + differencesText(f.differences);
        if (f.state == bus::PlanState::Ok) ++ok;
        rows << QStringList{f.name,
                            QString::number(f.address),
                            f.foundSerial ? QString::number(*f.foundSerial) : QStringLiteral("-"),
                            planned,
                            found,
                            journal.value(f.address).join(QStringLiteral("; ")),
                            state};
    }
    QByteArray text;
    if (!html) {
        text = csv::line({Texts::tr("Площадка"), site, Texts::tr("Дата"), csv::isoTime(now),
                          QStringLiteral("kestrel-cli"), QStringLiteral(KESTREL_VERSION)},
                         plan->separator);
        text += csv::line(head, plan->separator);
        for (const QStringList& row : rows) text += csv::line(row, plan->separator);
    } else {
        QString h;
        h += QStringLiteral(
                 "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">\n<title>%1</title>\n<style>\n"
                 "@page { size: A4 landscape; margin: 12mm; }\n"
                 "body { font-family: sans-serif; font-size: 9pt; }\n"
                 "table { border-collapse: collapse; width: 100%; }\n"
                 "th, td { border: 1px solid #888; padding: 2px 4px; vertical-align: top; text-align: left; "
                 "}\n"
                 "thead { display: table-header-group; }\n"
                 "tr { page-break-inside: avoid; }\n"
                 "</style></head><body>\n")
                 .arg((Texts::tr("Отчёт о вводе в работу: ") + site).toHtmlEscaped());
        h += QStringLiteral("<h1>%1</h1>\n<p>%2</p>\n")
                 .arg((Texts::tr("Отчёт о вводе в работу: ") + site).toHtmlEscaped(),
                      Texts::tr("Дата: %1. Считывателей по плану: %2, как в плане: %3. kestrel-cli %4.")
                          .arg(now.toString(QStringLiteral("yyyy-MM-dd HH:mm")))
                          .arg(plan->rows.size())
                          .arg(ok)
                          .arg(QStringLiteral(KESTREL_VERSION))
                          .toHtmlEscaped());
        h += QStringLiteral("<table>\n<thead><tr>");
        for (const QString& t : head) h += QStringLiteral("<th>%1</th>").arg(t.toHtmlEscaped());
        h += QStringLiteral("</tr></thead>\n<tbody>\n");
        for (const QStringList& row : rows) {
            h += QStringLiteral("<tr>");
            for (const QString& cell : row) h += QStringLiteral("<td>%1</td>").arg(cell.toHtmlEscaped());
            h += QStringLiteral("</tr>\n");
        }
        h += QStringLiteral("</tbody>\n</table>\n</body></html>\n");
        text = h.toUtf8();
    }
    if (QString why; !saveWholeFile(out, text, &why)) {
        output_.failure(c.command, Texts::tr("не удалось записать %1: %2").arg(out, why), kWriteFailed);
        return kWriteFailed;
    }
    output_.result(c.command,
                   Texts::tr("Отчёт записан в %1: считывателей по плану %2, как в плане %3")
                       .arg(out)
                       .arg(plan->rows.size())
                       .arg(ok),
                   {{QLatin1String("file"), out},
                    {QLatin1String("planned"), int(plan->rows.size())},
                    {QLatin1String("asPlanned"), ok}});
    return kDone;
}

}  // namespace kestrel::cli
