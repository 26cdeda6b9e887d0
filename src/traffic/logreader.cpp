#include "traffic/logreader.h"

#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QThread>
#include <cerrno>

#include "device/commands.h"
#include "protocol/reply.h"
#include "protocol/syserror.h"
#include "protocol/translation.h"
#include "traffic/csv.h"

namespace kestrel::traffic {

namespace {

// A cell as a message shows it: its start, with control bytes as "?".
QString shown(const QByteArray& cell) {
    QString text = QString::fromUtf8(cell.left(60));
    for (QChar& c : text)
        if (c.unicode() < 0x20 || c == QChar::ReplacementCharacter) c = QLatin1Char('?');
    return cell.size() > 60 ? text + QStringLiteral("…") : text;
}

bool digitsAt(const char* s, int count, int* value) {
    int v = 0;
    for (int i = 0; i < count; ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
        v = v * 10 + (s[i] - '0');
    }
    *value = v;
    return true;
}

// Days since 1970-01-01 of a civil date (proleptic Gregorian), for the years a log can be from (1970..9000):
// never a negative one, whose era would have to be rounded down.
qint64 daysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const qint64 era = y / 400;
    const int yoe = int(y - era * 400);
    const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

// The writer's time, "2026-12-07T15:55:37.123+03:00" (or "…Z" at offset 0), as a UTC time. Parsed by hand:
// QDateTime's own ISO parser costs more than the rest of a row.
std::optional<QDateTime> timeOf(const QByteArray& cell) {
    const char* s = cell.constData();
    if (cell.size() != 24 && cell.size() != 29) return std::nullopt;
    if (s[4] != '-' || s[7] != '-' || s[10] != 'T' || s[13] != ':' || s[16] != ':' || s[19] != '.')
        return std::nullopt;
    int y, mo, d, h, mi, sec, ms;
    if (!digitsAt(s, 4, &y) || !digitsAt(s + 5, 2, &mo) || !digitsAt(s + 8, 2, &d) ||
        !digitsAt(s + 11, 2, &h) || !digitsAt(s + 14, 2, &mi) || !digitsAt(s + 17, 2, &sec) ||
        !digitsAt(s + 20, 3, &ms))
        return std::nullopt;
    static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    // Years a log can be from; a year far off is a hand-edited cell.
    if (y < 1970 || y > 9000 || mo < 1 || mo > 12 || d < 1 || d > kDays[mo - 1] ||
        (mo == 2 && d == 29 && !leap) || h > 23 || mi > 59 || sec > 59)
        return std::nullopt;
    int offsetMinutes = 0;
    if (cell.size() == 24) {
        if (s[23] != 'Z') return std::nullopt;
    } else {
        int oh, om;
        if ((s[23] != '+' && s[23] != '-') || s[26] != ':' || !digitsAt(s + 24, 2, &oh) ||
            !digitsAt(s + 27, 2, &om) || oh > 23 || om > 59)
            return std::nullopt;
        offsetMinutes = (s[23] == '-' ? -1 : 1) * (oh * 60 + om);
    }
    const qint64 seconds = daysFromCivil(y, mo, d) * 86400 + h * 3600 + mi * 60 + sec - offsetMinutes * 60;
    return QDateTime::fromMSecsSinceEpoch(seconds * 1000 + ms, Qt::UTC);
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// "31 05 F0 FE" as bytes: two hex digits a byte, one space between; nothing for anything else.
std::optional<QByteArray> hexBytes(QByteArrayView text) {
    if (text.isEmpty()) return QByteArray();
    if (text.size() % 3 != 2) return std::nullopt;
    QByteArray bytes(text.size() / 3 + 1, Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const int hi = hexDigit(text[3 * i]), lo = hexDigit(text[3 * i + 1]);
        if (hi < 0 || lo < 0 || (3 * i + 2 < text.size() && text[3 * i + 2] != ' ')) return std::nullopt;
        bytes[i] = char(hi * 16 + lo);
    }
    return bytes;
}

// A whole number of at most 12 digits, optionally negative.
std::optional<qint64> number(const QByteArray& cell, bool negative) {
    const bool minus = negative && cell.startsWith('-');
    const qsizetype digits = cell.size() - minus;
    if (digits < 1 || digits > 12) return std::nullopt;
    qint64 v = 0;
    for (qsizetype i = minus; i < cell.size(); ++i) {
        if (cell[i] < '0' || cell[i] > '9') return std::nullopt;
        v = v * 10 + (cell[i] - '0');
    }
    return minus ? -v : v;
}

// The columns every log has, in the writer's order. Written out rather than taken from csvHeader(): a column
// the writer adds later must not make the logs written before it unreadable.
const QList<QByteArray>& knownColumns() {
    static const QList<QByteArray> columns = {"time",  "address",  "command", "code",   "request",
                                              "reply", "reply_ms", "outcome", "meaning"};
    return columns;
}

// A column a later version of the log may add after the known ones: a lower-case key.
bool laterColumn(const QByteArray& name) {
    if (name.isEmpty() || name.size() > 32 || name[0] < 'a' || name[0] > 'z') return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
    });
}

enum Column { kTime, kAddress, kCommand, kCode, kRequest, kReply, kReplyMs, kOutcome, kMeaning };

// Reads the cells of one row into `r`; the reason when a cell is not as the writer writes it.
class RowReader {
  public:
    QString read(const QList<QByteArray>& cells, Record* r) {
        const auto time = timeOf(cells[kTime]);
        if (!time)
            return Texts::tr("время «%1» не в виде 2026-12-07T15:55:37.123+03:00").arg(shown(cells[kTime]));
        r->time = *time;
        const auto outcome = outcomes_.find(cells[kOutcome]);
        if (outcome == outcomes_.end()) return Texts::tr("итог «%1» неизвестен").arg(shown(cells[kOutcome]));
        r->event = !outcome->has_value();
        r->outcome = outcome->value_or(Outcome::NoReply);
        if (!cells[kAddress].isEmpty()) {
            const auto address = number(cells[kAddress], false);
            if (!address || *address > 255)
                return Texts::tr("адрес «%1» - не число от 0 до 255").arg(shown(cells[kAddress]));
            r->address = int(*address);
        }
        if (!cells[kCode].isEmpty()) {
            const auto code = cells[kCode].size() == 2 ? hexBytes(cells[kCode]) : std::nullopt;
            if (!code) return Texts::tr("код «%1» - не байт в HEX").arg(shown(cells[kCode]));
            r->code = quint8(code->at(0));
        }
        if (!requestOf(cells[kRequest], &r->request))
            return Texts::tr("запрос «%1» - не байты в HEX").arg(shown(cells[kRequest]));
        if (!replyOf(cells[kReply], r))
            return Texts::tr("ответ «%1» - не байты в HEX").arg(shown(cells[kReply]));
        if (!cells[kReplyMs].isEmpty()) {
            // A negative time (bytes that came before the write) is defused as a formula would be: "'-10".
            const QByteArray& ms = cells[kReplyMs];
            r->replyMs = number(ms.startsWith("'-") ? ms.mid(1) : ms, true);
            if (!r->replyMs)
                return Texts::tr("время ответа «%1» - не число миллисекунд").arg(shown(cells[kReplyMs]));
        }
        r->meaning = QString::fromUtf8(cells[kMeaning]);
        // The writer defuses a text a spreadsheet would run as a formula with an apostrophe: taken off again.
        static const QString kFormulaStarts = QStringLiteral("=+-@\t\r");
        if (r->meaning.size() > 1 && r->meaning[0] == QLatin1Char('\'') &&
            kFormulaStarts.contains(r->meaning[1]))
            r->meaning.remove(0, 1);
        // A decoded reply's description is left out when describing the reply again gives the same text (a
        // log written in another language keeps its own).
        if (r->outcome == Outcome::Decoded && !r->event && !r->meaning.isEmpty() &&
            r->replyLength == r->reply.size()) {
            const auto value = device::decodeReply(Reply(r->reply));
            if (value && device::describe(*value) == r->meaning) {
                r->meaning.clear();
                r->meaningFromReply = true;
            }
        }
        return {};
    }

