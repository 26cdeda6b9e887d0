// Commissioning a site from its plan (bus/plan.h): the bus checked against it, its settings written into
// each reader whose serial number matches (or that a row without one takes), new readers moved from their
// factory address to their planned one, and a report to hand over. Every write of these commands is
// appended to a journal beside the plan (PLAN.journal.csv), which the report reads.

#include <QDateTime>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

#include "bus/plan.h"
#include "bus/planreport.h"
#include "cli/client.h"
#include "cli/commandkit.h"
#include "device/requests.h"
#include "protocol/hexid.h"
#include "protocol/savefile.h"
#include "protocol/translation.h"
#include "traffic/record.h"

namespace kestrel::cli {

namespace {

const QStringList kApplyParts = {QStringLiteral("mode"), QStringLiteral("radio"),
                                 QStringLiteral("bound-ids")};

// "адрес 5 (Tank 1)" or "адрес 5".
using bus::differencesText;

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
    *seen = {address, {}, {}, {}, {}};
    c.address = address;
    std::optional<device::DeviceValue> id, live, table;
    if (const int e = ask(c, device::identifyRequest(address), &id)) {
        seen->silence = traffic::outcomeText(lastOutcome_);
        return e == kPortError ? e : kDone;
    }
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
        // Every planned reader was seen above; an address the search gave twice is seen once.
        if (std::any_of(seen.begin(), seen.end(),
                        [&](const bus::ReaderSeen& s) { return s.address == address; }))
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
                // A reader that answers garbage is as missing as a silent one, but the line says what came.
                text = f.silence.isEmpty() || f.silence == traffic::outcomeText(Outcome::NoReply)
                           ? Texts::tr("не отвечает")
                           : Texts::tr("не отвечает понятно: %1").arg(f.silence);
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
        output_.result(c.command,
                       QStringLiteral("%1: %2: %3")
                           .arg(bus::planReaderName(f.address, f.name), bus::planStateKey(f.state), text),
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

void Client::journal(const bus::Plan& plan, const QString& planPath, quint8 address,
                     std::optional<quint32> serial, const QString& action, const QString& outcome) {
    const QString failure =
        bus::appendPlanJournal(planPath, plan.separator, address, serial, action, outcome);
    if (!failure.isEmpty()) journalFailure_ = failure;
}

// ---- apply ----

Client::PlanApplied Client::applyPlanRow(Context& c, const bus::Plan& plan, const QString& planPath,
                                         const bus::PlanRow& row, const QStringList& parts, bool verify) {
    PlanApplied out;
    const bool tags = bus::plannedParts(row, parts).tags.has_value();
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
    const bus::PlanRow wanted = bus::plannedParts(row, parts);
    QString refusal;
    const std::vector<bus::RestoreStep> steps = bus::planSteps(wanted, seen, &refusal);
    if (!refusal.isEmpty()) {
        out.exit = kDeviceFailed;
        out.message = refusal;
        return out;
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
        out.message = bus::writeStoppedText(heldFailure_, out.written, unknown, steps[i].label, notWritten);
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
    const QString who = bus::planReaderName(row.address, row.name) + QStringLiteral(", ") +
                        (r.serial ? Texts::tr("серийный номер %1").arg(*r.serial) : QStringLiteral("-"));
    if (r.exit != kDone) {
        output_.failure(c.command, QStringLiteral("%1: %2").arg(who, r.message),
                        r.exit == kPortError ? kPortError : kDeviceFailed, fields);
        return r.exit == kPortError ? kPortError : kDeviceFailed;
    }
    fields.insert(QLatin1String("verified"), r.verified);
    fields.insert(QLatin1String("tookReader"), r.tookReader);
    output_.result(c.command,
                   QStringLiteral("%1: %2").arg(who, bus::appliedText(r.written, r.verified, r.tookReader)),
                   fields);
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
    const QString rowName = bus::planReaderName(target, row->name);
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

int Client::planReport(Context& c) {
    const std::optional<bus::Plan> plan = readPlan(c);
    if (!plan) return c.exit;
    const QString path = c.inv.words[2];
    const QString out = c.inv.fields.value(QStringLiteral("out"));
    const std::optional<bus::ReportFormat> format = bus::reportFormatOf(out);
    if (!format) return refuse(c, Texts::tr("plan report: нужен --out ФАЙЛ.html или ФАЙЛ.csv"));
    bus::PlanReport report{*plan,
                           {},
                           {},
                           bus::readPlanJournal(path, plan->separator),
                           QFileInfo(path).completeBaseName(),
                           QDateTime::currentDateTime(),
                           QStringLiteral("kestrel-cli %1").arg(QStringLiteral(KESTREL_VERSION))};
    if (const int e = checkAgainstPlan(c, *plan, &report.findings, &report.seen)) return e;
    if (QString why; !saveWholeFile(out, bus::planReportText(report, *format), &why)) {
        output_.failure(c.command, Texts::tr("не удалось записать %1: %2").arg(out, why), kWriteFailed);
        return kWriteFailed;
    }
    const int ok =
        int(std::count_if(report.findings.begin(), report.findings.end(),
                          [](const bus::PlanFinding& f) { return f.state == bus::PlanState::Ok; }));
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
