#include "bus/plan.h"

#include <fcntl.h>

#include <QBuffer>
#include <QFile>
#include <QHash>
#include <QStringDecoder>
#include <cerrno>

#include "device/ranges.h"
#include "device/requests.h"
#include "protocol/hexid.h"
#include "protocol/syserror.h"
#include "protocol/translation.h"
#include "traffic/csv.h"

namespace kestrel::bus {

namespace {

constexpr int kMaxTags = 10;  // the bound-ID table's cells
constexpr int kMaxRecords = 1000;
constexpr qsizetype kMaxRecordBytes = 4096;

// A cell as the engineer typed it: blanks around it dropped, and the apostrophe a spreadsheet (or this
// tool's own CSV) puts before a text that would read as a formula taken off.
QString cellText(const QString& raw) {
    static const QString kFormulaStarts = QStringLiteral("=+-@\t\r");
    const bool guarded =
        raw.size() > 1 && raw.front() == QLatin1Char('\'') && kFormulaStarts.contains(raw.at(1));
    return (guarded ? raw.mid(1) : raw).trimmed();
}

}  // namespace

const QStringList& planColumns() {
    static const QStringList columns = {QStringLiteral("address"), QStringLiteral("name"),
                                        QStringLiteral("serial"),  QStringLiteral("network"),
                                        QStringLiteral("channel"), QStringLiteral("power"),
                                        QStringLiteral("mode"),    QStringLiteral("tags")};
    return columns;
}

const PlanRow* Plan::rowAt(quint8 address) const {
    for (const PlanRow& r : rows)
        if (r.address == address) return &r;
    return nullptr;
}

const PlanRow* Plan::rowOf(quint32 serial) const {
    for (const PlanRow& r : rows)
        if (r.serial == serial) return &r;
    return nullptr;
}

Plan parsePlan(const QByteArray& text, const QString& source) {
    Plan plan;
    const auto refuse = [&](const QString& why) {
        plan.rows.clear();
        plan.refusal = source + QStringLiteral(": ") + why;
        return plan;
    };
    if (text.size() > kMaxPlanBytes)
        return refuse(
            Texts::tr("файл больше 1 МиБ (%1 байт); план площадки не бывает больше").arg(kMaxPlanBytes));
    QByteArray bytes = text;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        plan.byteOrderMark = true;
        bytes.remove(0, 3);
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    (void)QString(utf8.decode(bytes));
    if (utf8.hasError()) return refuse(Texts::tr("не текст UTF-8; сохраните план как CSV в UTF-8"));
    // The separator is the one the header row uses: ";" when it holds one outside quotes, else ",".
    const qsizetype firstBreak = bytes.indexOf('\n');
    const QByteArray header = bytes.left(firstBreak < 0 ? bytes.size() : firstBreak);
    bool quoted = false;
    for (const char c : header) {
        if (c == '"') quoted = !quoted;
        if (c == ';' && !quoted) {
            plan.separator = ';';
            break;
        }
    }
    QBuffer in(&bytes);
    in.open(QIODevice::ReadOnly);
    csv::Reader reader(&in);
    reader.setSeparator(plan.separator);
    reader.setLimit(kMaxRecordBytes);
    QList<QByteArray> cells;
    QList<qint64> lines;
    while (reader.next(&cells)) {
        if (reader.overlong())
            return refuse(Texts::tr("строка %1: длиннее %2 байт").arg(reader.line()).arg(kMaxRecordBytes));
        if (reader.unclosed())
            return refuse(Texts::tr("строка %1: кавычка не закрыта до конца файла").arg(reader.line()));
        if (plan.records.size() > kMaxRecords)
            return refuse(Texts::tr("больше %1 строк; в плане не больше 201 считывателя").arg(kMaxRecords));
        QStringList record;
        for (const QByteArray& c : cells) record << QString::fromUtf8(c);
        plan.records << record;
        lines << reader.line();
    }
    if (plan.records.isEmpty()) return refuse(Texts::tr("файл пуст; нужна строка заголовка"));

    // The header: every column known, none twice, the address among them.
    QHash<QString, int> column;
    const QStringList& head = plan.records.first();
    for (int i = 0; i < head.size(); ++i) {
        const QString name = cellText(head[i]).toLower();
        if (name.isEmpty() && i == head.size() - 1) continue;  // a spreadsheet's trailing separator
        if (!planColumns().contains(name))
            return refuse(Texts::tr("строка 1, столбец %1: неизвестный столбец \"%2\"; столбцы плана: %3")
                              .arg(i + 1)
                              .arg(name.left(40), planColumns().join(QStringLiteral(", "))));
        if (column.contains(name))
            return refuse(Texts::tr("строка 1, столбец %1: столбец \"%2\" второй раз").arg(i + 1).arg(name));
        column.insert(name, i);
    }
    // The columns that have a name: a spreadsheet's trailing separator names none.
    const qsizetype width = head.size() - (cellText(head.last()).isEmpty() ? 1 : 0);
    if (!column.contains(QStringLiteral("address")))
        return refuse(Texts::tr("строка 1: нет столбца \"address\""));

    QHash<quint8, int> lineOfAddress;
    QHash<quint32, int> lineOfSerial;
    for (int r = 1; r < plan.records.size(); ++r) {
        const QStringList& record = plan.records[r];
        const int line = int(lines[r]);
        if (std::all_of(record.begin(), record.end(), [](const QString& c) { return cellText(c).isEmpty(); }))
            continue;  // a blank row of the spreadsheet
        if (record.size() > width && std::any_of(record.begin() + width, record.end(),
                                                 [](const QString& c) { return !cellText(c).isEmpty(); }))
            return refuse(Texts::tr("строка %1: ячеек больше, чем столбцов в заголовке").arg(line));
        PlanRow row;
        row.line = line;
        row.record = r;
        QString refusal;
        // The cell of `name`, and a refusal naming where it stands.
        const auto cell = [&](const QString& name) {
            const int i = column.value(name, -1);
            return i >= 0 && i < record.size() ? cellText(record[i]) : QString();
        };
        const auto where = [&](const QString& name) {
            return Texts::tr("строка %1, столбец %2 (%3)").arg(line).arg(column.value(name) + 1).arg(name);
        };
        const auto number = [&](const QString& name, device::FieldRange range, auto& into) -> bool {
            const QString text = cell(name);
            if (text.isEmpty()) return true;
            const device::ExactValue v = device::exactValueIn(text, range, where(name));
            if (!v.ok()) {
                refusal = v.refusal;
                return false;
            }
            into = static_cast<typename std::decay_t<decltype(into)>::value_type>(v.value);
            return true;
        };
        if (cell(QStringLiteral("address")).isEmpty())
            return refuse(where(QStringLiteral("address")) + Texts::tr(": адрес не задан"));
        std::optional<quint8> address;
        if (!number(QStringLiteral("address"), device::range::kNetAddress, address) ||
            !number(QStringLiteral("serial"), device::range::kSerial, row.serial) ||
            !number(QStringLiteral("network"), device::range::kNetwork, row.network) ||
            !number(QStringLiteral("channel"), device::range::kChannel, row.channel) ||
            !number(QStringLiteral("power"), device::range::kPower, row.power) ||
            !number(QStringLiteral("mode"), device::range::kReaderMode, row.mode))
            return refuse(refusal);
        row.address = *address;
        row.name = cell(QStringLiteral("name"));
        if (const QString tags = cell(QStringLiteral("tags")); !tags.isEmpty()) {
            const QStringList ids = tags.split(QLatin1Char(' '), Qt::SkipEmptyParts);
            if (ids.size() > kMaxTags)
                return refuse(
                    where(QStringLiteral("tags")) +
                    Texts::tr(": меток %1, в таблице считывателя %2 ячеек").arg(ids.size()).arg(kMaxTags));
            QList<quint32> values;
            for (const QString& id : ids) {
                const HexIdResult hex = parseHexId(id);
                if (!hex.ok())
                    return refuse(where(QStringLiteral("tags")) + QStringLiteral(": \"") + id.left(40) +
                                  QStringLiteral("\": ") + hex.message());
                values << hex.value();
            }
            row.tags = values;
        }
        if (const int other = lineOfAddress.value(row.address); other)
            return refuse(
                Texts::tr("строка %1: адрес %2 уже задан в строке %3").arg(line).arg(row.address).arg(other));
        lineOfAddress.insert(row.address, line);
        if (row.serial) {
            if (const int other = lineOfSerial.value(*row.serial); other)
                return refuse(Texts::tr("строка %1: серийный номер %2 уже задан в строке %3")
                                  .arg(line)
                                  .arg(*row.serial)
                                  .arg(other));
            lineOfSerial.insert(*row.serial, line);
        }
        plan.rows.push_back(row);
    }
    if (plan.rows.empty()) return refuse(Texts::tr("в плане нет ни одного считывателя"));
    return plan;
}

Plan readPlanFile(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        Plan plan;
        plan.refusal = Texts::tr("не удалось открыть %1: %2").arg(path, systemErrorText(errno));
        return plan;
    }
    QFile file;
    file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    return parsePlan(file.read(kMaxPlanBytes + 1), path);
}

