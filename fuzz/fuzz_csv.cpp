// The CSV writer with arbitrary texts (what a decoder or a device may put in a log cell): every line the
// writer makes parses back to its cells, a cell a spreadsheet would run as a formula never starts the
// field, and a whole log row (record plus meaning) survives the round trip. The same text read as a whole
// log by kestrel-sim's replay is refused or taken, never a crash.
#include <QStringDecoder>
#include <cstddef>
#include <cstdint>

#include "sim/replay.h"
#include "traffic/csv.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kestrel;
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QStringList cells = text.split(QChar(0x1F));  // the unit separator splits the input into cells
    QString error;
    (void)sim::Replay::fromCsv(text, QStringLiteral("fuzz.csv"), &error);
    const QByteArray line = csv::line(cells);
    if (!line.endsWith("\r\n")) __builtin_trap();
    // Decoded as it is (QString::fromUtf8 would drop a byte order mark the first cell starts with).
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    const QList<QStringList> parsed = csv::parse(utf8.decode(line));
    if (parsed.size() != 1 || parsed[0].size() != cells.size()) __builtin_trap();
    for (qsizetype i = 0; i < cells.size(); ++i) {
        const QString& got = parsed[0][i];
        const QString& cell = cells[i];
        const bool defused =
            got.size() == cell.size() + 1 && got.startsWith(QLatin1Char('\'')) && got.mid(1) == cell;
        if (got != cell && !defused) __builtin_trap();
        static const QString formulaStarts = QStringLiteral("=+-@\t\r");
        if (!got.isEmpty() && formulaStarts.contains(got[0])) __builtin_trap();
    }
    return 0;
}
