#include "sim/replay.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringList>
#include <algorithm>
#include <optional>
#include <utility>

#include "traffic/csv.h"

namespace kestrel::sim {

namespace {

// "31 05 F0 FE" as the log writes it (lower-case digits and extra blanks are taken too); the empty
// cell is no bytes. Nothing for anything else.
std::optional<QByteArray> hexBytes(const QString& cell) {
    static const QRegularExpression re(QStringLiteral("^([0-9A-Fa-f]{2}( +[0-9A-Fa-f]{2})*)?$"));
    const QString text = cell.trimmed();
    if (!re.match(text).hasMatch()) return std::nullopt;
    return QByteArray::fromHex(text.toLatin1());
}

// Line breaks inside the cells of a record (a quoted cell may hold some), for line numbers.
int breaksIn(const QStringList& record) {
    int n = 0;
    for (const QString& c : record)
        n += int(c.count(QLatin1Char('\n')) + c.count(QLatin1Char('\r')) - c.count(QStringLiteral("\r\n")));
    return n;
}

}  // namespace

Replay::Replay(const std::vector<Row>& rows) {
    for (const Row& row : rows) {
        table_[row.request].replies.push_back(row.reply);
        if (row.request.size() < 2) continue;
        Reader r;  // refused for the poll address and for an address already there
        r.address = quint8(row.request.at(1));
        r.wander = false;
        framer_.addReader(r);
    }
    readers_ = framer_.readers();
    rowCount_ = int(rows.size());
}

std::unique_ptr<Replay> Replay::fromCsv(const QString& text, const QString& name, QString* error) {
    const auto fail = [&](const QString& why) {
        if (error) *error = QStringLiteral("%1: %2").arg(name, why);
        return nullptr;
    };
    QList<QStringList> records = csv::parse(text);
    if (records.isEmpty()) return fail(QStringLiteral("empty file, no header line"));
    QStringList header = records.takeFirst();
    if (!header.isEmpty() && header.first().startsWith(QChar(0xFEFF))) header.first().remove(0, 1);
    const qsizetype requestAt = header.indexOf(QStringLiteral("request"));
    const qsizetype replyAt = header.indexOf(QStringLiteral("reply"));
    for (const auto& [at, title] : {std::pair{requestAt, "request"}, std::pair{replyAt, "reply"}}) {
        if (at < 0)
            return fail(QStringLiteral("no '%1' column in the header line").arg(QLatin1String(title)));
    }

    std::vector<Row> rows;
    int skipped = 0;
    int line = 2 + breaksIn(header);
    for (const QStringList& record : records) {
        const int at = line;
        line += 1 + breaksIn(record);
        if (record.size() == 1 && record.first().isEmpty()) continue;  // a blank line
        if (record.size() <= std::max(requestAt, replyAt))
            return fail(QStringLiteral("line %1: %2 cells, the header has %3")
                            .arg(at)
                            .arg(record.size())
                            .arg(header.size()));
        Row row;
        for (const auto& [column, bytes] :
             {std::pair{requestAt, &row.request}, std::pair{replyAt, &row.reply}}) {
            const auto parsed = hexBytes(record.at(column));
            if (!parsed)
                return fail(QStringLiteral("line %1: %2 '%3' is not hex bytes like \"31 05 F0 FE\"")
                                .arg(at)
                                .arg(header.at(column), record.at(column)));
            *bytes = *parsed;
        }
        if (row.request.isEmpty()) {
            ++skipped;
            continue;
        }
        rows.push_back(row);
    }
    auto replay = std::make_unique<Replay>(rows);
    replay->skippedRows_ = skipped;
    return replay;
}

std::unique_ptr<Replay> Replay::load(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error) *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return nullptr;
    }
    return fromCsv(QString::fromUtf8(file.readAll()), path, error);
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
            const auto it = table_.find(ex.request);
            if (it != table_.end()) {
                Replies& r = it->second;
                const QByteArray& reply = r.replies[r.next];
                r.next = (r.next + 1) % r.replies.size();
                if (!reply.isEmpty()) ex.chunks.push_back({0, reply});
            }
            out.push_back(std::move(ex));
        }
    }
    return out;
}

}  // namespace kestrel::sim
