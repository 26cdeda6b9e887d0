#include "bus/planreport.h"

#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>

#include "protocol/hexid.h"
#include "protocol/syserror.h"
#include "protocol/translation.h"
#include "traffic/csv.h"

namespace kestrel::bus {

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

}  // namespace

QString planJournalPath(const QString& planPath) {
    QString base = planPath;
    if (base.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive)) base.chop(4);
    return base + QStringLiteral(".journal.csv");
}

QString appendPlanJournal(const QString& planPath, char separator, quint8 address,
                          std::optional<quint32> serial, const QString& action, const QString& outcome) {
    const QString path = planJournalPath(planPath);
    const auto failed = [&] {
        return Texts::tr("журнал %1 не записан: %2").arg(path, systemErrorText(errno));
    };
    // Appended to, never rewritten: each write adds its line, whatever happened before. Opened without
    // waiting, so a named pipe nobody reads is a failure, not a hang.
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0644);
    if (fd < 0) return failed();
    QByteArray text;
    if (::lseek(fd, 0, SEEK_END) == 0)
        text = csv::line({QStringLiteral("time"), QStringLiteral("address"), QStringLiteral("serial"),
                          QStringLiteral("action"), QStringLiteral("outcome")},
                         separator);
    text += csv::line({csv::isoTime(QDateTime::currentDateTime()), QString::number(address),
                       serial ? QString::number(*serial) : QString(), action, outcome},
                      separator);
    QString failure;
    qsizetype done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.constData() + done, size_t(text.size() - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = ENOSPC;
            failure = failed();
            break;
        }
        done += n;
    }
    ::close(fd);
    return failure;
}

QMap<int, QStringList> readPlanJournal(const QString& planPath, char separator) {
    QMap<int, QStringList> out;
    QFile file(planJournalPath(planPath));
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

QString planReaderName(quint8 address, const QString& name) {
    return name.isEmpty() ? Texts::tr("адрес %1").arg(address)
                          : Texts::tr("адрес %1 (%2)").arg(address).arg(name);
}

QString appliedText(const QStringList& written, bool verified, bool tookReader) {
    QString text = written.isEmpty() ? Texts::tr("уже как в плане, ничего не записано")
                                     : Texts::tr("записано %1").arg(written.join(QStringLiteral(", ")));
    text += QStringLiteral("; ") + (verified ? Texts::tr("проверено") : Texts::tr("не проверялось"));
    if (tookReader)
        text += Texts::tr("; в плане серийного номера нет: взят считыватель, найденный по адресу");
    return text;
}

QString writeStoppedText(const QString& why, const QStringList& written, bool unknown, const QString& step,
                         const QStringList& notSent) {
    const auto listed = [](const QStringList& l) {
        return l.isEmpty() ? Texts::tr("нет") : l.join(QStringLiteral(", "));
    };
    return Texts::tr("%1; записано: %2; %3: %4; не записано: %5")
        .arg(why, listed(written), unknown ? Texts::tr("неизвестно, записано ли") : Texts::tr("не записано"),
             step, listed(notSent));
}

QString differencesText(const std::vector<PlanDifference>& differences) {
    QStringList out;
    for (const PlanDifference& d : differences)
        out << Texts::tr("%1 %2, по плану %3").arg(d.field, d.found, d.planned);
    return out.join(QStringLiteral("; "));
}

std::optional<ReportFormat> reportFormatOf(const QString& path) {
    if (path.endsWith(QLatin1String(".html"), Qt::CaseInsensitive) ||
        path.endsWith(QLatin1String(".htm"), Qt::CaseInsensitive))
        return ReportFormat::Html;
    if (path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive)) return ReportFormat::Csv;
    return std::nullopt;
}

QByteArray planReportText(const PlanReport& report, ReportFormat format) {
    const Plan& plan = report.plan;
    const QStringList head = {Texts::tr("Имя"),      Texts::tr("Адрес"),   Texts::tr("Серийный номер"),
                              Texts::tr("По плану"), Texts::tr("Найдено"), Texts::tr("Записано и проверено"),
                              Texts::tr("Состояние")};
    QList<QStringList> rows;
    int ok = 0;
    for (const PlanFinding& f : report.findings) {
        const PlanRow* row = plan.rowAt(f.address);
        const ReaderSeen* r = nullptr;
        for (const ReaderSeen& s : report.seen)
            if (s.address == f.address) r = &s;
        const QString planned =
            row && f.state != PlanState::Extra
                ? settingsText(row->network, row->channel, row->power, row->mode,
                               row->tags ? idsText(plannedBoundIds(*row->tags)) : QString())
                : QStringLiteral("-");
        const auto& st = r ? r->settings : std::nullopt;
        const QString found =
            r && r->serial ? settingsText(st ? st->network : std::nullopt, st ? st->channel : std::nullopt,
                                          st ? st->power : std::nullopt, st ? st->mode : std::nullopt,
                                          r->boundIds ? idsText(r->boundIds->cells) : QString())
                           : QStringLiteral("-");
        QString state = planStateKey(f.state);
        if (!f.differences.empty()) state += QStringLiteral(": ") + differencesText(f.differences);
        if (f.state == PlanState::Ok) ++ok;
        rows << QStringList{f.name,
                            QString::number(f.address),
                            f.foundSerial ? QString::number(*f.foundSerial) : QStringLiteral("-"),
                            planned,
                            found,
                            report.journal.value(f.address).join(QStringLiteral("; ")),
                            state};
    }
    if (format == ReportFormat::Csv) {
        QByteArray text = csv::line(
            {Texts::tr("Площадка"), report.site, Texts::tr("Дата"), csv::isoTime(report.at), report.tool},
            plan.separator);
        text += csv::line(head, plan.separator);
        // A spreadsheet shows an empty cell for what is not there ("-" would need a formula's guard).
        for (QStringList row : rows) {
            for (QString& cell : row)
                if (cell == QLatin1String("-")) cell.clear();
            text += csv::line(row, plan.separator);
        }
        return text;
    }
    const QString title = (Texts::tr("Отчёт о вводе в работу: ") + report.site).toHtmlEscaped();
    QString h =
        QStringLiteral(
            "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">\n<title>%1</title>\n<style>\n"
            "@page { size: A4 landscape; margin: 12mm; }\n"
            "body { font-family: sans-serif; font-size: 9pt; }\n"
            "table { border-collapse: collapse; width: 100%; }\n"
            "th, td { border: 1px solid #888; padding: 2px 4px; vertical-align: top; text-align: left; }\n"
            "thead { display: table-header-group; }\n"
            "tr { page-break-inside: avoid; }\n"
            "</style></head><body>\n")
            .arg(title);
    h += QStringLiteral("<h1>%1</h1>\n<p>%2</p>\n")
             .arg(title, Texts::tr("Дата: %1. Считывателей по плану: %2, как в плане: %3. %4.")
                             .arg(report.at.toString(QStringLiteral("yyyy-MM-dd HH:mm")))
                             .arg(plan.rows.size())
                             .arg(ok)
                             .arg(report.tool)
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
    return h.toUtf8();
}

}  // namespace kestrel::bus
