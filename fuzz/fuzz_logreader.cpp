// A recorded traffic log as a hand-edited, cut or foreign file can make it: read, refused or loaded, never a
// crash or a hang. Whatever loads holds only rows the reader took and problems with lines in the file; a
// refusal loads nothing. Every row loaded goes back through the writer and reads back as the same row.
#include <QBuffer>
#include <cstddef>
#include <cstdint>

#include "traffic/csv.h"
#include "traffic/logreader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kestrel::traffic;
    // Most inputs start with the log's header, so the rows are reached; the first byte chooses.
    QByteArray bytes;
    if (size > 0 && data[0] % 4 != 0) bytes = kestrel::csv::line(csvHeader());
    if (size > 0) bytes += QByteArray(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    QBuffer in(&bytes);
    in.open(QIODevice::ReadOnly);
    const LogReading got = readLog(&in, QStringLiteral("fuzz.csv"));
    const qint64 lines = bytes.count('\n') + bytes.count('\r') + 1;
    if (!got.loaded()) {
        if (got.error.isEmpty() || !got.log.records.empty() || got.log.badRows != 0) __builtin_trap();
        return 0;
    }
    if (qint64(got.log.problems.size()) > got.log.badRows) __builtin_trap();
    for (const LogProblem& p : got.log.problems)
        if (p.line < 2 || p.line > lines || p.why.isEmpty()) __builtin_trap();
    if (got.log.badRows > 0 && badRowsText(got.log).isEmpty()) __builtin_trap();
    QByteArray again = kestrel::csv::line(csvHeader());
    for (const Record& r : got.log.records) {
        if (r.replyLength < r.reply.size()) __builtin_trap();
        again += kestrel::csv::line(csvCells(r));
        (void)liveReadingOf(r);
    }
    QBuffer back(&again);
    back.open(QIODevice::ReadOnly);
    const LogReading reread = readLog(&back, QStringLiteral("again.csv"));
    if (got.log.records.empty()) return 0;
    if (!reread.loaded() || reread.log.badRows != 0 || reread.log.records.size() != got.log.records.size())
        __builtin_trap();
    for (std::size_t i = 0; i < got.log.records.size(); ++i) {
        const Record &a = got.log.records[i], &b = reread.log.records[i];
        if (a.time != b.time || a.address != b.address || a.code != b.code || a.request != b.request ||
            a.reply != b.reply || a.replyLength != b.replyLength || a.replyMs != b.replyMs ||
            a.outcome != b.outcome || a.event != b.event || meaningText(a) != meaningText(b))
            __builtin_trap();
    }
    return 0;
}
