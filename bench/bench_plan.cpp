// Commissioning from a plan on a simulated bus paced at 19200 baud, as kestrel-cli runs it:
//   - `plan check` of a plan of 32 readers against the floor the wire sets for the same exchanges (every
//     byte at 0.521 ms, the quiet gap before each request, the bus search's fixed collection time);
//   - `plan assign` of 10 new readers, one after another, each plugged in at address 0: the time of each;
//   - with a file name, the first page of the 32 readers' report as Qt's rich-text engine lays it out on A4
//     landscape at 96 dpi, as a PNG picture.
#include <QAbstractTextDocumentLayout>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTextStream>
#include <cstdio>

#include "cli/client.h"
#include "serial/qtserialport.h"
#include "sim/ptyhost.h"

using namespace kestrel;

namespace {

constexpr int kReaders = 32;
constexpr int kNewReaders = 10;

struct Bench {
    explicit Bench(sim::PtyHost& host) : host(host) {
        QObject::connect(&transactor, &Transactor::attempted, [this](const Transaction& t) {
            wireBytes += t.request.size() + t.reply.size();
            ++requests;
        });
    }
    int run(const QStringList& words) {
        out.clear();
        wireBytes = 0;
        requests = 0;
        const cli::ParsedArguments parsed = cli::parseArguments(words);
        return client.run(parsed.invocation);
    }
    sim::PtyHost& host;
    QtSerialPort port;
    Transactor transactor{port, {}};
    QString out;
    QTextStream stream{&out};
    cli::Output output{stream, stream, false};
    cli::Client client{transactor, output,
                       [this] { return port.open(host.slavePath()).ok ? cli::kDone : cli::kPortError; }};
    qint64 wireBytes = 0;
    int requests = 0;
};

bool writeFile(const QString& path, const QByteArray& text) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(text) == text.size();
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    QTemporaryDir dir;
    sim::Bus bus;
    QByteArray plan = "address;name;serial;network;channel;power;mode\r\n";
    for (int i = 0; i < kReaders; ++i) {
        bus.addReader(sim::Bus::defaultReader(quint8(1 + i), i));
        plan += QStringLiteral("%1;Tank %1;%2;1;5;10;2\r\n").arg(1 + i).arg(123456 + i).toUtf8();
    }
    sim::PtyHost host(std::move(bus));  // paced at 19200 baud, as a real line
    QString error;
    if (!host.start(&error)) {
        std::fprintf(stderr, "bench_plan: cannot start the simulated bus: %s\n", qPrintable(error));
        return 1;
    }
    const QString checkPlan = dir.filePath("check.csv");
    if (!writeFile(checkPlan, plan)) return 1;
    Bench bench(host);
    QElapsedTimer clock;
    clock.start();
    const int checked = bench.run({"plan", "check", checkPlan});
    const double checkS = double(clock.nsecsElapsed()) / 1e9;
    const Transactor::Timing timing;
    const double byteMs = double(sim::PtyHost::kByteTime.count()) / 1000.0;
    const double floorS = (double(bench.wireBytes) * byteMs + std::max(0, bench.requests - 1) * timing.gapMs +
                           timing.scanWaitMs) /
                          1000.0;
    std::printf(
        "plan check of %d paced readers: %.2f s (exit %d); the wire's floor %.2f s (%lld bytes, %d "
        "requests, %d ms search); goal at most %.2f s (1.25 x floor + 0.2 s)\n",
        kReaders, checkS, checked, floorS, static_cast<long long>(bench.wireBytes), bench.requests,
        timing.scanWaitMs, 1.25 * floorS + 0.2);

    if (argc > 1) {
        const QString report = dir.filePath("report.html");
        if (bench.run({"plan", "report", checkPlan, "--out", report}) != cli::kDone) return 1;
        QFile f(report);
        if (!f.open(QIODevice::ReadOnly)) return 1;
        QTextDocument page;
        page.setHtml(QString::fromUtf8(f.readAll()));
        const QSizeF a4(1123, 794);  // A4 landscape at 96 dpi
        page.setPageSize(a4);
        QImage picture(a4.toSize(), QImage::Format_RGB32);
        picture.fill(Qt::white);
        QPainter painter(&picture);
        page.drawContents(&painter, QRectF(QPointF(0, 0), a4));
        painter.end();
        std::printf("report of %d readers: %d page(s); first page in %s\n", kReaders, page.pageCount(),
                    argv[1]);
        if (!picture.save(QString::fromLocal8Bit(argv[1]))) return 1;
    }

    // New readers one at a time at the factory address; the plan's rows have no serial yet.
    host.withBus([](sim::Bus& b) {
        for (quint8 a : b.addresses()) b.removeReader(a);
        return true;
    });
    QByteArray empty = "address,name,serial,network,channel,power\r\n";
    for (int i = 0; i < kNewReaders; ++i)
        empty += QStringLiteral("%1,Tank %1,,1000,7,20\r\n").arg(10 + i).toUtf8();
    const QString assignPlan = dir.filePath("assign.csv");
    if (!writeFile(assignPlan, empty)) return 1;
    bool allDone = checked == cli::kDone;
    std::printf("plan assign of %d new readers, each at address 0:", kNewReaders);
    for (int i = 0; i < kNewReaders; ++i) {
        host.withBus([i](sim::Bus& b) { return b.addReader(sim::Bus::defaultReader(0, 100 + i)); });
        clock.restart();
        const int rc = bench.run({"plan", "assign", assignPlan, "--from", "0"});
        std::printf(" %.2f", double(clock.nsecsElapsed()) / 1e9);
        allDone = allDone && rc == cli::kDone;
    }
    std::printf(" s\n");
    host.stop();
    if (!allDone) std::fprintf(stderr, "bench_plan: a command failed:\n%s\n", qPrintable(bench.out));
    return allDone ? 0 : 1;
}