QByteArray planWithSerial(const Plan& plan, quint8 address, quint32 serial) {
    QList<QStringList> records = plan.records;
    QStringList& head = records.first();
    int column = -1;
    for (int i = 0; i < head.size(); ++i)
        if (cellText(head[i]).toLower() == QLatin1String("serial")) column = i;
    if (column < 0) {
        // A plan without the column gets it, after the others (in place of a spreadsheet's trailing
        // separator).
        if (head.isEmpty() || !cellText(head.last()).isEmpty()) head << QString();
        column = int(head.size()) - 1;
        head[column] = QStringLiteral("serial");
    }
    QByteArray out = plan.byteOrderMark ? QByteArray("\xEF\xBB\xBF") : QByteArray();
    for (int r = 0; r < records.size(); ++r) {
        QStringList& record = records[r];
        const PlanRow* row = plan.rowAt(address);
        if (row && row->record == r) {
            while (record.size() <= column) record << QString();
            record[column] = QString::number(serial);
        }
        out += csv::line(record, plan.separator);
    }
    return out;
}

QString planStateKey(PlanState state) {
    switch (state) {
        case PlanState::Ok:
            return QStringLiteral("ok");
        case PlanState::Missing:
            return QStringLiteral("missing");
        case PlanState::OtherSerial:
            return QStringLiteral("other-serial");
        case PlanState::Differs:
            return QStringLiteral("differs");
        case PlanState::DuplicateSerial:
            return QStringLiteral("duplicate-serial");
        case PlanState::Extra:
            return QStringLiteral("extra");
    }
    return {};
}

