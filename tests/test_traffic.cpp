// The traffic layer without a window: CSV cells and records, what a transaction becomes as a log row,
// link statistics, and the log file with the faults a disk can have.
#include <gmock/gmock.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <functional>
#include <thread>

#include "device/values.h"
#include "protocol/savefile.h"
#include "traffic/csv.h"
#include "traffic/logfile.h"
#include "traffic/statistics.h"

using namespace kestrel;
using namespace kestrel::traffic;

namespace {

TEST(Csv, CellsAreQuotedAsRfc4180AndFormulasAreDefused) {
    const struct {
        QString in, out;
    } cases[] = {
        {"31 05 F0 FE", "31 05 F0 FE"},
        {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"two\r\nlines", "\"two\r\nlines\""},
        {"=1+1", "'=1+1"},
        {"+5", "'+5"},
        {"-2 °C", "'-2 °C"},
        {"@SUM(A1)", "'@SUM(A1)"},
        {"\tx", "'\tx"},
        {"=a,b", "\"'=a,b\""},
        {"уровень 512", "уровень 512"},
        {"", ""},
    };
    QStringList ins;
    for (const auto& c : cases) {
        EXPECT_EQ(csv::cell(c.in), c.out) << c.in.toStdString();
        ins << c.in;
    }
    // A record reads back as written, apart from the apostrophe that defuses a formula.
    const auto back = csv::parse(QString::fromUtf8(csv::line(ins) + csv::line({"x", ""})));
    ASSERT_EQ(back.size(), 2);
    EXPECT_EQ(back[0].mid(1, 4), (QStringList{"a,b", "say \"hi\"", "two\r\nlines", "'=1+1"}));
    EXPECT_EQ(back[1], (QStringList{"x", ""}));
    // The last record without its line break is a record still, also when it is one quoted empty cell.
    EXPECT_EQ(csv::parse(QStringLiteral("a\n\"\"")), (QList<QStringList>{{"a"}, {""}}));
    EXPECT_EQ(csv::parse(QStringLiteral("a\n")), (QList<QStringList>{{"a"}}));
    EXPECT_EQ(csv::isoTime(QDateTime(QDate(2026, 12, 7), QTime(9, 5, 7, 42), Qt::OffsetFromUTC, 3 * 3600)),
              "2026-12-07T09:05:07.042+03:00");
}

Transaction exchange(const char* request, const char* reply, Outcome outcome, qint64 replyMs = -1,
                     bool echoRemoved = false) {
    Transaction t;
    t.echoRemoved = echoRemoved;
    t.writtenAt = QDateTime(QDate(2026, 12, 7), QTime(10, 0, 0, 5), Qt::UTC);
    t.writtenMs = 1000;
    t.request = QByteArray::fromHex(request);
    t.reply = QByteArray::fromHex(reply);
    t.firstByteMs = replyMs < 0 ? -1 : 1000 + replyMs;
    t.outcome = outcome;
    if (outcome == Outcome::Decoded || outcome == Outcome::WrongCheckByte)
        t.value = device::decodeReply(Reply(t.reply));
    return t;
}

const char* const kLive = "3E 05 F0 19 00 02 04 03 02 01 E8 03 00 00 0A 0B 0C 00 34 12 8E";

TEST(TrafficRecord, ATransactionBecomesOneRowWithItsMeaningOnlyWhenDecoded) {
    const struct {
        Transaction t;
        QStringList csv;
    } cases[] = {
        {exchange("31 05 F0 FE", kLive, Outcome::Decoded, 12),
         {"2026-12-07T10:00:00.005Z", "5", "current-params", "F0", "31 05 F0 FE", kLive, "12", "decoded", "",
          ""}},
        {exchange("31 05 F0 FE", "", Outcome::NoReply),
         {"2026-12-07T10:00:00.005Z", "5", "current-params", "F0", "31 05 F0 FE", "", "", "no-reply", "",
          ""}},
        {exchange("31 05 F0 FE", "3E 05 F0 00", Outcome::WrongCheckByte, 3),
         {"2026-12-07T10:00:00.005Z", "5", "current-params", "F0", "31 05 F0 FE", "3E 05 F0 00", "3",
          "bad-crc", "", ""}},
        {exchange("", "3E 07 FC 11", Outcome::Unframed, -1),
         {"", "7", "identify", "FC", "", "3E 07 FC 11", "", "unframed", "", ""}},
        {exchange("", "3E 07 FC", Outcome::Unframed, -1),
         {"", "7", "identify", "FC", "", "3E 07 FC", "", "unframed", "", ""}},
        {exchange("", "3E 07", Outcome::Unframed, -1), {"", "", "", "", "", "3E 07", "", "unframed", "", ""}},
        {exchange("31 00 FC A2", "", Outcome::NoReply),  // address 0 is a device's like any other
         {"2026-12-07T10:00:00.005Z", "0", "identify", "FC", "31 00 FC A2", "", "", "no-reply", "", ""}},
        {exchange("31 FF DC", "", Outcome::NoReply),
         {"2026-12-07T10:00:00.005Z", "255", "network-poll", "", "31 FF DC", "", "", "no-reply", "", ""}},
        {exchange("31 FF 7B AA", "00 0F 13", Outcome::Unframed, 250),
         {"2026-12-07T10:00:00.005Z", "255", "", "7B", "31 FF 7B AA", "00 0F 13", "250", "unframed", "", ""}},
        {exchange("31 05 F0 FE", kLive, Outcome::Decoded, 12, true),
         {"2026-12-07T10:00:00.005Z", "5", "current-params", "F0", "31 05 F0 FE", kLive, "12", "decoded", "",
          "removed"}},
    };
    for (const auto& c : cases) {
        const Record r = recordOf(c.t);
        QStringList cells = csvCells(r);
        QStringList want = c.csv;
        want[8] = c.t.outcome == Outcome::Decoded ? device::describe(*c.t.value) : "";
        if (want[0].isEmpty()) cells[0].clear();  // no request: stamped when it was read
        EXPECT_EQ(cells, want);
        EXPECT_EQ(displayCells(r).size(), columnTitles().size());
    }
    EXPECT_THAT(displayCells(recordOf(cases[0].t)).mid(0, 3),
                testing::ElementsAre("10:00:00.005", "5", "текущие параметры (F0)"));
    EXPECT_EQ(displayCell(recordOf(cases[9].t), 6), "ответ (эхо убрано)");
    EXPECT_EQ(displayCell(recordOf(cases[0].t), 6), "ответ");

    // A flood's reply: the row keeps its first 256 bytes and says how many more there were.
    Transaction flood = exchange("31 05 F0 FE", "", Outcome::Unframed, 1);
    flood.reply = QByteArray(256, '\xAB') + QByteArray(49744, '\x01');
    const Record cut = recordOf(flood);
    EXPECT_EQ(cut.reply, QByteArray(256, '\xAB'));
    EXPECT_EQ(cut.replyLength, 50000);
    const QString kept = QStringLiteral("AB ").repeated(255) + QStringLiteral("AB … ");
    EXPECT_EQ(csvCells(cut)[5], kept + QStringLiteral("(+49744 bytes)"));
    EXPECT_EQ(displayCell(cut, 4), kept + QStringLiteral("(ещё 49744 Б)"));
    flood.reply.chop(49744);
    EXPECT_EQ(csvCells(recordOf(flood))[5], QStringLiteral("AB ").repeated(255) + QStringLiteral("AB"))
        << "exactly 256 bytes are kept whole";
}

TEST(LinkStatistics, CountsEachOutcomePerAddressWithReplyTimes) {
    LinkStatistics s;
    for (qint64 ms : {30, 10, 20, 40}) s.add(recordOf(exchange("31 05 F0 FE", kLive, Outcome::Decoded, ms)));
    s.add(recordOf(exchange("31 05 F0 FE", "", Outcome::NoReply)));
    s.add(recordOf(exchange("31 05 F0 FE", "3E 05 F0 00", Outcome::WrongCheckByte, 5)));
    s.add(recordOf(exchange("31 07 F0 FE", "00 01", Outcome::Unframed, 50)));
    s.add(recordOf(exchange("31 07 F0 FE", "3E 09 F0 00", Outcome::OtherAddress, 60, true)));
    ASSERT_EQ(s.byAddress().size(), 2u);
    EXPECT_EQ(s.byAddress().at(5).echoRemoved, 0);
    EXPECT_EQ(s.byAddress().at(7).echoRemoved, 1) << "a row whose echo was taken off";
    const LinkCounts& five = s.byAddress().at(5);
    EXPECT_EQ(
        (std::vector<int>{five.requests, five.decoded, five.noReply, five.wrongCheckByte, five.garbage}),
        (std::vector<int>{6, 4, 1, 1, 0}));
    EXPECT_NEAR(*five.successPercent(), 66.67, 0.01);
    EXPECT_EQ((std::vector<qint64>{*five.minReplyMs(), *five.medianReplyMs(), *five.maxReplyMs()}),
              (std::vector<qint64>{5, 20, 40}));
    const LinkCounts& seven = s.byAddress().at(7);
    EXPECT_EQ((std::vector<int>{seven.requests, seven.decoded, seven.garbage, seven.other}),
              (std::vector<int>{2, 0, 1, 1}));
    // The table the log window shows and `stats` prints: the same cells, "-" where there is no value yet.
    s.add(recordOf(exchange("", "00", Outcome::Unframed)));  // bytes with no request
    LinkStatisticsModel table;
    table.show(s);
    ASSERT_EQ(table.rowCount(), 3);
    QList<QStringList> rows;
    for (int r = 0; r < table.rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < table.columnCount(); ++c) cells << table.index(r, c).data().toString();
        rows << cells;
    }
    EXPECT_EQ(rows, (QList<QStringList>{{"-", "0", "0", "0", "0", "1", "0", "-", "-", "-", "-", "0"},
                                        {"5", "6", "4", "1", "1", "0", "0", "66.7", "5", "20", "40", "0"},
                                        {"7", "2", "0", "0", "0", "1", "1", "0.0", "50", "50", "60", "1"}}));
    s.reset();
    EXPECT_TRUE(s.byAddress().empty());
    EXPECT_FALSE(LinkCounts{}.successPercent()) << "no request: no rate, not 0 %";
    s.add(recordOf(exchange("31 05 F0 FE", kLive, Outcome::Decoded, 7)));
    EXPECT_EQ(s.byAddress().at(5).successPercent(), std::optional<double>(100.0)) << "one request answered";
}

