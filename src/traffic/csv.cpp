#include "traffic/csv.h"

#include <QBuffer>
#include <QStringDecoder>

namespace kestrel::csv {

QString cell(const QString& text, char separator) {
    QString out = text;
    static const QString kFormulaStarts = QStringLiteral("=+-@\t\r");
    if (!out.isEmpty() && kFormulaStarts.contains(out.front())) out.prepend(QLatin1Char('\''));
    const bool quote = out.contains(QLatin1Char(separator)) || out.contains(QLatin1Char('"')) ||
                       out.contains(QLatin1Char('\r')) || out.contains(QLatin1Char('\n'));
    if (!quote) return out;
    out.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + out + QLatin1Char('"');
}

QByteArray line(const QStringList& cells, char separator) {
    QStringList quoted;
    quoted.reserve(cells.size());
    for (const QString& c : cells) quoted << cell(c, separator);
    return (quoted.join(QLatin1Char(separator)) + QStringLiteral("\r\n")).toUtf8();
}

QString isoTime(const QDateTime& time) {
    if (!time.isValid()) return {};
    // The tool keeps its times in UTC (cheap to compare); a log shows them as local times with the offset.
    const QDateTime shown = time.timeSpec() == Qt::UTC ? time.toLocalTime() : time;
    return shown.toOffsetFromUtc(shown.offsetFromUtc()).toString(Qt::ISODateWithMs);
}

QList<QStringList> parse(const QString& text, char separator) {
    QByteArray bytes = text.toUtf8();
    QBuffer in(&bytes);
    in.open(QIODevice::ReadOnly);
    Reader reader(&in);
    reader.setSeparator(separator);
    // Each cell back as it was: QString::fromUtf8 would drop a byte order mark that starts one.
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QList<QStringList> records;
    QList<QByteArray> cells;
    while (reader.next(&cells)) {
        QStringList record;
        record.reserve(cells.size());
        for (const QByteArray& c : cells) record << QString(utf8.decode(c));
        records << record;
    }
    return records;
}

bool Reader::fill() {
    if (pos_ < buf_.size()) return true;
    buf_ = in_->read(1 << 16);
    pos_ = 0;
    return !buf_.isEmpty();
}

bool Reader::next(QList<QByteArray>* cells) {
    cells->clear();
    start_ = line_;
    unclosed_ = false;
    overlong_ = false;
    QByteArray field;
    bool quoted = false;
    bool any = false;  // something of the record has been read
    // A line break: LF, CR LF or a lone CR; the byte after a CR is looked at, and taken if it is the LF.
    const auto lineBreak = [this](char c) {
        if (c == '\n') return 1;
        if (c != '\r') return 0;
        if (fill() && buf_.at(pos_) == '\n') {
            ++pos_;
            return 2;
        }
        return 1;
    };
    qsizetype taken = 0;
    while (fill()) {
        // A run of plain bytes (none that quotes, separates or ends a line) is taken at once: a long log is
        // read a byte at a time otherwise.
        const char* data = buf_.constData();
        qsizetype end = pos_;
        while (end < buf_.size()) {
            const char b = data[end];
            if (b == '"' || b == '\r' || b == '\n' || (b == separator_ && !quoted)) break;
            ++end;
        }
        if (end > pos_) {
            const qsizetype run = end - pos_;
            if (limit_ >= 0 && !overlong_ && taken + run > limit_) {
                field.append(data + pos_, limit_ - taken);  // what fits, and nothing more of the record
                overlong_ = true;
                *cells << field;
            }
            if (overlong_)
                field.clear();
            else
                field.append(data + pos_, run);
            taken += run;
            pos_ = end;
            any = true;
            continue;
        }
        const char c = buf_.at(pos_++);
        if (limit_ >= 0 && ++taken > limit_ && !overlong_) {
            overlong_ = true;
            *cells << field;  // what fits, and nothing more of the record
        }
        if (overlong_) field.clear();
        if (quoted) {
            if (c != '"') {
                field += c;
                if (const int n = lineBreak(c)) {
                    if (n == 2) field += '\n';
                    ++line_;
                }
            } else if (fill() && buf_.at(pos_) == '"') {
                field += c;
                ++pos_;
            } else {
                quoted = false;
            }
            continue;
        }
        if (c == '"') {
            quoted = true;
            any = true;
        } else if (c == separator_) {
            if (!overlong_) *cells << field;
            field.clear();
            any = true;
        } else if (lineBreak(c)) {
            ++line_;
            if (!overlong_) *cells << field;
            return true;
        } else {
            field += c;
            any = true;
        }
    }
    if (!any) return false;
    if (!overlong_) *cells << field;
    unclosed_ = quoted;
    return true;
}

}  // namespace kestrel::csv