  private:
    // Requests repeat from row to row: a row shares the bytes of an equal request read before.
    bool requestOf(const QByteArray& cell, QByteArray* request) {
        if (const auto it = requests_.constFind(cell); it != requests_.cend()) {
            *request = *it;
            return true;
        }
        const auto bytes = hexBytes(cell);
        if (!bytes) return false;
        if (requests_.size() >= 4096) requests_.clear();
        *request = requests_.insert(cell, *bytes).value();
        return true;
    }
    // The reply's bytes, and a cut reply's " … (+N bytes)".
    static bool replyOf(const QByteArray& cell, Record* r) {
        static const QByteArray kCut = QByteArrayLiteral(" \xE2\x80\xA6 (+");
        QByteArrayView bytesText(cell);
        qint64 more = 0;
        if (const qsizetype cut = cell.indexOf(kCut); cut >= 0) {
            const QByteArray tail = cell.mid(cut + kCut.size());
            if (!tail.endsWith(" bytes)")) return false;
            const auto n = number(tail.chopped(7), false);
            if (!n || *n <= 0) return false;
            more = *n;
            bytesText = bytesText.first(cut);
        }
        const auto bytes = hexBytes(bytesText);
        if (!bytes || (more > 0 && bytes->isEmpty())) return false;
        r->reply = *bytes;
        r->replyLength = r->reply.size() + more;
        return true;
    }