std::vector<quint32> plannedBoundIds(const QList<quint32>& tags) {
    std::vector<quint32> cells(kMaxTags, 0);
    for (int i = 0; i < tags.size() && i < kMaxTags; ++i) cells[std::size_t(i)] = tags[i];
    return cells;
}

namespace {

// A bound-ID table as the plan's column writes it: the IDs that are set, in hexadecimal; "-" for none.
QString tagsText(const std::vector<quint32>& cells) {
    QStringList ids;
    for (quint32 id : cells)
        if (id != 0) ids << formatHexId(id);
    return ids.isEmpty() ? QStringLiteral("-") : ids.join(QLatin1Char(' '));
}

}  // namespace

std::vector<PlanDifference> planDifferences(const PlanRow& row, const ReaderSeen& seen) {
    std::vector<PlanDifference> out;
    const auto compare = [&](const char* field, const auto& planned, const auto& found) {
        if (!planned) return;
        if (found && qint64(*found) == qint64(*planned)) return;
        out.push_back({QLatin1String(field), QString::number(*planned),
                       found ? QString::number(*found) : QStringLiteral("?")});
    };
    const std::optional<device::LiveReading::Settings>& s = seen.settings;
    compare("network", row.network, s ? s->network : std::nullopt);
    compare("channel", row.channel, s ? s->channel : std::nullopt);
    compare("power", row.power, s ? s->power : std::nullopt);
    compare("mode", row.mode, s ? s->mode : std::nullopt);
    if (row.tags) {
        const std::vector<quint32> planned = plannedBoundIds(*row.tags);
        if (!seen.boundIds)
            out.push_back({QStringLiteral("tags"), tagsText(planned), QStringLiteral("?")});
        else if (seen.boundIds->cells != planned)
            out.push_back({QStringLiteral("tags"), tagsText(planned), tagsText(seen.boundIds->cells)});
    }
    return out;
}

