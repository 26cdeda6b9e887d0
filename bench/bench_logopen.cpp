// Opening a recorded traffic log of 400,000 rows (about 55 hours of polling at two rows a second), as
// "Файл → Открыть журнал…" does: the log written first with the real writer, then read on the worker thread,
// the opened log window's rows and statistics filled and the trend's samples taken, up to the windows shown.
// Prints the time and the process's peak resident memory.
//   bench_logopen [ROWS]
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <cstdio>

#include "bench/stallprobe.h"
#include "device/values.h"
#include "protocol/frame.h"
#include "tests/silent_dialogs.h"
#include "traffic/logfile.h"
#include "traffic/logreader.h"
#include "ui/openedlog.h"
#include "ui/trafficlog.h"
#include "ui/trend.h"

using namespace kestrel;

namespace {

double peakMb() {
    rusage ru{};
    ::getrusage(RUSAGE_SELF, &ru);
    return double(ru.ru_maxrss) / 1024.0;
}

// A reader's live reply with values that wander, as a polled reader's do.
QByteArray liveReply(int i) {
    QByteArray bytes = QByteArray::fromHex("3E05F0");
    bytes += char(18 + (i / 600) % 8);                              // temperature
    bytes += char(i % 200), bytes += char(1 + (i / 200) % 3);       // level, little-endian
    for (int b = 0; b < 4; ++b) bytes += char((i * 7) >> (8 * b));  // current
    bytes += QByteArray::fromHex("E80300000A0B0C00");               // empty level, tag ID
    bytes += char(i), bytes += char(i >> 8);                        // the second counter
    return withCheckByte(bytes);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int rows = argc > 1 ? std::max(1, std::atoi(argv[1])) : 400000;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("site.csv"));
    {
        traffic::LogFile file;
        QString error;
        if (!file.open(path, &error)) return std::fprintf(stderr, "cannot write %s\n", qPrintable(path)), 1;
        const QDateTime start = QDateTime::currentDateTimeUtc().addDays(-3);
        for (int i = 0; i < rows; ++i) {
            Transaction t;
            t.writtenAt = start.addMSecs(qint64(i) * 500);
            t.writtenMs = qint64(i) * 500;
            t.request = buildRequest(5, 0xF0);
            if (i % 97 != 0) {
                t.reply = liveReply(i);
                t.firstByteMs = t.writtenMs + 9 + i % 5;
                t.value = device::decodeReply(Reply(t.reply));
                t.outcome = t.value ? Outcome::Decoded : Outcome::WrongCheckByte;
            }
            if (!file.append(traffic::recordOf(t), &error)) return std::fprintf(stderr, "write failed\n"), 1;
        }
    }
    const double fileMb = double(QFileInfo(path).size()) / (1024.0 * 1024.0);
    const double before = bench::residentMb();

    test::SilentDialogs dialogs;
    QWidget owner;
    LogOpener opener(dialogs, &owner);
    TrafficLogWindow* log = nullptr;
    TrendWindow* trend = nullptr;
    QEventLoop loop;
    QObject::connect(&opener, &LogOpener::opened, [&](TrafficLogWindow* l, TrendWindow* t) {
        log = l;
        trend = t;
        loop.quit();
    });
    QElapsedTimer timer;
    timer.start();
    opener.open(path);
    loop.exec();
    const qint64 openedMs = timer.elapsed();
    QApplication::processEvents();  // the windows' first paint
    const qint64 paintedMs = timer.elapsed();
    std::printf("rows written        %d (%.1f MB file)\n", rows, fileMb);
    std::printf("rows shown          %d, trend samples %zu, rows refused %d\n",
                log ? log->model().rowCount() : 0, trend ? trend->series().samples().size() : std::size_t(0),
                dialogs.shown);
    std::printf("open to windows     %.2f s (with their first paint %.2f s)\n", double(openedMs) / 1000,
                double(paintedMs) / 1000);
    std::printf("resident memory     %.0f MB before, %.0f MB after, peak %.0f MB\n", before,
                bench::residentMb(), peakMb());
    // The reader alone on this thread, after the figures above: what of the time is the file's reading.
    timer.restart();
    const traffic::LogReading alone = traffic::readLogFile(path);
    std::printf("the reader alone    %.2f s for %zu rows\n", double(timer.elapsed()) / 1000,
                alone.log.records.size());
    return 0;
}