    const QHash<QByteArray, std::optional<Outcome>> outcomes_ = [] {
        QHash<QByteArray, std::optional<Outcome>> out;
        for (Outcome o : allOutcomes()) out.insert(outcomeKey(o).toLatin1(), o);
        out.insert("event", std::nullopt);
        return out;
    }();
    QHash<QByteArray, QByteArray> requests_;
};

}  // namespace

LogReading readLog(QIODevice* in, const QString& name) {
    LogReading result;
    const auto refuse = [&](qint64 line, const QString& why) {
        result.status = LogReading::Status::Refused;
        result.error = Texts::tr("Файл %1 не загружен: строка %2: %3.").arg(name).arg(line).arg(why);
        result.log = LogContents{};
        return std::move(result);
    };
    // A first line longer than any header is refused as soon as that is seen: read to its end, a file of one
    // endless line (a dump, a disk image) would keep the reader for minutes.
    if (const QByteArray start = in->peek(kLongestLogRow + 1);
        start.size() > kLongestLogRow && !start.contains('\n') && !start.contains('\r'))
        return refuse(
            1, Texts::tr("первая строка длиннее %1 байт - не заголовок журнала обмена").arg(kLongestLogRow));
    csv::Reader reader(in);
    reader.setLimit(kLongestLogRow);
    QList<QByteArray> header;
    if (!reader.next(&header)) return refuse(1, Texts::tr("файл пуст, нет заголовка журнала обмена"));
    if (header.first().startsWith("\xEF\xBB\xBF")) header.first().remove(0, 3);  // a byte order mark
    const QList<QByteArray>& known = knownColumns();
    const bool knownStart = header.mid(0, known.size()) == known;  // a shorter header is no start
    const bool later = header.size() == known.size() + 1 && laterColumn(header.last());
    if (reader.overlong() || reader.unclosed() || !knownStart || (header.size() != known.size() && !later)) {
        QByteArray first = header.join(',');
        return refuse(1, Texts::tr("«%1» - не заголовок журнала обмена этой программы (файл другой программы "
                                   "или версии)")
                             .arg(shown(first)));
    }

    LogContents& log = result.log;
    const auto bad = [&log](qint64 line, const QString& why) {
        if (log.badRows++ < kKeptLogProblems) log.problems.push_back({line, why});
    };
    const qsizetype echoAt = later && header.last() == "echo" ? header.size() - 1 : -1;
    RowReader rows;
    QList<QByteArray> cells;
    qint64 rowsRead = 0;
    while (reader.next(&cells)) {
        // Read on a worker thread, a long log stops early when the thread is asked to (the window closing).
        if (++rowsRead % 4096 == 0 && QThread::currentThread()->isInterruptionRequested())
            return refuse(reader.line(), Texts::tr("чтение прервано"));
        const qint64 line = reader.line();
        if (reader.unclosed()) {
            bad(line, Texts::tr("кавычка не закрыта до конца файла, остаток файла не загружен"));
            break;
        }
        if (reader.overlong()) {
            bad(line, Texts::tr("строка длиннее %1 байт").arg(kLongestLogRow));
            continue;
        }
        if (cells.size() == 1 && cells.first().isEmpty()) continue;  // a blank line
        if (cells.size() != header.size() && cells.size() != known.size()) {
            bad(line, Texts::tr("ячеек %1, в заголовке %2").arg(cells.size()).arg(header.size()));
            continue;
        }
        Record r;
        // The "echo" column of the logs that have it: "removed" where the request's echo was taken off.
        if (echoAt > 0 && cells.size() > echoAt) r.echoRemoved = cells[echoAt] == "removed";
        if (const QString why = rows.read(cells, &r); !why.isEmpty()) {
            bad(line, why);
            continue;
        }
        log.records.push_back(std::move(r));
    }
    if (log.records.empty() && log.badRows > 0) {
        const LogProblem first = log.problems.front();
        return refuse(first.line,
                      Texts::tr("%1; ни одна строка не прочитана как строка журнала").arg(first.why));
    }
    result.status = LogReading::Status::Loaded;
    return result;
}

