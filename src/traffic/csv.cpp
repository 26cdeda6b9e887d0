#include "traffic/csv.h"

namespace kestrel::csv {

QString cell(const QString& text) {
    QString out = text;
    static const QString kFormulaStarts = QStringLiteral("=+-@\t\r");
    if (!out.isEmpty() && kFormulaStarts.contains(out.front())) out.prepend(QLatin1Char('\''));
    const bool quote = out.contains(QLatin1Char(',')) || out.contains(QLatin1Char('"')) ||
                       out.contains(QLatin1Char('\r')) || out.contains(QLatin1Char('\n'));
    if (!quote) return out;
    out.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + out + QLatin1Char('"');
}

QByteArray line(const QStringList& cells) {
    QStringList quoted;
    quoted.reserve(cells.size());
    for (const QString& c : cells) quoted << cell(c);
    return (quoted.join(QLatin1Char(',')) + QStringLiteral("\r\n")).toUtf8();
}

QString isoTime(const QDateTime& time) {
    if (!time.isValid()) return {};
    // The tool keeps its times in UTC (cheap to compare); a log shows them as local times with the offset.
    const QDateTime shown = time.timeSpec() == Qt::UTC ? time.toLocalTime() : time;
    return shown.toOffsetFromUtc(shown.offsetFromUtc()).toString(Qt::ISODateWithMs);
}

QList<QStringList> parse(const QString& text) {
    QList<QStringList> records;
    QStringList record;
    QString field;
    bool quoted = false;
    bool any = false;  // something of the current record has been read
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c != QLatin1Char('"')) {
                field += c;
            } else if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('"')) {
                field += c;
                ++i;
            } else {
                quoted = false;
            }
            continue;
        }
        if (c == QLatin1Char('"')) {
            quoted = true;
            any = true;
        } else if (c == QLatin1Char(',')) {
            record << field;
            field.clear();
            any = true;
        } else if (c == QLatin1Char('\n') || c == QLatin1Char('\r')) {
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n')) ++i;
            record << field;
            records << record;
            record.clear();
            field.clear();
            any = false;
        } else {
            field += c;
            any = true;
        }
    }
    if (any) {
        record << field;
        records << record;
    }
    return records;
}

}  // namespace kestrel::csv
