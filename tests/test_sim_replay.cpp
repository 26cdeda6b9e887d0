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

TEST(SimReplay, RefusesALogWithoutItsColumnsOrWithABadCellNamingFileAndLine) {
    const std::pair<const char*, const char*> cases[] = {
        {"request,reply\r\n31 05 F0 FE,3E\r\n31 0G,\r\n", "log.csv: line 3: request '31 0G'"},
        {"request,meaning,reply\r\n31 05,\"two\r\nlines\",\r\n31 05,,3E 5\r\n", "log.csv: line 4: reply"},
        {"time,reply\r\n", "log.csv: no 'request' column"},
        // A reply the log cut short is not taken for the whole reply.
        {"request,reply\r\n31 05 F0 FE,3E 05 F0 … (+49744 bytes)\r\n", "log.csv: line 2: reply"},
    };
    for (const auto& [text, says] : cases) {
        QString error;
        EXPECT_FALSE(Replay::fromCsv(QString::fromUtf8(text), QStringLiteral("log.csv"), &error));
        EXPECT_TRUE(error.startsWith(QLatin1String(says))) << error.toStdString();
    }
}

// kestrel-sim --replay says what it plays back.
TEST(SimReplay, TheSimulatorNamesTheLogItReplaysAndWhatItHolds) {
    QTemporaryDir dir;
    QFile log(dir.filePath(QStringLiteral("log.csv")));
    ASSERT_TRUE(log.open(QIODevice::WriteOnly));
    log.write(QByteArray(kLog) + "ok,3E 05 F0 09,t5,\r\n");
    log.close();
    QProcess p;
    p.setReadChannel(QProcess::StandardError);
    p.start(QStringLiteral(KESTREL_SIM_EXE), {"--replay", log.fileName()});
    ASSERT_TRUE(p.waitForReadyRead(5000));
    EXPECT_EQ(QString::fromUtf8(p.readAllStandardError()),
              QStringLiteral(
                  "kestrel-sim: replaying %1: 4 row(s), 2 distinct request(s) (1 row(s) without a request "
                  "left out), 19200 8N1; Ctrl-C stops\n")
                  .arg(log.fileName()));
    p.terminate();
    EXPECT_TRUE(p.waitForFinished(3000));
}

}  // namespace
}  // namespace kestrel::sim