QByteArray contentOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(none)");
}

TEST(LogFile, AppendsRowsUnderOneHeaderAndReportsEveryFaultOfTheDisk) {
    QTemporaryDir dir;
    const QString path = dir.filePath("log.csv");
    const Record row = recordOf(exchange("31 05 F0 FE", kLive, Outcome::Decoded, 12));
    QString error;
    // A second run appends, with no second header; each row is in the file as soon as it is appended.
    for (int run = 0; run < 2; ++run) {
        LogFile f;
        ASSERT_TRUE(f.open(path, &error)) << error.toStdString();
        ASSERT_TRUE(f.append(row, &error));
        QFile written(path);
        ASSERT_TRUE(written.open(QIODevice::ReadOnly));
        EXPECT_EQ(written.readAll(), csv::line(csvHeader()) + csv::line(csvCells(row)).repeated(run + 1));
    }

    // A log begun by a version without the echo column goes on with rows as wide as its header.
    const QByteArray oldHeader = csv::line(csvHeader().mid(0, 9));
    QFile old(dir.filePath("old.csv"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly) && old.write(oldHeader) > 0);
    old.close();
    LogFile continued;
    ASSERT_TRUE(continued.open(old.fileName(), &error));
    ASSERT_TRUE(continued.append(row, &error));
    EXPECT_EQ(contentOf(old.fileName()), oldHeader + csv::line(csvCells(row).mid(0, 9)));

    // A folder, and a file that cannot be made (a read-only one fails alike: test_traffic_window.cpp).
    for (const QString& bad : {dir.path(), dir.filePath("missing/log.csv")}) {
        LogFile f;
        error.clear();
        EXPECT_FALSE(f.open(bad, &error)) << bad.toStdString();
        EXPECT_FALSE(error.isEmpty());
        EXPECT_FALSE(f.isOpen());
    }
    // A full disk: /dev/full fails the header's write at the open.
    LogFile full;
    EXPECT_FALSE(full.open("/dev/full", &error));
    EXPECT_EQ(error, QStringLiteral("нет места на диске")) << "the reason in the user's language";
}

