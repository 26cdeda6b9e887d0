#include "sim/replay.h"

#include <QBuffer>
#include <QByteArrayView>
#include <QFile>
#include <algorithm>
#include <cctype>
#include <optional>
#include <utility>

#include "traffic/csv.h"

namespace kestrel::sim {

namespace {

// "31 05 F0 FE" as the log writes it (lower-case digits and extra blanks are taken too); the empty
// cell is no bytes. Nothing for anything else.
std::optional<QByteArray> hexBytes(const QByteArray& cell) {
    const QByteArray text = cell.trimmed();
    const auto digit = [](char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; };
    QByteArray out;
    out.reserve(text.size() / 3 + 1);
    for (qsizetype i = 0; i < text.size();) {
        if (i > 0) {  // pairs apart by blanks (never one at the end: the text is trimmed)
            if (text.at(i) != ' ') return std::nullopt;
            while (text.at(i) == ' ') ++i;
        }
        if (i + 1 >= text.size() || !std::isxdigit(uchar(text.at(i))) ||
            !std::isxdigit(uchar(text.at(i + 1))))
            return std::nullopt;
        out += char(digit(text.at(i)) * 16 + digit(text.at(i + 1)));
        i += 2;
    }
    return out;
}

// A cell as the message shows it: on one line, cut short when long.
QString shown(const QByteArray& cell) {
    const QString text = QString::fromUtf8(cell).simplified();
    return text.size() <= 40 ? text : text.left(40) + QStringLiteral("...");
}

}  // namespace

Replay::Replay(const std::vector<Row>& rows) {
    for (const Row& row : rows) add(row.request, row.reply);
    finish();
}

void Replay::add(const QByteArray& request, const QByteArray& reply) {
    rows_.push_back({bytes_.size(), quint32(request.size()), quint32(reply.size())});
    bytes_ += request;
    bytes_ += reply;
    ++rowCount_;
    if (request.size() < 2) return;
    Reader reader;  // refused for the poll address and for an address already there
    reader.address = quint8(request.at(1));
    reader.wander = false;
    framer_.addReader(reader);
}

QByteArrayView Replay::requestOf(const Span& row) const {
    return QByteArrayView(bytes_).sliced(row.at, row.requestSize);
}

void Replay::finish() {
    std::stable_sort(rows_.begin(), rows_.end(),
                     [this](const Span& a, const Span& b) { return requestOf(a) < requestOf(b); });
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (i == 0 || requestOf(rows_[i]) != requestOf(rows_[i - 1])) requests_.push_back({quint32(i), 0, 0});
        ++requests_.back().count;
    }
    rows_.shrink_to_fit();
    requests_.shrink_to_fit();
    bytes_.squeeze();
    readers_ = framer_.readers();
}

std::unique_ptr<Replay> Replay::read(QIODevice* in, const QString& name, QString* error, Report* report) {
    Report local;
    Report& rep = report ? *report : local;
    rep = Report{};
    const auto fail = [&](const QString& why) {
        if (error) *error = QStringLiteral("%1: %2").arg(name, why);
        return nullptr;
    };
    const auto bad = [&](qint64 line, const QString& why) {
        if (rep.badRows++ < kShownProblems) rep.problems << QStringLiteral("line %1: %2").arg(line).arg(why);
    };

    csv::Reader reader(in);
    reader.setLimit(kLongestRow);
    QList<QByteArray> header;
    if (!reader.next(&header)) return fail(QStringLiteral("empty file, no header line"));
    if (reader.overlong())
        return fail(
            QStringLiteral("the first line is longer than %1 bytes, not a traffic log").arg(kLongestRow));
    if (header.first().startsWith("\xEF\xBB\xBF")) header.first().remove(0, 3);  // a byte order mark
    const qsizetype requestAt = header.indexOf("request");
    const qsizetype replyAt = header.indexOf("reply");
    for (const auto& [at, title] : {std::pair{requestAt, "request"}, std::pair{replyAt, "reply"}}) {
        if (at < 0)
            return fail(QStringLiteral("no '%1' column in the header line, not a traffic log")
                            .arg(QLatin1String(title)));
    }

    std::unique_ptr<Replay> replay(new Replay);
    QList<QByteArray> record;
    while (reader.next(&record)) {
        const qint64 line = reader.line();
        if (reader.unclosed()) {
            bad(line, QStringLiteral("a quote opened in this row is never closed; the rest of the file "
                                     "is left out"));
            break;
        }
        if (reader.overlong()) {
            bad(line, QStringLiteral("longer than %1 bytes").arg(kLongestRow));
            continue;
        }
        if (record.size() == 1 && record.first().isEmpty()) continue;  // a blank line
        if (record.size() != header.size()) {
            bad(line, QStringLiteral("%1 cells, the header has %2").arg(record.size()).arg(header.size()));
            continue;
        }
        std::optional<QByteArray> bytes[2];
        const qsizetype columns[2] = {requestAt, replyAt};
        bool ok = true;
        for (int i = 0; i < 2 && ok; ++i) {
            bytes[i] = hexBytes(record.at(columns[i]));
            if (!bytes[i]) {
                bad(line, QStringLiteral("%1 '%2' is not hex bytes like \"31 05 F0 FE\"")
                              .arg(QString::fromUtf8(header.at(columns[i])), shown(record.at(columns[i]))));
                ok = false;
            }
        }
        if (!ok) continue;
        if (bytes[0]->isEmpty()) {
            ++rep.unaskedRows;
            continue;
        }
        replay->add(*bytes[0], *bytes[1]);
    }
    if (replay->rowCount_ == 0)
        return fail(QStringLiteral("no exchange to answer with (%1 row(s) without a request, %2 malformed "
                                   "row(s))")
                        .arg(rep.unaskedRows)
                        .arg(rep.badRows));
    replay->finish();
    return replay;
}

std::unique_ptr<Replay> Replay::fromCsv(const QString& text, const QString& name, QString* error,
                                        Report* report) {
    QByteArray bytes = text.toUtf8();
    QBuffer in(&bytes);
    in.open(QIODevice::ReadOnly);
    return read(&in, name, error, report);
}

std::unique_ptr<Replay> Replay::load(const QString& path, QString* error, Report* report) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error) *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        if (report) *report = Report{};
        return nullptr;
    }
    return read(&file, path, error, report);
}

std::vector<Exchange> Replay::feed(const QByteArray& bytes) {
    std::vector<Exchange> out;
    // The bus model also carries out every frame it takes, and a new network address would change
    // which later frames it accepts; so the input goes in a byte at a time and the readers are put
    // back after each frame.
    for (const char byte : bytes) {
        for (Exchange& ex : framer_.feed(QByteArray(1, byte))) {
            framer_.readers() = readers_;
            ex.chunks.clear();
            const auto it = std::lower_bound(requests_.begin(), requests_.end(), QByteArrayView(ex.request),
                                             [this](const Request& r, QByteArrayView request) {
                                                 return requestOf(rows_[r.first]) < request;
                                             });
            if (it != requests_.end() && requestOf(rows_[it->first]) == QByteArrayView(ex.request)) {
                const Span& row = rows_[it->first + it->next];
                it->next = (it->next + 1) % it->count;
                if (row.replySize > 0)
                    ex.chunks.push_back({0, bytes_.mid(row.at + row.requestSize, row.replySize)});
            }
            out.push_back(std::move(ex));
        }
    }
    return out;
}

}  // namespace kestrel::sim
