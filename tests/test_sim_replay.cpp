// The playback of a traffic log: recorded replies per request in turn, and logs it refuses.

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "sim/replay.h"

namespace kestrel::sim {
namespace {

// Reader 5's current values asked for three times (the second time it kept silent), its identity once.
const char* const kLog =
    "outcome,reply,time,request\r\n"
    "ok,3E 05 F0 01,t1,31 05 F0 FE\r\n"
    "ok,3E 05 FC 03,t2,31 05 FC 5D\r\n"
    "no-reply,,t3,31 05 F0 FE\r\n"
    "ok,3E 05 F0 02,t4,31 05 F0 FE\r\n";

TEST(SimReplay, AnswersEachRequestWithItsRecordedRepliesInTurn) {
    QString error;
    const auto replay = Replay::fromCsv(QString::fromLatin1(kLog), QStringLiteral("log.csv"), &error);
    ASSERT_TRUE(replay) << error.toStdString();
    EXPECT_EQ(std::pair(replay->rowCount(), replay->requestCount()), std::pair(4, 2));
    // "request -> what the line carries back"; "|" splits the request into two reads.
    const char* const steps[] = {"31 05 F0 FE -> 3E 05 F0 01",
                                 "31 05 FC 5D -> 3E 05 FC 03",
                                 "31 05 F0 FE ->",
                                 "31 05 | FC 5D -> 3E 05 FC 03",
                                 "31 05 F0 FE -> 3E 05 F0 02",
                                 "31 05 F0 FE -> 3E 05 F0 01",
                                 "31 05 E7 E0 ->",
                                 "31 FF DC ->"};
    for (const QString step : steps) {
        SCOPED_TRACE(step.toStdString());
        const QStringList sides = step.split(QStringLiteral("->"));
        QByteArray carried;
        for (const QString& piece : sides[0].split(QLatin1Char('|')))
            for (const Exchange& ex : replay->feed(QByteArray::fromHex(piece.toLatin1())))
                carried += ex.replyBytes().toHex(' ').toUpper();
        EXPECT_EQ(carried, sides[1].trimmed());
    }
}

// A malformed row is left out and named by the line it starts on; the rest plays back ("rows/distinct
// requests"). A text that is no traffic log, or holds no exchange, is refused (the start of the reason).
TEST(SimReplay, LeavesOutMalformedRowsByLineAndRefusesALogWithNothingToAnswer) {
    struct Case {
        const char* text;
        const char* badLines;
        const char* loaded;
    };
    const Case cases[] = {
        {"request,reply,meaning\r\n31 05 F0 FE,3E,a\r\n31 05 F0 FE,3E\r\n31 05 FC 5D,,\"b\"\r\n", "3", "2/2"},
        {"request,reply\r\n31 05,3E,x\r\n31 06,3E\r\n", "2", "1/1"},
        {"request,reply,meaning\r\n31 05,3E,\"ok\"\r\n31 06,3E,\"open\r\n31 07,3E,x\r\n", "3", "1/1"},
        {"request,meaning,reply\r\n31 05,\"two\r\nlines\",\r\n31 0G,,\r\n31 05,,3E 5\r\n31 05,,3E\r\n", "4 5",
         "2/1"},
        {"time,request,reply\r\n", "", "log.csv: no exchange to answer with (0 row(s) without"},
        {"request,reply\r\n,3E 05\r\n,\r\n31 0G,\r\n", "4", "log.csv: no exchange to answer with (2 row(s)"},
        {"time,reply\r\n31 05,3E\r\n", "", "log.csv: no 'request' column"},
        {"", "", "log.csv: empty file"},
        // A reply the log cut short is not taken for the whole reply.
        {"request,reply\r\n31 05 F0 FE,3E 05 F0 ... (+49744 bytes)\r\n", "2",
         "log.csv: no exchange to answer with"},
    };
    for (const auto& [text, badLines, loaded] : cases) {
        SCOPED_TRACE(text);
        QString error;
        Replay::Report report;
        const auto replay =
            Replay::fromCsv(QString::fromLatin1(text), QStringLiteral("log.csv"), &error, &report);
        QStringList lines;
        for (const QString& problem : report.problems)
            lines << problem.section(QLatin1Char(':'), 0, 0).mid(5);
        EXPECT_EQ(lines.join(QLatin1Char(' ')), QLatin1String(badLines));
        EXPECT_EQ(report.badRows, lines.size());
        if (replay)
            EXPECT_EQ(QStringLiteral("%1/%2").arg(replay->rowCount()).arg(replay->requestCount()), loaded);
        else
            EXPECT_TRUE(error.startsWith(QLatin1String(loaded))) << error.toStdString();
    }
    // A row too long to hold is malformed too; only the first lines are named, all are counted.
    QString many =
        QStringLiteral("request,reply\r\n31 05,3E\r\n") + QString(Replay::kLongestRow, QLatin1Char('A'));
    for (int i = 0; i < 25; ++i) many += QStringLiteral("\r\n31 05");
    Replay::Report report;
    ASSERT_TRUE(Replay::fromCsv(many, QStringLiteral("log.csv"), nullptr, &report));
    EXPECT_EQ(std::pair(int(report.problems.size()), report.badRows), std::pair(Replay::kShownProblems, 26));
    EXPECT_EQ(report.problems.first().toStdString(), "line 3: longer than 1048576 bytes");
}

// kestrel-sim --replay says what it plays back and which rows it left out, and refuses a log with
// nothing to answer.
TEST(SimReplay, TheSimulatorNamesTheLogItReplaysAndWhatItHolds) {
    QTemporaryDir dir;
    QFile log(dir.filePath(QStringLiteral("log.csv")));
    ASSERT_TRUE(log.open(QIODevice::WriteOnly));
    log.write(QByteArray(kLog) + "ok,3E 05 F0 09,t5,\r\nok,3E 05 F0 09,t6\r\n");
    log.close();
    QProcess p;
    p.setReadChannel(QProcess::StandardError);
    p.start(QStringLiteral(KESTREL_SIM_EXE), {"--replay", log.fileName()});
    QString said;
    while (!said.endsWith(QLatin1String("stops\n")) && p.waitForReadyRead(5000))
        said += QString::fromUtf8(p.readAllStandardError());
    EXPECT_EQ(said, QStringLiteral("kestrel-sim: %1: line 7: 3 cells, the header has 4\n"
                                   "kestrel-sim: replaying %1: 4 row(s), 2 distinct request(s) (1 row(s) "
                                   "without a request left out, 1 malformed row(s) skipped), 19200 8N1; "
                                   "Ctrl-C stops\n")
                        .arg(log.fileName()));
    p.terminate();
    EXPECT_TRUE(p.waitForFinished(3000));

    ASSERT_TRUE(log.open(QIODevice::WriteOnly | QIODevice::Truncate));
    log.write("outcome,reply,time,request\r\n");
    log.close();
    p.start(QStringLiteral(KESTREL_SIM_EXE), {"--replay", log.fileName()});
    ASSERT_TRUE(p.waitForFinished(5000));
    EXPECT_EQ(p.exitCode(), 2);
    EXPECT_TRUE(p.readAllStandardOutput().isEmpty());  // no port
    EXPECT_TRUE(p.readAllStandardError().contains("no exchange to answer with"));
}

}  // namespace
}  // namespace kestrel::sim