// Every file the tool saves (a backup, a site, a saved log, a trend) goes through saveWholeFile: each kind
// of target, what it reports and what is left at the path afterwards ("file:" and the contents, "link:" and
// where it points, "pipe", "char device").
QString whatIsAt(const QString& path) {
    struct stat st {};
    const QByteArray name = QFile::encodeName(path);
    if (::lstat(name.constData(), &st) != 0) return QStringLiteral("nothing");
    if (S_ISLNK(st.st_mode))
        return QStringLiteral("link:") + QFileInfo(path).symLinkTarget().section('/', -1);
    if (S_ISFIFO(st.st_mode)) return QStringLiteral("pipe");
    if (S_ISCHR(st.st_mode)) return QStringLiteral("char device");
    return QStringLiteral("file:") + QString::fromUtf8(contentOf(path));
}

TEST(SaveWholeFile, EachKindOfTargetIsWrittenOrLeftAsItWas) {
    QTemporaryDir dir;
    const auto at = [&](const char* name) { return dir.filePath(QString::fromLatin1(name)); };
    const struct {
        const char* name;
        std::function<QString()> prepare;  // makes the target and gives its path
        bool ok;
        QString error;
        QString remains;            // at the path afterwards
        QString elsewhere = {};     // and at old.txt
        QByteArray readerGot = {};  // what a pipe's reader received
    } rows[] = {
        {"a new file", [&] { return at("new.txt"); }, true, {}, "file:NEW"},
        {"an old file is replaced",
         [&] {
             QFile f(at("old.txt"));
             f.open(QIODevice::WriteOnly);
             f.write("OLD");
             return f.fileName();
         },
         true,
         {},
         "file:NEW"},
        {"a symlink stays one, its file replaced",
         [&] {
             QFile f(at("old.txt"));
             f.open(QIODevice::WriteOnly);
             f.write("OLD");
             f.close();
             QFile::link(f.fileName(), at("link.txt"));
             return at("link.txt");
         },
         true,
         {},
         "link:old.txt",
         "file:NEW"},
        {"a pipe with a reader",
         [&] {
             ::mkfifo(QFile::encodeName(at("pipe")).constData(), 0600);
             return at("pipe");
         },
         true,
         {},
         "pipe",
         {},
         "NEW"},
        {"a pipe nobody reads",
         [&] {
             ::mkfifo(QFile::encodeName(at("lonely")).constData(), 0600);
             return at("lonely");
         },
         false, "канал никто не читает", "pipe"},
        {"a device that fails", [] { return QStringLiteral("/dev/full"); }, false, "нет места на диске",
         "char device"},
        {"a missing folder", [&] { return at("no/such/file.txt"); }, false, "нет такого файла или папки",
         "nothing"},
        {"a loop of links",
         [&] {
             QFile::link(at("loop2"), at("loop1"));
             QFile::link(at("loop1"), at("loop2"));
             return at("loop1");
         },
         false, "слишком много уровней символических ссылок", "link:loop2"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QString path = row.prepare();
        // A pipe's reader, when the row has one: it must be there before the write opens the pipe.
        QByteArray got;
        std::thread reader;
        if (!row.readerGot.isEmpty())
            reader = std::thread([&] {
                QFile pipe(path);
                if (pipe.open(QIODevice::ReadOnly)) got = pipe.readAll();
            });
        QString error;
        bool ok = false;
        for (int i = 0; i < 200; ++i) {  // the reader thread opens its end first
            error.clear();
            ok = saveWholeFile(path, "NEW", &error);
            if (ok || error != QStringLiteral("канал никто не читает") || row.readerGot.isEmpty()) break;
            QThread::msleep(5);
        }
        if (reader.joinable()) reader.join();
        EXPECT_EQ(ok, row.ok);
        EXPECT_EQ(error, row.error);
        EXPECT_EQ(whatIsAt(path), row.remains);
        if (!row.elsewhere.isEmpty()) {
            EXPECT_EQ(whatIsAt(at("old.txt")), row.elsewhere);
        }
        EXPECT_EQ(got, row.readerGot);
        QFile::remove(at("old.txt"));
    }
}

// Runs `body` in a child process as an unprivileged user (root writes to any file), giving back what it
// returns.
QString asUnprivileged(const std::function<QString()>& body) {
    int fds[2];
    if (::pipe(fds) != 0) return QStringLiteral("(no pipe)");
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(fds[0]);
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(1);
        const QByteArray out = body().toUtf8();
        [[maybe_unused]] const ssize_t n = ::write(fds[1], out.constData(), size_t(out.size()));
        ::_exit(0);
    }
    ::close(fds[1]);
    QByteArray out;
    char buffer[512];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;) out.append(buffer, n);
    ::close(fds[0]);
    ::waitpid(child, nullptr, 0);
    return QString::fromUtf8(out);
}