LogReading readLogFile(const QString& path) {
    LogReading result;
    result.status = LogReading::Status::Unreadable;
    const QFileInfo info(path);
    QFile file(path);
    QString why;
    if (!info.exists())
        // A link to nowhere or a loop of links says which; a missing file is not found.
        why = info.isSymLink() && ::access(QFile::encodeName(path).constData(), F_OK) != 0 && errno != ENOENT
                  ? systemErrorText(errno)
                  : Texts::tr("файл не найден");
    else if (info.isDir())
        why = Texts::tr("это папка");
    else if (!info.isFile())
        why = Texts::tr("это не обычный файл");  // a device or a pipe: read it might never end
    else if (!file.open(QIODevice::ReadOnly))
        why = localizedSystemText(file.errorString());
    if (!why.isEmpty()) {
        result.error = Texts::tr("Не удалось прочитать файл %1: %2.").arg(path, why);
        return result;
    }
    result = readLog(&file, path);
    if (file.error() != QFileDevice::NoError && result.loaded()) {
        result.status = LogReading::Status::Unreadable;
        result.error =
            Texts::tr("Не удалось прочитать файл %1: %2.").arg(path, localizedSystemText(file.errorString()));
        result.log = LogContents{};
    }
    return result;
}

QString badRowsText(const LogContents& log) {
    if (log.badRows == 0) return {};
    QStringList lines;
    for (std::size_t i = 0; i < log.problems.size() && i < 5; ++i)
        lines << QString::number(log.problems[i].line);
    if (log.badRows > qint64(lines.size())) lines << QStringLiteral("…");
    return Texts::tr("Строки с ошибками не загружены (%1): %2. Строка %3: %4.")
        .arg(log.badRows)
        .arg(lines.join(QStringLiteral(", ")))
        .arg(log.problems.front().line)
        .arg(log.problems.front().why);
}

std::optional<device::LiveReading> liveReadingOf(const Record& r) {
    if (r.event || r.outcome != Outcome::Decoded || r.code != cmd::kCurrentParams ||
        r.replyLength != r.reply.size())
        return std::nullopt;
    const auto value = device::decodeReply(Reply(r.reply));
    const auto* live = value ? std::get_if<device::LiveReading>(&*value) : nullptr;
    if (!live) return std::nullopt;
    return *live;
}

}  // namespace kestrel::traffic
