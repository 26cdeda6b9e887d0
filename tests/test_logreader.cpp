// A traffic log read back from its file: what the writer wrote comes back equal, a bad row is left out with
// its line and reason, and a file of another program is refused whole.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QTemporaryDir>

#include "traffic/csv.h"
#include "traffic/logfile.h"
#include "traffic/logreader.h"

using namespace kestrel;
using namespace kestrel::traffic;

namespace {

const QByteArray kHeader = "time,address,command,code,request,reply,reply_ms,outcome,meaning\r\n";
const QByteArray kGoodRow =
    "2026-12-07T10:00:00.005Z,5,current-params,F0,31 05 F0 FE,3E 05 F0 00,3,bad-crc,\r\n";

LogReading readText(const QByteArray& text) {
    QByteArray bytes = text;
    QBuffer in(&bytes);
    in.open(QIODevice::ReadOnly);
    return readLog(&in, QStringLiteral("x.csv"));
}

TEST(LogReader, RecordsWrittenByTheLogFileReadBackEqual) {
    QTemporaryDir dir;
    const QString path = dir.filePath("log.csv");
    Transaction live;
    live.writtenAt = QDateTime(QDate(2026, 12, 7), QTime(10, 0, 0, 5), Qt::UTC);
    live.writtenMs = 100;
    live.firstByteMs = 112;
    live.request = QByteArray::fromHex("3105F0FE");
    live.reply = QByteArray::fromHex("3E05F019000204030201E80300000A0B0C0034128E");
    live.outcome = Outcome::Decoded;
    live.value = device::decodeReply(Reply(live.reply));
    Transaction flood = live;
    flood.reply = QByteArray(300, '\x55');  // kept cut, with its whole length
    flood.outcome = Outcome::Unframed;
    flood.value.reset();
    flood.firstByteMs = 90;  // bytes waiting before the write
    Transaction poll;
    poll.writtenAt = live.writtenAt.addSecs(3600 * 24 * 400);
    poll.request = QByteArray::fromHex("31FFDC");
    std::vector<Record> written{recordOf(live), recordOf(flood), recordOf(poll),
                                eventRecord(live.writtenAt, QStringLiteral("-порт, \"потерян\"\nснова")),
                                eventRecord(live.writtenAt, QStringLiteral("'"))};
    {
        LogFile file;
        QString error;
        ASSERT_TRUE(file.open(path, &error));
        for (const Record& r : written) ASSERT_TRUE(file.append(r, &error));
    }
    const LogReading got = readLogFile(path);
    ASSERT_TRUE(got.loaded()) << got.error.toStdString();
    ASSERT_EQ(got.log.badRows, 0) << got.log.problems[0].why.toStdString();
    ASSERT_EQ(got.log.records.size(), written.size());
    for (std::size_t i = 0; i < written.size(); ++i) {
        const Record &a = written[i], &b = got.log.records[i];
        EXPECT_EQ(b.time, a.time);
        EXPECT_EQ(b.time.toMSecsSinceEpoch(), a.time.toMSecsSinceEpoch());
        EXPECT_EQ(std::make_tuple(b.address, b.code, b.request, b.reply, b.replyMs, b.outcome, meaningText(b),
                                  b.event, b.replyLength),
                  std::make_tuple(a.address, a.code, a.request, a.reply, a.replyMs, a.outcome, meaningText(a),
                                  a.event, a.replyLength))
            << i;
    }
    // The decoded row keeps no text of its own: it is told from the reply.
    EXPECT_TRUE(got.log.records[0].meaning.isEmpty() && got.log.records[0].meaningFromReply);
    EXPECT_EQ(got.log.records[1].replyLength, 300);
    EXPECT_EQ(got.log.records[1].replyMs, -10);
    const auto reading = liveReadingOf(got.log.records[0]);
    ASSERT_TRUE(reading);
    EXPECT_EQ(reading->level, 512);
    EXPECT_EQ(reading->temperature(), 25);
    EXPECT_EQ(reading->current, 16909060u);
    EXPECT_FALSE(liveReadingOf(got.log.records[1]));
}

TEST(LogReader, EachMalformedRowIsLeftOutWithItsLineAndTheRestLoads) {
    const struct {
        QByteArray row;
        const char* why;
    } cases[] = {
        {"2026-12-07T10:00:00.005Z,5,current-params,F0,31 05 F0 FE,,3,bad-crc\r\n", "ячеек 8, в заголовке 9"},
        {"2026-12-07 10:00:00,5,,F0,31,,,no-reply,\r\n", "время «2026-12-07 10:00:00» не в виде"},
        {"2026-02-30T10:00:00.005Z,5,,F0,31,,,no-reply,\r\n", "время «2026-02-30T10:00:00.005Z»"},
        {"2025-02-29T10:00:00.005Z,5,,F0,31,,,no-reply,\r\n", "время «2025-02-29T10:00:00.005Z»"},
        {"2026-04-31T10:00:00.005Z,5,,F0,31,,,no-reply,\r\n", "время «2026-04-31T10:00:00.005Z»"},
        {"2026-00-07T10:00:00.005Z,5,,F0,31,,,no-reply,\r\n", "время «2026-00-07T10:00:00.005Z»"},
        {"2026-13-07T10:00:00.005Z,5,,F0,31,,,no-reply,\r\n", "время «2026-13-07T10:00:00.005Z»"},
        {"2026-12-00T10:00:00.005Z,5,,F0,31,,,no-reply,\r\n", "время «2026-12-00T10:00:00.005Z»"},
        {"1969-12-31T23:59:59.999Z,5,,F0,31,,,no-reply,\r\n", "время «1969-12-31T23:59:59.999Z»"},
        {"2026-12-07T24:00:00.000Z,5,,F0,31,,,no-reply,\r\n", "время «2026-12-07T24:00:00.000Z»"},
        {"2026-12-07T10:00:00.005+25:00,5,,F0,31,,,no-reply,\r\n", "время «2026-12-07T10:00:00.005+25:00»"},
        {"2026-12-07T10:00:00.005Z,256,,F0,31,,,no-reply,\r\n", "адрес «256» - не число от 0 до 255"},
        {"2026-12-07T10:00:00.005Z,-1,,F0,31,,,no-reply,\r\n", "адрес «-1»"},
        {"2026-12-07T10:00:00.005Z,5,,F,31,,,no-reply,\r\n", "код «F» - не байт в HEX"},
        {"2026-12-07T10:00:00.005Z,5,,F0,31 5,,,no-reply,\r\n", "запрос «31 5» - не байты в HEX"},
        {"2026-12-07T10:00:00.005Z,5,,F0,31,3E-05,,decoded,\r\n", "ответ «3E-05»"},
        {"2026-12-07T10:00:00.005Z,5,,F0,31,3E \xE2\x80\xA6 (+x bytes),,unframed,\r\n", "ответ «3E … (+x"},
        {"2026-12-07T10:00:00.005Z,5,,F0,31,,12ms,no-reply,\r\n", "время ответа «12ms»"},
        {"2026-12-07T10:00:00.005Z,5,,F0,31,,,timeout,\r\n", "итог «timeout» неизвестен"},
        {"2026-12-07T10:00:00.005Z,5,,F0,31,,,no-reply," + QByteArray(kLongestLogRow, 'x') + "\r\n",
         "строка длиннее 16384 байт"},
        {QByteArrayLiteral("\x00\x01\x02\r\n"), "ячеек 1, в заголовке 9"},
    };
    for (const auto& c : cases) {
        // Line 1 the header, 2 a good row, 3 a blank line (skipped), 4 the bad row, 5 a good row.
        const LogReading got = readText(kHeader + kGoodRow + "\r\n" + c.row + kGoodRow);
        ASSERT_TRUE(got.loaded()) << c.why;
        EXPECT_EQ(got.log.records.size(), 2u) << c.why;
        ASSERT_EQ(got.log.badRows, 1) << c.why;
        EXPECT_EQ(got.log.problems[0].line, 4) << c.why;
        EXPECT_TRUE(got.log.problems[0].why.startsWith(QString::fromUtf8(c.why)))
            << c.why << " / " << got.log.problems[0].why.toStdString();
    }
    // A quote never closed: the row where it opened, and nothing after it.
    const LogReading open = readText(kHeader + kGoodRow + "2026-12-07T10:00:00.005Z,\"5\r\n" + kGoodRow);
    ASSERT_EQ(open.log.problems.size(), 1u);
    EXPECT_EQ(open.log.problems[0].line, 3);
    EXPECT_EQ(open.log.records.size(), 1u);
    // The window's and client's summary names the count, the first lines and the first reason.
    LogContents many;
    for (qint64 line : {3, 8, 9, 10, 11, 12, 13})
        many.problems.push_back({line, QStringLiteral("итог «x» неизвестен")});
    many.badRows = 25;
    EXPECT_EQ(badRowsText(many),
              "Строки с ошибками не загружены (25): 3, 8, 9, 10, 11, …. Строка 3: итог «x» неизвестен.");
}

// A time with an offset from UTC, at the ends of the calendar and of the offsets, is the moment it names.
TEST(LogReader, TimesWithAnOffsetAreTheMomentsTheyName) {
    const struct {
        const char* cell;
        const char* utc;
    } cases[] = {
        {"2026-12-07T10:00:00.005+05:59", "2026-12-07T04:01:00.005Z"},
        {"2024-02-29T23:59:59.999-00:30", "2024-03-01T00:29:59.999Z"},
        {"2000-02-29T00:00:00.000+23:00", "2000-02-28T01:00:00.000Z"},
        {"2026-12-31T23:59:59.999Z", "2026-12-31T23:59:59.999Z"},
    };
    for (const auto& c : cases) {
        const LogReading got =
            readText(kHeader + QByteArray(c.cell) + ",5,current-params,F0,31 05 F0 FE,,,no-reply,\r\n");
        ASSERT_TRUE(got.loaded()) << c.cell;
        ASSERT_EQ(got.log.records.size(), 1u) << c.cell;
        EXPECT_EQ(got.log.records[0].time.toUTC().toString(Qt::ISODateWithMs), QString::fromUtf8(c.utc));
    }
}

TEST(LogReader, AFileOfAnotherProgramOrVersionIsRefusedWholeNamingItsFirstBadLine) {
    const struct {
        QByteArray text;
        qint64 line;
        const char* why;
    } cases[] = {
        {"", 1, "файл пуст"},
        {"time,address,command,code,request,reply,outcome,meaning\r\n" + kGoodRow, 1, "«time,address"},
        {"Time;Port;Data\r\n" + kGoodRow, 1, "«Time;Port;Data»"},
        {"\x89PNG\r\n\x1A\n\x00\x00\x00\rIHDR", 1, "«?PNG»"},
        {kHeader.chopped(2) + ",echo,extra\r\n" + kGoodRow, 1, "«time"},
        {kHeader + "a,b\r\n\r\nc\r\n", 2, "ячеек 2, в заголовке 9; ни одна строка"},
    };
    for (const auto& c : cases) {
        const LogReading got = readText(c.text);
        EXPECT_EQ(got.status, LogReading::Status::Refused) << c.why;
        EXPECT_TRUE(got.log.records.empty() && got.log.problems.empty()) << c.why;
        const QString expectedStart = QStringLiteral("Файл x.csv не загружен: строка %1: ").arg(c.line);
        EXPECT_TRUE(got.error.startsWith(expectedStart + QString::fromUtf8(c.why)))
            << got.error.toStdString();
    }
    // A byte order mark, and one more column of a later version whose rows may hold it or not.
    const LogReading later = readText("\xEF\xBB\xBF" + kHeader.chopped(2) + ",echo\r\n" + kGoodRow +
                                      kGoodRow.chopped(2) + ",removed\r\n");
    ASSERT_TRUE(later.loaded());
    ASSERT_EQ(later.log.records.size(), 2u);
    EXPECT_FALSE(later.log.records[0].echoRemoved);
    EXPECT_TRUE(later.log.records[1].echoRemoved);
    // What is no file to read, with its reason.
    QTemporaryDir dir;
    for (const QString& path : {dir.path(), dir.filePath("none.csv"), QStringLiteral("/dev/zero")})
        EXPECT_EQ(readLogFile(path).status, LogReading::Status::Unreadable) << path.toStdString();
}

}  // namespace