std::vector<PlanFinding> checkPlan(const Plan& plan, const std::vector<ReaderSeen>& seen) {
    const auto seenAt = [&](quint8 address) -> const ReaderSeen* {
        for (const ReaderSeen& r : seen)
            if (r.address == address) return &r;
        return nullptr;
    };
    const auto shared = [&](const ReaderSeen& r) {
        return r.serial && std::any_of(seen.begin(), seen.end(), [&](const ReaderSeen& o) {
                   return o.address != r.address && o.serial == r.serial;
               });
    };
    std::vector<PlanFinding> out;
    for (const PlanRow& row : plan.rows) {
        PlanFinding f{row.address, row.name, PlanState::Missing, row.serial, {}, {}, {}};
        const ReaderSeen* r = seenAt(row.address);
        if (r) f.silence = r->silence;
        if (r && r->serial) {
            f.foundSerial = r->serial;
            f.differences = planDifferences(row, *r);
            f.state = shared(*r)                                ? PlanState::DuplicateSerial
                      : row.serial && *row.serial != *r->serial ? PlanState::OtherSerial
                      : !f.differences.empty()                  ? PlanState::Differs
                                                                : PlanState::Ok;
        }
        out.push_back(f);
    }
    for (const ReaderSeen& r : seen)
        if (r.serial && !plan.rowAt(r.address))
            out.push_back({r.address, {}, PlanState::Extra, {}, r.serial, {}, {}});
    return out;
}

PlanRow plannedParts(const PlanRow& row, const QStringList& parts) {
    PlanRow wanted = row;
    if (!parts.contains(QStringLiteral("mode"))) wanted.mode.reset();
    if (!parts.contains(QStringLiteral("radio")))
        wanted.network = wanted.channel = wanted.power = std::nullopt;
    if (!parts.contains(QStringLiteral("bound-ids"))) wanted.tags.reset();
    return wanted;
}

std::vector<RestoreStep> planSteps(const PlanRow& wanted, const ReaderSeen& seen, QString* refusal) {
    const std::vector<PlanDifference> differences = planDifferences(wanted, seen);
    const auto differs = [&](const char* field) {
        return std::any_of(differences.begin(), differences.end(),
                           [&](const PlanDifference& d) { return d.field == QLatin1String(field); });
    };
    std::vector<RestoreStep> steps;
    if (differs("mode"))
        steps.push_back({QStringLiteral("mode"), device::setModeRequest(wanted.address, *wanted.mode)});
    if (differs("network") || differs("channel") || differs("power")) {
        const auto& s = seen.settings;
        const auto value = [](const auto& planned, const auto& found) {
            return planned ? QString::number(*planned) : found ? QString::number(*found) : QString();
        };
        const device::Request r = device::setRadioParamsRequest(
            wanted.address, {value(wanted.network, s ? s->network : std::nullopt),
                             value(wanted.channel, s ? s->channel : std::nullopt),
                             value(wanted.power, s ? s->power : std::nullopt)});
        if (!r.ok()) {
            *refusal = Texts::tr("параметры радио не прочитаны; ничего не записано");
            return {};
        }
        steps.push_back({QStringLiteral("radio"), r.frame});
    }
    if (differs("tags")) {
        const std::vector<quint32> cells = plannedBoundIds(*wanted.tags);
        for (std::size_t i = 0; i < cells.size(); ++i) {
            if (seen.boundIds && i < seen.boundIds->cells.size() && seen.boundIds->cells[i] == cells[i])
                continue;
            const device::Request r =
                device::writeBoundIdRequest(wanted.address, QString::number(i + 1), formatHexId(cells[i]));
            steps.push_back({QStringLiteral("bound-ids %1").arg(i + 1), r.frame});
        }
    }
    return steps;
}

}  // namespace kestrel::bus