// A second row is appended after something happened to the file holding the first; afterwards the path
// holds whole rows only, and the tool was told once: a failure, or a new file started.
TEST(LogFile, HostileFilesEndInWholeRowsWithOneMessage) {
    const Record one = recordOf(exchange("31 05 F0 FE", kLive, Outcome::Decoded, 12));
    const Record two = recordOf(exchange("31 07 F0 FE", "", Outcome::NoReply));
    const QByteArray header = csv::line(csvHeader());
    const QByteArray rowOne = csv::line(csvCells(one));
    const QByteArray rowTwo = csv::line(csvCells(two));
    enum Told { Failure, Renewed };
    const struct {
        const char* name;
        std::function<bool(const QString& path, LogFile& f, QString* error, QString* notice)> second;
        Told told;
        QByteArray atPath, moved;  // the contents afterwards of the path, and of path + ".1"
    } cases[] = {
        {"a size limit inside the row",
         [&](const QString& path, LogFile& f, QString* error, QString* notice) {
             rlimit was{};
             ::getrlimit(RLIMIT_FSIZE, &was);
             const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
             rlimit small = was;
             small.rlim_cur = rlim_t(QFileInfo(path).size() + 10);
             ::setrlimit(RLIMIT_FSIZE, &small);
             const bool ok = f.append(two, error, notice);
             ::setrlimit(RLIMIT_FSIZE, &was);
             std::signal(SIGXFSZ, oldHandler);
             return ok;
         },
         Failure, header + rowOne, "(none)"},
        {"read-only when opened again",
         [&](const QString& path, LogFile& f, QString* error, QString*) {
             f.close();
             QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadOther);
             *error = asUnprivileged([&] {
                 QString why;
                 LogFile again;
                 return again.open(path, &why) ? QStringLiteral("opened") : why;
             });
             return false;
         },
         Failure, header + rowOne, "(none)"},
        {"deleted while open",
         [&](const QString& path, LogFile& f, QString* error, QString* notice) {
             QFile::remove(path);
             return f.append(two, error, notice);
         },
         Renewed, header + rowTwo, "(none)"},
        {"renamed while open",
         [&](const QString& path, LogFile& f, QString* error, QString* notice) {
             QFile::rename(path, path + ".1");
             return f.append(two, error, notice);
         },
         Renewed, header + rowTwo, header + rowOne},
    };
    for (const auto& c : cases) {
        QTemporaryDir dir;
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                              QFile::ReadOther | QFile::ExeOther);
        const QString path = dir.filePath("log.csv");
        LogFile f;
        QString error;
        QString notice;
        ASSERT_TRUE(f.open(path, &error) && f.append(one, &error, &notice)) << c.name;
        EXPECT_TRUE(notice.isEmpty()) << c.name;
        const bool ok = c.second(path, f, &error, &notice);
        EXPECT_EQ(ok, c.told == Renewed) << c.name;
        if (c.told == Failure) {
            EXPECT_FALSE(error.isEmpty()) << c.name;
            EXPECT_NE(error, QStringLiteral("opened")) << c.name;
            EXPECT_TRUE(notice.isEmpty()) << c.name;
            EXPECT_FALSE(f.isOpen()) << c.name;
        } else {
            EXPECT_EQ(notice, logFileRenewed(path)) << c.name;
            notice.clear();
            EXPECT_TRUE(f.append(two, &error, &notice)) << c.name;
            EXPECT_TRUE(notice.isEmpty()) << c.name << ": told once";
        }
        const QByteArray want = c.told == Renewed ? c.atPath + rowTwo : c.atPath;
        EXPECT_EQ(contentOf(path), want) << c.name;
        EXPECT_EQ(contentOf(path + ".1"), c.moved) << c.name;
    }
}

}  // namespace
