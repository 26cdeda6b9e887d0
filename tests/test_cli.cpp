// kestrel-cli: every command against the simulated bus over a pty (bytes on the wire, text and JSON
// output, exit codes), refusals that send nothing, timeouts and retries with the bus's faults, the reply
// rules of the transactor over the in-memory port, batches, and the real program.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QBuffer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <map>

#include "cli/client.h"
#include "device/commands.h"
#include "device/requests.h"
#include "device/texts.h"
#include "exchange/classify.h"
#include "fakeport.h"
#include "protocol/frame.h"
#include "protocol/hexid.h"
#include "serial/qtserialport.h"
#include "sim/ptyhost.h"
#include "traffic/csv.h"
#include "traffic/record.h"

namespace kestrel::cli {
namespace {

using test::hex;

// A client on the simulated bus: a reader at 5 with two tags and a bridge slave, replies unpaced.
class CliOnSimBus : public ::testing::Test {
  protected:
    void SetUp() override {
        host.setPacing(false);
        ASSERT_TRUE(host.start());
        QObject::connect(&transactor, &Transactor::attempted,
                         [this](const Transaction& t) { wire << t.request.toHex(' ').toUpper(); });
    }
    // Runs one command line; what it printed is in `out` and `err`, what it wrote in `wire`.
    int run(const QString& line) {
        out.clear();
        err.clear();
        wire.clear();
        const ParsedArguments parsed = parseArguments(*splitLine(line));
        if (!parsed.ok()) return kUsageError;
        return client.run(parsed.invocation);
    }
    QJsonObject json() const { return QJsonDocument::fromJson(out.toUtf8()).object(); }

    sim::PtyHost host;
    QtSerialPort port;
    Transactor transactor{port, {}};
    QString out, err;
    QTextStream outStream{&out}, errStream{&err};
    Output output{outStream, errStream, false};
    QStringList wire;
    Client client{transactor, output, [this] { return port.open(host.slavePath()).ok ? kDone : kPortError; }};
};

// Request bytes as the wire shows them: the frame with its check byte.
QString frame(quint8 address, quint8 command, const char* data = "") {
    return buildRequest(address, command, hex(data)).toHex(' ').toUpper();
}

TEST_F(CliOnSimBus, EveryCommandSendsItsRequestsAndPrintsWhatTheDeviceSaid) {
    struct Row {
        const char* line;
        QStringList wire;
        const char* text;  // the whole output, or its start when it ends with "…"
        const char* json;  // a piece of the same result as JSON
    };
    const Row rows[] = {
        {"scan", {"31 FF DC"}, "Найдены адреса: 5", R"("addresses":[5])"},
        {"inventory",
         {"31 FF DC", frame(5, 0xFC), frame(5, 0xF0)},
         "адрес 5: сер. № 123456, тип 134, версия 1.3.4.; …",
         R"("network":1)"},
        {"-a 5 identify",
         {frame(5, 0xFC)},
         "сер. № 123456, тип 134, версия 1.3.4.",
         R"("firmware":"1.3.4.")"},
        {"-a 5 live", {frame(5, 0xF0)}, "уровень …", R"("emptyLevel":100)"},
        {"-a 5 settings",
         {frame(5, 0xF0)},
         "режим 2 (reader), сеть 1, канал 5, мощность 10",
         R"("modeName":"reader")"},
        {"-a 5 set-radio 12 7 20 --verify",
         {frame(5, 0xF4, "000C0714"), frame(5, 0xF0)},
         "Установлены параметры радио: сеть 12, канал 7, мощность 20.",
         R"("channel":7)"},
        {"-a 5 set-radio --network 3 --channel 4 --power 5",
         {frame(5, 0xF4, "00030405")},
         "Установлены …",
         R"("network":3)"},
        {"-a 5 set-mode indicator --master --verify",
         {frame(5, 0xF2, "81"), frame(5, 0xF0)},
         "новый режим 129",
         R"("mode":129)"},
        {"-a 5 set-serial 777 --verify",
         {frame(5, 0xF6, "00000309"), frame(5, 0xFC)},
         "Установлен серийный номер.",
         R"("serial":777)"},
        {"-a 5 calibrate low --yes",
         {frame(5, 0xFA)},
         "Установлен нижний уровень.",
         R"("command":"calibrate low")"},
        {"-a 5 calibrate high --yes", {frame(5, 0xF5)}, "Установлен верхний уровень.", R"("ok":true)"},
        {"-a 5 bound-ids set 3 ABCDEF --verify",
         {frame(5, 0xE6, "0200ABCDEF"), frame(5, 0xE7)},
         "привязанные ID: 0123456 0ABCDEF 0ABCDEF 0000000 …",
         R"("boundIds":["0123456","0ABCDEF","0ABCDEF",)"},
        {"-a 5 bound-ids read --verify",
         {frame(5, 0xE7)},
         "привязанные ID: …",
         R"("command":"bound-ids read")"},
        {"-a 5 bound-ids clear --verify",
         {frame(5, 0xE9), frame(5, 0xE7)},
         "привязанные ID: 0000000 …",
         R"("boundIds":["0000000",)"},
        {"-a 5 reset-delay set 100 --verify",
         {frame(5, 0xF1, "0064"), frame(5, 0xF7)},
         "задержка обнуления 100",
         R"("resetDelay":100)"},
        {"-a 5 reset-delay get", {frame(5, 0xF7)}, "задержка обнуления 100", R"("resetDelay":100)"},
        {"-a 5 tag read 123456",
         {frame(5, 0xE3, "00123456")},
         "метка сер. № 1001, ID 0123456, задержка 100, …",
         R"("power":-10)"},
        {"-a 5 tag write 123456 --delay 7 --period 300 --verify",
         {frame(5, 0xE3, "00123456"), frame(5, 0xE1, "0E000003E900123456000701F6012C"),
          frame(5, 0xE3, "00123456")},
         "Считаны параметры метки.",
         R"("command":"tag write")"},
        {"-a 5 tag set-serial 123456 4242",
         {frame(5, 0xE2, "0012345600001092")},
         "Выполнено.",
         R"("acknowledged":226)"},
        {"-a 5 tag search",
         {frame(5, 0xE0, "7A7A7A7A")},
         "метка сер. № 4242, ID 0123456, …",
         R"("serial":4242)"},
        {"-a 5 bridge read",
         {frame(5, 0xE8), frame(5, 0x06)},
         "ведомый сер. № 654321, темп. 25.5, …",
         R"("rs485":4660)"},
        {"-a 5 tag set-id 123456 4242 --verify",
         {frame(5, 0xE3, "00123456"), frame(5, 0xE1, "0E0000109200001092000701F6012C"),
          frame(5, 0xE3, "00001092")},
         "Считаны параметры метки.",
         R"("command":"tag set-id")"},
        {"-a 5 set-address 9 --verify",
         {frame(5, 0xFB, "09"), frame(9, 0xFC)},
         "Установлен сетевой номер.",
         R"("newAddress":9)"},
    };
    // The table twice from the same bus: as text, then as JSON.
    for (const bool asJson : {false, true}) {
        host.withBus([](sim::Bus& b) { b = sim::Bus::withDefaults(); });
        for (const Row& row : rows) {
            SCOPED_TRACE(row.line);
            EXPECT_EQ(run((asJson ? "--json " : "") + QString::fromUtf8(row.line)), kDone)
                << err.toStdString();
            EXPECT_EQ(wire, row.wire);
            const QString want = QString::fromUtf8(asJson ? row.json : row.text);
            if (asJson)
                EXPECT_TRUE(out.contains(want) && out.contains(QStringLiteral("\"ok\":true")))
                    << out.toStdString();
            else if (want.endsWith(QStringLiteral("…")))
                EXPECT_TRUE(out.startsWith(want.chopped(1))) << out.toStdString();
            else
                EXPECT_EQ(out, want + QLatin1Char('\n'));
        }
    }
    EXPECT_EQ(host.withBus([](sim::Bus& b) { return b.reader(9) ? b.reader(9)->lowerCalibrations : -1; }), 1);

    // The same values under stable English keys.
    ASSERT_EQ(run("--json -a 9 identify"), kDone);
    EXPECT_EQ(json(), QJsonDocument::fromJson(R"({"command":"identify","ok":true,"address":9,"serial":777,
        "deviceType":134,"firmware":"1.3.4."})")
                          .object());
    ASSERT_EQ(run("--json -a 9 settings"), kDone);
    EXPECT_EQ(json(), QJsonDocument::fromJson(R"({"command":"settings","ok":true,"address":9,"mode":129,
        "modeName":"indicator","network":3,"channel":4,"power":5})")
                          .object());
    ASSERT_EQ(run("--json -a 9 bridge read"), kDone);
    EXPECT_EQ(json().value(QLatin1String("address")), QJsonValue(9))
        << "the bridge's result names its reader";
}

TEST_F(CliOnSimBus, ABusWhoseAnswerLooksLikeAFrameIsStillReadAsItsReaders) {
    host.withBus([](sim::Bus& b) {
        b.removeReader(5);
        for (quint8 a : {62, 63, 64, 65}) b.addReader(sim::Bus::defaultReader(a, a));
    });
    EXPECT_EQ(run("scan"), kDone) << err.toStdString();
    EXPECT_EQ(out.trimmed(), QStringLiteral("Найдены адреса: 62 63 64 65"));
}

// Refusals other than out-of-range numbers and identifiers (those are in the hostile-input table).
TEST_F(CliOnSimBus, RefusedArgumentsGetTheWindowsMessageAndNothingGoesOnTheWire) {
    struct Row {
        const char* line;
        QString message;
    };
    const Row rows[] = {
        {"-a 5 calibrate high",
         text::calibrateUpperQuestion() + QStringLiteral(" Подтвердите параметром --yes.")},
        {"identify", text::noListedAddress() + QStringLiteral(" (-a 0..254)")},
        {"-a 5 set-mode fast",
         QStringLiteral("неизвестный режим fast: reader, indicator, powered-tag, bridge, "
                        "repeater или 0, 1, 2, 6, 16")},
        {"-a 5 set-radio 1 2",
         QStringLiteral("использование: kestrel-cli set-radio -a A СЕТЬ КАНАЛ МОЩНОСТЬ [--verify]")},
        {"-a 5 reboot", QStringLiteral("неизвестная команда reboot")},
        {"reboot now --help", QStringLiteral("неизвестная команда reboot")},
        {"-a 5 identify extra", QStringLiteral("использование: kestrel-cli identify -a A")},
        {"-a 5 settings extra", QStringLiteral("использование: kestrel-cli settings -a A")},
        {"inventory extra", QStringLiteral("использование: kestrel-cli inventory")},
        {"-a 5 bound-ids read extra",
         QStringLiteral("использование: kestrel-cli bound-ids -a A read | set ЯЧЕЙКА ID | clear [--verify]")},
        {"-a 5 calibrate", QStringLiteral("использование: kestrel-cli calibrate -a A high|low --yes")},
        {"-a 5 set-address", QStringLiteral("использование: kestrel-cli set-address -a A НОВЫЙ [--verify]")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        EXPECT_EQ(run(QString::fromUtf8(row.line)), kUsageError);
        EXPECT_EQ(err, row.message + QLatin1Char('\n'));
        EXPECT_TRUE(wire.isEmpty());
    }
    EXPECT_FALSE(port.isOpen()) << "a refused command needs no port";
    EXPECT_FALSE(parseArguments({"--bogus"}).ok());
    EXPECT_FALSE(parseArguments({"--port"}).ok());
}

TEST_F(CliOnSimBus, NoAnswerIsRetriedAndAFaultyReplyIsNeverTakenAsTheAnswer) {
    host.injectFault(sim::FaultKind::Silence, 2);
    EXPECT_EQ(run("-a 5 identify"), kDone) << "the third attempt is answered";
    EXPECT_EQ(wire.size(), 3);
    host.injectFault(sim::FaultKind::BadCrc, 1);
    EXPECT_EQ(run("-a 5 identify"), kDone);
    EXPECT_EQ(wire.size(), 2);
    host.injectFault(sim::FaultKind::Garbage);
    EXPECT_EQ(run("-a 5 identify"), kDeviceFailed);
    EXPECT_EQ(err, QStringLiteral("адрес 5: мусор (попыток: 3)\n"));
    host.clearFaults();
    EXPECT_EQ(run("-a 7 --retries 0 identify"), kDeviceFailed);
    EXPECT_EQ(err, QStringLiteral("адрес 7: нет ответа (попыток: 1)\n"));
    // A split reply is one reply: the silence between its halves is shorter than the timeout.
    host.injectFault(sim::FaultKind::Split, 1);
    EXPECT_EQ(run("-a 5 identify"), kDone);
    EXPECT_EQ(wire.size(), 1);
    // A reader that acknowledges a setting but keeps its old one fails the read-back.
    host.injectFault(sim::FaultKind::Stuck);
    EXPECT_EQ(run("-a 5 set-radio 2 3 4 --verify"), kDeviceFailed);
    EXPECT_EQ(err, QStringLiteral("проверка не прошла: сеть/канал/мощность 1/5/10, ожидалось 2/3/4\n"));
}

TEST_F(CliOnSimBus, BackupOfOneReaderRestoresAnotherAndTheSerialOnlyWhenAsked) {
    QTemporaryDir dir;
    const QString file = dir.filePath("r5.json");
    ASSERT_EQ(run("-a 5 bound-ids set 2 0C0FFEE"), kDone);
    ASSERT_EQ(run("-a 5 set-radio 40 9 30"), kDone);
    ASSERT_EQ(run("-a 5 backup " + file), kDone);
    QFile saved(file);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QJsonObject doc = QJsonDocument::fromJson(saved.readAll()).object();
    EXPECT_EQ(doc.value("version").toString(), QStringLiteral(KESTREL_VERSION));
    EXPECT_TRUE(QDateTime::fromString(doc.value("time").toString(), Qt::ISODateWithMs).isValid());
    host.withBus([](sim::Bus& b) { return b.addReader(sim::Bus::defaultReader(6, 1)); });
    EXPECT_EQ(run("-a 6 restore " + file + " --only serial"), kUsageError);
    EXPECT_TRUE(wire.isEmpty());
    EXPECT_EQ(run("-a 6 restore " + file + " --verify"), kDone) << err.toStdString();
    const auto six = host.withBus([](sim::Bus& b) { return *b.reader(6); });
    EXPECT_EQ((std::vector<int>{six.network, six.channel, six.power, six.mode}),
              (std::vector<int>{40, 9, 30, 2}));
    EXPECT_EQ(six.cells[1], 0x0C0FFEEu);
    EXPECT_EQ(six.serial, 123457u) << "no serial without --with-serial";
    EXPECT_EQ(run("-a 6 restore " + file + " --with-serial --verify"), kDone);
    EXPECT_EQ(host.withBus([](sim::Bus& b) { return b.reader(6)->serial; }), 123456u);
    // A reader that keeps nothing it is told: the check names each value as read back and as the file has it
    // (the third reader's tags are 2123456 and 2ABCDEF; the file's are reader 5's, 0123456, and 0C0FFEE).
    host.withBus([](sim::Bus& b) { return b.addReader(sim::Bus::defaultReader(7, 2)); });
    host.injectFault(sim::FaultKind::Stuck, sim::kUntilCleared, 7);
    EXPECT_EQ(run("-a 7 restore " + file + " --only radio,bound-ids --verify"), kDeviceFailed);
    EXPECT_EQ(err,
              "проверка не прошла: network 1, ожидалось 40; channel 5, ожидалось 9; power 10, ожидалось 30; "
              "boundIds [\"2123456\",\"2ABCDEF\"" +
                  QString(",\"0000000\"").repeated(8) + "], ожидалось [\"0123456\",\"0C0FFEE\"" +
                  QString(",\"0000000\"").repeated(8) + "]\n");
    QFile(file).open(QIODevice::WriteOnly);
    EXPECT_EQ(run("-a 6 restore " + file), kUsageError);
}

// A backup that was altered or belongs to another kind of device is refused before anything is written:
// values are whole JSON numbers in their range, the format version is known, the device type matches.
TEST_F(CliOnSimBus, AnAlteredOrForeignBackupIsRefusedBeforeAnythingIsWritten) {
    QTemporaryDir dir;
    const QString file = dir.filePath("r5.json");
    ASSERT_EQ(run("-a 5 backup " + file), kDone);
    QFile saved(file);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QJsonObject good = QJsonDocument::fromJson(saved.readAll()).object();
    const QString identify = frame(5, 0xFC);
    struct Row {
        const char* key;
        QJsonValue value;
        QString message;  // after "PATH: "
        QStringList wire;
    };
    const Row rows[] = {
        {"channel", 5.5, "channel: нужно целое число от 1 до 255, задано 5.5", {}},
        {"power", 2.5, "power: нужно целое число от 3 до 255, задано 2.5", {}},
        {"mode", "2", "mode: нужно целое число от 0 до 255, задано \"2\"", {}},
        {"network", QJsonValue(), "network: нужно целое число от 1 до 65000, задано null", {}},
        {"resetDelay", 7000, "resetDelay: нужно целое число от 0 до 6000, задано 7000", {}},
        {"formatVersion", 2, "неизвестная версия формата 2 (эта программа читает версию 1)", {}},
        {"identity",
         QJsonObject{{"serial", 123456}, {"deviceType", 99}},
         "копия снята с устройства типа 99, а по адресу 5 устройство типа 134; ничего не записано (--force "
         "записывает всё равно)",
         {identify}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.key);
        QJsonObject altered = good;
        altered.insert(QLatin1String(row.key), row.value);
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QJsonDocument(altered).toJson());
        f.close();
        EXPECT_EQ(run("-a 5 restore " + file), kUsageError);
        EXPECT_EQ(err, file + QStringLiteral(": ") + row.message + QLatin1Char('\n'));
        EXPECT_EQ(wire, row.wire);
    }
    EXPECT_EQ(run("-a 5 restore " + file + " --force"), kDone) << "--force writes another type's settings";
}

// A restore cut short says which settings reached the device, which did not, and which may have.
TEST_F(CliOnSimBus, AnInterruptedRestoreListsWhatWasWrittenAndWhatWasNot) {
    QTemporaryDir dir;
    const QString file = dir.filePath("r5.json");
    ASSERT_EQ(run("-a 5 backup " + file), kDone);
    int attempts = 0;  // identify, mode and radio are answered; then the reader falls silent
    QObject::connect(&transactor, &Transactor::attempted, [&] {
        if (++attempts == 3) host.injectFault(sim::FaultKind::Silence);
    });
    EXPECT_EQ(run("--json --retries 0 -a 5 restore " + file), kDeviceFailed);
    QStringList notWritten;
    for (int cell = 2; cell <= 10; ++cell) notWritten << QStringLiteral("bound-ids %1").arg(cell);
    notWritten << QStringLiteral("reset-delay");
    const QString message =
        QStringLiteral(
            "адрес 5: нет ответа (попыток: 1); восстановление не завершено: записано: mode, "
            "radio; не записано: %1; неизвестно, записано ли: bound-ids 1")
            .arg(notWritten.join(QStringLiteral(", ")));
    EXPECT_EQ(err, message + QLatin1Char('\n'));
    const QJsonObject expected{{"command", "restore"},
                               {"ok", false},
                               {"error", message},
                               {"exitCode", 1},
                               {"address", 5},
                               {"file", file},
                               {"written", QJsonArray{"mode", "radio"}},
                               {"notWritten", QJsonArray::fromStringList(notWritten)},
                               {"unknown", QJsonArray{"bound-ids 1"}}};
    EXPECT_EQ(json(), expected);
}

// A site file holds every reader's backup with its address, and restores each reader at its address; a
// reader that does not answer fails alone, and a backup of the site that misses one is not written.
TEST_F(CliOnSimBus, ASiteIsSavedWholeAndRestoredReaderByReaderAtItsAddress) {
    QTemporaryDir dir;
    const QString file = dir.filePath("site.json");
    host.withBus([](sim::Bus& b) { return b.addReader(sim::Bus::defaultReader(6, 1)); });
    ASSERT_EQ(run("-a 5 set-radio 40 9 30"), kDone);
    ASSERT_EQ(run("backup-site " + file), kDone) << err.toStdString();
    QFile saved(file);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QByteArray savedBytes = saved.readAll();
    const QJsonObject doc = QJsonDocument::fromJson(savedBytes).object();
    EXPECT_EQ(doc.value("format").toString(), QStringLiteral("kestrel-site"));
    EXPECT_EQ(doc.value("version").toInt(), 1);
    const QJsonArray readers = doc.value("readers").toArray();
    ASSERT_EQ(readers.size(), 2);
    for (int i = 0; i < 2; ++i) {
        const QJsonObject backup = readers[i].toObject().value("backup").toObject();
        EXPECT_EQ(readers[i].toObject().value("address").toInt(), 5 + i);
        EXPECT_EQ(backup.value("format").toString(), QStringLiteral("kestrel-reader-backup"));
        EXPECT_EQ(backup.value("identity").toObject().value("serial").toInt(), 123456 + i);
        EXPECT_EQ(backup.value("network").toInt(), i == 0 ? 40 : 1);
    }
    ASSERT_EQ(run("-a 5 set-radio 1 1 3"), kDone);
    ASSERT_EQ(run("-a 6 bound-ids set 4 ABC"), kDone);
    EXPECT_EQ(run("restore-site " + file + " --verify"), kDone) << err.toStdString();
    const QString parts = QStringLiteral("mode, radio, bound-ids, reset-delay; проверено\n");
    EXPECT_EQ(out, "адрес 5, серийный номер 123456: записано " + parts +
                       "адрес 6, серийный номер 123457: записано " + parts + "Площадка " + file +
                       ": восстановлено считывателей 2 из 2\n");
    const auto [five, six] = host.withBus([](sim::Bus& b) { return std::pair(*b.reader(5), *b.reader(6)); });
    EXPECT_EQ((std::vector<int>{five.network, five.channel, five.power}), (std::vector<int>{40, 9, 30}));
    EXPECT_EQ(six.cells[3], 0u);

    host.injectFault(sim::FaultKind::Silence, sim::kUntilCleared, 6);
    EXPECT_EQ(run("--retries 0 restore-site " + file), kDeviceFailed);
    EXPECT_TRUE(out.startsWith("адрес 5, серийный номер 123456: записано")) << out.toStdString();
    EXPECT_EQ(err, QStringLiteral("адрес 6, -: нет ответа (попыток: 1)\n"));
    EXPECT_EQ(run("--retries 0 backup-site " + file), kDeviceFailed);
    EXPECT_EQ(err, "адрес 6: нет ответа (попыток: 1)\nне прочитаны адреса 6; файл " + file +
                       " не записан (--addresses без них сохраняет остальные)\n");
    ASSERT_TRUE(saved.seek(0));
    EXPECT_EQ(saved.readAll(), savedBytes) << "the site file that was there stays";
    EXPECT_EQ(run("backup-site " + file + " --addresses 5"), kDone);
}

// A site file that is not whole and right is refused before anything is sent, naming what is wrong and
// the reader; so is a list of addresses with one twice or out of range.
TEST_F(CliOnSimBus, AWrongSiteFileOrAddressListIsRefusedBeforeAnythingIsSent) {
    QTemporaryDir dir;
    const QString file = dir.filePath("site.json");
    host.withBus([](sim::Bus& b) { return b.addReader(sim::Bus::defaultReader(6, 1)); });
    ASSERT_EQ(run("backup-site " + file), kDone);
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QJsonObject good = QJsonDocument::fromJson(f.readAll()).object();
    f.close();
    // The site with reader 6's entry (the second) changed by `edit`.
    auto withSix = [&](const std::function<void(QJsonObject&)>& edit) {
        QJsonObject site = good;
        QJsonArray readers = site["readers"].toArray();
        QJsonObject six = readers[1].toObject();
        edit(six);
        readers[1] = six;
        site["readers"] = readers;
        return QJsonDocument(site).toJson();
    };
    auto backupOfSix = [&](const char* key, const QJsonValue& v) {
        return withSix([=](QJsonObject& six) {
            QJsonObject backup = six["backup"].toObject();
            backup[key] = v;
            six["backup"] = backup;
        });
    };
    auto site = [&](const char* key, const QJsonValue& v) {
        QJsonObject s = good;
        s[key] = v;
        return QJsonDocument(s).toJson();
    };
    const struct {
        QByteArray text;
        QString message;  // after "FILE: "
    } rows[] = {
        {"[]", "не файл площадки (нужен объект JSON)"},
        {"{\"format\":", "не файл площадки (нужен объект JSON: unterminated object)"},
        {site("format", "kestrel-reader-backup"),
         "не файл площадки: формат \"kestrel-reader-backup\", нужен \"kestrel-site\""},
        {site("version", 2), "неизвестная версия формата 2 (эта программа читает версию 1)"},
        {site("readers", QJsonObject{}), "нет списка считывателей (readers)"},
        {site("readers", QJsonArray{}), "в списке нет ни одного считывателя"},
        {site("readers", QJsonArray{5}), "считыватель 1: нужен объект JSON"},
        {withSix([](QJsonObject& six) { six.remove("address"); }),
         "считыватель 2, address: нужно целое число от 0 до 200, задано ничего"},
        {withSix([](QJsonObject& six) { six["address"] = 201; }),
         "считыватель 2, address: нужно целое число от 0 до 200, задано 201"},
        {withSix([](QJsonObject& six) { six["address"] = 5; }), "адрес 5 в списке дважды"},
        {withSix([](QJsonObject& six) { six["address"] = 7; }), "адрес 7: в копии адрес 6"},
        {backupOfSix("formatVersion", 2),
         "адрес 6: неизвестная версия формата 2 (эта программа читает версию 1)"},
        {backupOfSix("channel", 5.5), "адрес 6: channel: нужно целое число от 1 до 255, задано 5.5"},
        {backupOfSix("boundIds", QJsonArray{"1"}), "адрес 6: нужно 10 привязанных ID"},
        {backupOfSix("identity", QJsonObject{{"serial", 1}}),
         "адрес 6: identity.deviceType: нужно целое число от 0 до 255, задано ничего"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.message.toStdString());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(row.text);
        f.close();
        EXPECT_EQ(run("restore-site " + file), kUsageError);
        EXPECT_EQ(err, file + ": " + row.message + '\n');
        EXPECT_TRUE(wire.isEmpty());
    }
    const struct {
        const char* line;
        QString message;
    } lists[] = {
        {"monitor --addresses 5,6,5", "--addresses: адрес 5 указан дважды"},
        {"monitor --addresses 5,255", "--addresses: нужно целое число от 0 до 254, задано \"255\""},
        {"monitor --addresses 5,,6", "--addresses: нужно целое число от 0 до 254, задано \"\""},
        {"backup-site x.json --addresses 5.5", "--addresses: нужно целое число от 0 до 200, задано \"5.5\""},
        {"backup-site x.json --addresses 201", "--addresses: нужно целое число от 0 до 200, задано \"201\""},
        {"backup-site x.json --addresses 4-6,5", "--addresses: адрес 5 указан дважды"},
        {"backup-site x.json --addresses 6-5", "--addresses: диапазон 6-5 идёт назад"},
        {"backup-site x.json --addresses 5-201",
         "--addresses: нужно целое число от 0 до 200, задано \"201\""},
        {"monitor --addresses 1-2-3", "--addresses: нужно целое число от 0 до 254, задано \"1-2-3\""},
    };
    for (const auto& row : lists) {
        EXPECT_EQ(run(row.line), kUsageError) << row.line;
        EXPECT_EQ(err, row.message + '\n');
        EXPECT_TRUE(wire.isEmpty());
    }
}

// restore-site writes a reader only when it is sure of it: the serial number found at the address must be
// the backup's (unless --force), no serial is written into two readers, and an empty --only is no list.
// A refused reader gets its identification and nothing else; a refused file gets nothing at all.
TEST_F(CliOnSimBus, RestoreSiteWritesNoReaderItIsNotSureOf) {
    QTemporaryDir dir;
    const QString file = dir.filePath("site.json");
    host.withBus([](sim::Bus& b) { return b.addReader(sim::Bus::defaultReader(6, 1)); });
    ASSERT_EQ(run("backup-site " + file + " --addresses 5-6"), kDone);
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QJsonObject good = QJsonDocument::fromJson(f.readAll()).object();
    f.close();
    ASSERT_EQ(good["readers"].toArray().size(), 2);
    // The site with the serial numbers of readers 5 and 6 set to `five` and `six`.
    auto withSerials = [&](int five, int six) {
        QJsonObject site = good;
        QJsonArray readers = site["readers"].toArray();
        for (int i : {0, 1}) {
            QJsonObject reader = readers[i].toObject(), backup = reader["backup"].toObject();
            QJsonObject identity = backup["identity"].toObject();
            identity["serial"] = i == 0 ? five : six;
            backup["identity"] = identity;
            reader["backup"] = backup;
            readers[i] = reader;
        }
        site["readers"] = readers;
        return QJsonDocument(site).toJson();
    };
    const QString identifySix = frame(6, 0xFC);
    const QString written = QStringLiteral("mode, radio, bound-ids, reset-delay; не проверялось\n");
    const struct {
        const char* name;
        QByteArray text;
        QString options;
        int exitCode;
        QString out, err;
        bool sixWritten;  // anything but the identification went to reader 6
    } rows[] = {
        {"the serials of the bus", withSerials(123456, 123457), "", kDone,
         "адрес 5, серийный номер 123456: записано " + written + "адрес 6, серийный номер 123457: записано " +
             written + "Площадка " + file + ": восстановлено считывателей 2 из 2\n",
         "", true},
        {"another reader at 6", withSerials(123456, 999999), "", kDeviceFailed,
         "адрес 5, серийный номер 123456: записано " + written + "Площадка " + file +
             ": восстановлено считывателей 1 из 2\n",
         "адрес 6, серийный номер 123457: " + file +
             ": адрес 6: копия снята со считывателя с серийным номером 999999, а по адресу 6 считыватель с "
             "серийным номером 123457; ничего не записано (--force записывает всё равно)\n",
         false},
        {"another reader at 6, forced", withSerials(123456, 999999), " --force", kDone,
         "адрес 5, серийный номер 123456: записано " + written + "адрес 6, серийный номер 123457: записано " +
             written + "Площадка " + file + ": восстановлено считывателей 2 из 2\n",
         "", true},
        {"one serial twice, not written", withSerials(123456, 123456), "", kDeviceFailed,
         "адрес 5, серийный номер 123456: записано " + written + "Площадка " + file +
             ": восстановлено считывателей 1 из 2\n",
         "адрес 6, серийный номер 123457: " + file +
             ": адрес 6: копия снята со считывателя с серийным номером 123456, а по адресу 6 считыватель с "
             "серийным номером 123457; ничего не записано (--force записывает всё равно)\n",
         false},
        {"one serial twice, written", withSerials(123456, 123456), " --with-serial", kUsageError, "",
         file + ": серийный номер 123456 у адресов 5, 6; с --with-serial ничего не записано\n", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(row.text);
        f.close();
        EXPECT_EQ(run("restore-site " + file + row.options), row.exitCode);
        EXPECT_EQ(out, row.out);
        EXPECT_EQ(err, row.err);
        QStringList toSix;
        for (const QString& request : wire)
            if (request.startsWith(QLatin1String("31 06 ")) && request != identifySix) toSix << request;
        EXPECT_EQ(!toSix.isEmpty(), row.sixWritten) << toSix.join(" | ").toStdString();
        if (row.exitCode == kUsageError) {
            EXPECT_TRUE(wire.isEmpty());
        }
    }
    // An empty --only (a script's empty variable) is no list of parts; a part named twice is one part.
    for (const char* only : {"", ",", " , "}) {
        const ParsedArguments parsed = parseArguments({"restore-site", file, "--only", only});
        EXPECT_EQ(parsed.error, "--only: список частей пуст (mode, radio, bound-ids, reset-delay, serial)");
    }
    EXPECT_EQ(parseArguments({"restore-site", file, "--only", "mode, radio,mode"}).invocation.only,
              (QStringList{"mode", "radio"}));
    // Two readers of one serial on the bus: saved as they are, and flagged.
    ASSERT_EQ(run("-a 6 set-serial 123456"), kDone);
    ASSERT_EQ(run("--json backup-site " + file + " --addresses 5-6"), kDone);
    const QJsonObject summary = QJsonDocument::fromJson(out.trimmed().split('\n').last().toUtf8()).object();
    EXPECT_EQ(summary.value("readers").toInt(), 2);
    const QJsonArray shared{QJsonObject{{"serial", 123456}, {"addresses", QJsonArray{5, 6}}}};
    EXPECT_EQ(summary.value("duplicateSerials"), shared);
    ASSERT_EQ(run("backup-site " + file + " --addresses 5-6"), kDone);
    EXPECT_TRUE(
        out.endsWith("Площадка сохранена в " + file +
                     ": считывателей 2; внимание, один серийный номер у разных считывателей: серийный "
                     "номер 123456 у адресов 5, 6\n"))
        << out.toStdString();
}

// Every failure object of --json, field by field: a script tells success from failure by "ok".
TEST_F(CliOnSimBus, AJsonFailureSaysOkFalseWithTheMessageAndExitCode) {
    EXPECT_EQ(run("--json -a 5 set-radio 70000 7 20"), kUsageError);
    EXPECT_EQ(json(), (QJsonObject{{"command", "set-radio"},
                                   {"ok", false},
                                   {"error", "СЕТЬ: нужно целое число от 1 до 65000, задано \"70000\""},
                                   {"exitCode", 2}}));
    EXPECT_EQ(run("--json --retries 0 -a 9 identify"), kDeviceFailed);
    EXPECT_EQ(json(), (QJsonObject{{"command", "identify"},
                                   {"ok", false},
                                   {"error", "адрес 9: нет ответа (попыток: 1)"},
                                   {"exitCode", 1}}));
}

TEST_F(CliOnSimBus, BatchRunsLineByLineStopsAtTheFirstFailureAndNamesBadLines) {
    auto batch = [&](const QByteArray& text, bool keepGoing) {
        out.clear();
        err.clear();
        QByteArray data = text;
        QBuffer input(&data);
        input.open(QIODevice::ReadOnly);
        Invocation base;
        base.keepGoing = keepGoing;
        return client.runBatch(input, QStringLiteral("b.txt"), base);
    };
    const QByteArray text =
        "\xEF\xBB\xBF# provisioning\r\n-a 5 identify\r\n\r\n  \n-a 5 set-serial x # typo\n"
        "-a 5 reset-delay get\n-a 5 \"unclosed\n" +
        QByteArray(5000, 'a') + "\n\x01\xFF\xFE\n";
    EXPECT_EQ(splitLine(QStringLiteral(R"(a "b \"c\" d\\" "")")), (QStringList{"a", R"(b "c" d\)", ""}));
    EXPECT_EQ(batch(text, false), kUsageError);
    EXPECT_EQ(err,
              QStringLiteral("b.txt, строка 5: НОМЕР: нужно целое число от 0 до 2000000, задано \"x\"\n"));
    EXPECT_TRUE(out.endsWith(QStringLiteral("Пакет b.txt: выполнено 1, ошибок 1, пропущено 4\n")))
        << out.toStdString();
    EXPECT_EQ(batch(text, true), kUsageError);
    EXPECT_EQ(err.split('\n').mid(1),
              (QStringList{"b.txt, строка 7: незакрытая кавычка", "b.txt, строка 8: строка длиннее 4096 байт",
                           "b.txt, строка 9: не текст в UTF-8", ""}));
    EXPECT_TRUE(out.endsWith(QStringLiteral("Пакет b.txt: выполнено 2, ошибок 4, пропущено 0\n")));
    // The port, the output and the log belong to the whole run: a line may not change them.
    for (const char* option : {"--port /dev/null", "--json", "--log-file x.csv", "--trace", "--lang en"}) {
        EXPECT_EQ(batch(QByteArray("-a 5 identify ") + option + "\n-a 5 identify\n", false), kUsageError);
        EXPECT_EQ(err,
                  QStringLiteral("b.txt, строка 1: параметр --%1 задаётся для всего пакета, не в строке\n")
                      .arg(QString::fromLatin1(option).section(' ', 0, 0).mid(2)));
        EXPECT_TRUE(out.endsWith(QStringLiteral("выполнено 0, ошибок 1, пропущено 1\n")))
            << out.toStdString();
    }

    // The port going away mid-batch ends it with the lines done.
    host.withBus([](sim::Bus& b) { return b.addReader(sim::Bus::defaultReader(7, 1)); });
    host.injectFault(sim::FaultKind::HangUp, 1, 7);
    EXPECT_EQ(batch("-a 5 identify\n-a 7 identify\n-a 5 identify\n", false), kPortError);
    EXPECT_TRUE(out.contains(QStringLiteral("порт потерян на строке 2; выполнены строки: 1")))
        << out.toStdString();
}

// An in-memory device: each write is answered with the chunks given, each after its delay; `straggler`
// comes as soon as the last chunk has been read, before any wait of the reader can end.
class AnsweringPort : public test::FakePort {
  public:
    std::vector<std::pair<int, QByteArray>> answer;
    QByteArray straggler;
    qint64 write(const QByteArray& data) override {
        toCome_ = 0;
        for (const auto& [ms, bytes] : answer) {
            feedLater(ms, bytes);
            toCome_ += bytes.size();
        }
        straggling_ = straggler;
        return FakePort::write(data);
    }
    QByteArray read(qint64 maxBytes) override {
        const QByteArray out = FakePort::read(maxBytes);
        toCome_ -= out.size();
        if (toCome_ <= 0 && !straggling_.isEmpty())
            QTimer::singleShot(0, this, [this, s = std::exchange(straggling_, {})] { feed(s); });
        return out;
    }

  private:
    qint64 toCome_ = 0;  // bytes of this write's answer not read yet
    QByteArray straggling_;
};

// Every command of a known reply length takes its reply as complete at that length, not before: a byte
// right behind it, within the silence that ends replies of open length, is not part of it.
TEST(Transactor, AReplyOfKnownLengthEndsAtItsLastByte) {
    const std::map<std::string, int> lengths = {
        {"current-params", 26}, {"identify", 10},       {"set-address", 4},      {"set-serial", 4},
        {"calibrate-high", 4},  {"calibrate-low", 4},   {"set-mode", 5},         {"clear-bound-ids", 44},
        {"read-bound-ids", 44}, {"write-bound-id", 44}, {"read-reset-delay", 6}, {"set-reset-delay", 6},
        {"tag-query", 13},      {"tag-read", 20},       {"bridge-data", 14},     {"bridge-rs485", 7}};
    AnsweringPort port;
    port.open({});
    Transactor::Timing timing;
    timing.gapMs = 0;
    timing.retries = 0;
    Transactor t(port, timing);
    port.straggler = hex("00");
    int known = 0;
    for (const cmd::CommandInfo& c : cmd::commandTable()) {
        if (c.fullReplyBytes == 0) continue;
        ++known;
        const QByteArray reply =
            withCheckByte(hex("3E 05") + char(*c.replyCode) + QByteArray(lengths.at(c.key) - 4, '\x01'));
        port.answer = {{1, reply.chopped(1)}, {2, reply.right(1)}};
        EXPECT_EQ(t.exchange(withCheckByte(hex("31 05") + char(c.code))).last.reply.toHex(' '),
                  reply.toHex(' '))
            << c.key;
        QTest::qWait(5);
    }
    EXPECT_EQ(known, int(lengths.size()));
}

// The quiet time before a request also follows one written at the transactor's very start (its clock's
// zero): what arrives meanwhile is dropped, never taken for the retry's reply.
TEST(Transactor, TheQuietTimeFollowsEvenTheFirstRequest) {
    AnsweringPort port;
    port.open({});
    port.answer = {{300, hex("00")}};
    Transactor::Timing timing;
    timing.gapMs = 400;
    timing.timeoutMs = 200;
    timing.retries = 1;
    Transactor t(port, timing);
    const Transactor::Result r = t.exchange(device::identifyRequest(5));
    EXPECT_EQ(r.attempts, 2);
    EXPECT_EQ(r.last.outcome, Outcome::NoReply);
    EXPECT_TRUE(r.last.reply.isEmpty()) << r.last.reply.toHex(' ').toStdString();
    // Ctrl-C during the wait for a reply ends the attempt as it stands, and it is not retried.
    port.answer = {};
    Transactor waiting(port, {5000, 2, 0, 20, 500});
    QTimer::singleShot(50, &waiting, [&waiting] { waiting.interrupt(); });
    const Transactor::Result cut = waiting.exchange(device::identifyRequest(5));
    EXPECT_TRUE(cut.interrupted);
    EXPECT_EQ(cut.attempts, 1);
    // So does Ctrl-C during a pause between requests (--watch's interval): the loop runs meanwhile.
    Transactor resting(port, timing);
    QTimer::singleShot(50, &resting, [&resting] { resting.interrupt(); });
    EXPECT_FALSE(resting.pause(5000));
}

// The transactor's reply rules over the in-memory port, where the test decides when bytes come.
TEST(Transactor, AReplyEndsAtItsFullLengthOrItsSilenceAndMustAnswerTheRequest) {
    AnsweringPort port;
    port.open({});
    Transactor::Timing timing;
    timing.gapMs = 0;
    Transactor t(port, timing);
    const QByteArray identify = device::identifyRequest(5);
    const QByteArray reply = withCheckByte(hex("3E 05 FC 40 E2 01 00 86 00"));
    // Complete at ten bytes: what comes 30 ms later is not part of it. A pause of 30 ms inside the
    // reply does not end it while its check byte is still missing.
    port.answer = {{1, reply.left(4)}, {31, reply.mid(4)}, {61, hex("00")}};
    Transactor::Result r = t.exchange(identify);
    EXPECT_EQ(r.last.reply, reply);
    EXPECT_EQ(r.last.outcome, Outcome::Decoded);
    EXPECT_GE(r.last.firstByteMs, 0);
    EXPECT_GE(r.last.lastByteMs, r.last.firstByteMs) << "both arrival times kept";
    QTest::qWait(60);  // the stray byte comes, and is dropped before the next request
    // Open length (radio parameters): a whole frame ends after 20 ms of silence; no decoder reads it,
    // but with its command's code and a good check byte it is the acknowledgement.
    const QByteArray ack = withCheckByte(hex("3E 05 F4"));
    port.answer = {{1, ack}, {45, hex("00")}};
    r = t.exchange(device::setRadioParamsRequest(5, {"1", "5", "10"}).frame);
    EXPECT_EQ(r.last.reply, ack);
    EXPECT_TRUE(r.ok());
    QTest::qWait(30);
    // A reply that is not the answer (judged in tests/test_exchange.cpp) is retried, never taken.
    port.answer = {{1, withCheckByte(hex("3E 05 F7 00 00"))}};
    r = t.exchange(identify);
    EXPECT_EQ(r.attempts, 3);
    EXPECT_EQ(r.last.outcome, Outcome::OtherCode);
    // The new address acknowledges from there, as the request itself tells.
    port.answer = {{1, withCheckByte(hex("3E 09 FB"))}};
    EXPECT_TRUE(t.exchange(device::setNetAddressRequest(5, "9").frame).ok());
}

TEST(PollAnswer, ALongAnswerIsTakenOnlyWhenItReadsAsABusOfReaders) {
    QByteArray bus32;
    for (int a = 1; a <= 32; ++a) bus32 += char(a);
    Transaction t;
    t.reply = bus32;
    EXPECT_EQ(pollAddresses(t, true), bus32);
    EXPECT_EQ(pollAddresses(t, false), std::nullopt) << "the window's rule";
    for (const auto& [at, byte] : {std::pair{5, char(3)}, std::pair{31, char(201)}}) {
        t.reply = bus32;
        t.reply[at] = byte;
        EXPECT_EQ(pollAddresses(t, true), std::nullopt) << at;
    }
    t.reply = hex("3E 3F 40 41");  // readers 62..65: the answer looks like a frame
    EXPECT_EQ(pollAddresses(t, true), t.reply);
    t.value = device::PollAnswer{hex("0507")};
    EXPECT_EQ(pollAddresses(t, false), hex("0507"));
}

// A serial device server is a port: the simulated bus over TCP answers the client as it does over a pty; a
// server name that is not tcp://HOST:PORT is bad input, and a server that refuses is a port error.
TEST(CliProgram, ASerialDeviceServerIsReachedByItsTcpName) {
    sim::PtyHost host;
    ASSERT_TRUE(host.startTcp(QStringLiteral("127.0.0.1"), 0));
    const std::tuple<QString, int, QByteArray> runs[] = {
        {host.slavePath(), kDone, "сер. № 123456, тип 134, версия 1.3.4.\n"},
        {QStringLiteral("tcp://127.0.0.1"), kUsageError, ""},
        {QStringLiteral("tcp://127.0.0.1:1"), kPortError, ""},
    };
    for (const auto& [name, exitCode, out] : runs) {
        QProcess p;
        p.start(KESTREL_CLI_EXE, {"--port", name, "-a", "5", "identify"});
        ASSERT_TRUE(p.waitForFinished());
        EXPECT_EQ(p.exitCode(), exitCode) << name.toStdString();
        EXPECT_EQ(p.readAllStandardOutput(), out);
    }
}

// The program itself: help, version, and a JSON result over the pty; Ctrl-C ends watching and frees the port.
TEST(CliProgram, AnswersOverThePortAndStopsWatchingOnCtrlC) {
    sim::PtyHost host;
    ASSERT_TRUE(host.start());
    QProcess p;
    p.start(KESTREL_CLI_EXE, {"--version"});
    ASSERT_TRUE(p.waitForFinished());
    EXPECT_EQ(p.readAllStandardOutput(), "kestrel-cli " KESTREL_VERSION "\n");
    // The whole program's help is asked for below, in a language that is not there.
    p.start(KESTREL_CLI_EXE, {"tag", "--help"});
    ASSERT_TRUE(p.waitForFinished());
    EXPECT_EQ(p.exitCode(), kDone);
    EXPECT_TRUE(p.readAllStandardOutput().startsWith("tag search"));
    p.start(KESTREL_CLI_EXE, {"--port", host.slavePath(), "--json", "-a", "5", "identify"});
    ASSERT_TRUE(p.waitForFinished());
    EXPECT_EQ(p.exitCode(), kDone);
    EXPECT_EQ(QJsonDocument::fromJson(p.readAllStandardOutput()).object()[QLatin1String("serial")].toInt(),
              123456);
    // --trace on standard error, --log-file as the window's log.
    QTemporaryDir dir;
    const QString log = dir.filePath("bus.csv");
    p.start(KESTREL_CLI_EXE,
            {"--port", host.slavePath(), "-a", "5", "identify", "--trace", "--log-file", log});
    ASSERT_TRUE(p.waitForFinished());
    const QStringList trace = QString::fromUtf8(p.readAllStandardError()).split('\n');
    ASSERT_EQ(trace.size(), 3);
    EXPECT_TRUE(trace[0].endsWith(QStringLiteral(" > 31 05 FC 5D"))) << trace[0].toStdString();
    EXPECT_TRUE(trace[1].endsWith(QStringLiteral(" < 3E 05 FC 40 E2 01 00 86 00 48  decoded")))
        << trace[1].toStdString();
    QFile f(log);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QList<QStringList> rows = csv::parse(QString::fromUtf8(f.readAll()));
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0], traffic::csvHeader());
    EXPECT_EQ(rows[1].mid(1, 3), (QStringList{"5", "identify", "FC"}));
    EXPECT_EQ(rows[1][7], QStringLiteral("decoded"));

    p.start(KESTREL_CLI_EXE,
            {"--port", host.slavePath(), "--json", "-a", "5", "live", "--watch", "--interval", "50"});
    ASSERT_TRUE(p.waitForReadyRead());
    EXPECT_TRUE(QJsonDocument::fromJson(p.readLine()).object().contains(QLatin1String("level")));
    // A second client reaching the watched port through a symlink is refused, naming the holder, and the
    // watch goes on undisturbed.
    const QString link = dir.filePath("ttyBUS");
    ASSERT_TRUE(QFile::link(host.slavePath(), link));
    QProcess second;
    second.start(KESTREL_CLI_EXE, {"--port", link, "-a", "5", "identify"});
    ASSERT_TRUE(second.waitForFinished());
    EXPECT_EQ(second.exitCode(), kPortError);
    const QString refusal = QString::fromUtf8(second.readAllStandardError());
    EXPECT_TRUE(refusal.contains(QStringLiteral("PID %1").arg(p.processId()))) << refusal.toStdString();
    p.readAll();
    ASSERT_TRUE(p.waitForReadyRead());
    EXPECT_EQ(p.state(), QProcess::Running);
    ::kill(pid_t(p.processId()), SIGINT);
    ASSERT_TRUE(p.waitForFinished());
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), kDone);
    // Ctrl-C between the lines of a batch ends it there, and says so.
    p.start(KESTREL_CLI_EXE, {"--port", host.slavePath(), "batch", "-"});
    p.write(QByteArray("-a 5 settings\n").repeated(500));
    p.closeWriteChannel();
    ASSERT_TRUE(p.waitForReadyRead());
    ::kill(pid_t(p.processId()), SIGINT);
    ASSERT_TRUE(p.waitForFinished());
    EXPECT_EQ(p.exitCode(), kDeviceFailed);
    EXPECT_TRUE(p.readAllStandardOutput().trimmed().endsWith(", прерван"));
    QtSerialPort again;
    EXPECT_TRUE(again.open(host.slavePath()).ok) << "the port was released";
}

// The targets of backup and backup-site, as a shell gives them: what the command says (its exit code and
// the end of standard error), and what is left on disk: a backup that was there stays as it was after a
// failure; a pipe, a device or a link stays what it was; "-" is standard output. A file too large for the
// process's limit stands in for a full disk: it fails the same write, without a mount.
TEST(CliProgram, EveryFileTargetIsWrittenThroughOrLeftAsItWas) {
    sim::PtyHost host;
    ASSERT_TRUE(host.start());
    QTemporaryDir dir;
    const QString keep = dir.filePath("keep.json");
    struct Row {
        QString shell;  // run by bash in the temporary folder; $CLI is the client on the simulated bus
        int exitCode;
        QString error;  // the end of standard error
        QString check;  // a shell test of what is left, true when it holds
    };
    const QString backupOfFive = "grep -q '\"address\": 5' ";
    const Row rows[] = {
        {"$CLI -a 5 backup keep.json", 0, "", backupOfFive + "keep.json"},
        {"ln -s keep.json link.json; $CLI -a 5 backup link.json", 0, "",
         "[ -L link.json ] && [ \"$(readlink link.json)\" = keep.json ] && " + backupOfFive + "keep.json"},
        {"mkfifo pipe; cat pipe > got & $CLI -a 5 backup pipe; wait", 0, "",
         "[ -p pipe ] && " + backupOfFive + "got"},
        {"mkfifo lonely; $CLI -a 5 backup lonely", 4, "не удалось записать lonely: канал никто не читает\n",
         "[ -p lonely ] && grep -qx 'the good backup' keep.json"},
        {"$CLI -a 5 backup /dev/full", 4, "не удалось записать /dev/full: нет места на диске\n",
         "[ -c /dev/full ]"},
        {"$CLI -a 5 backup - > out", 0, "", "[ ! -e ./- ] && " + backupOfFive + "out"},
        {"$CLI -a 5 backup /dev/stdout | cat > out", 0, "", backupOfFive + "out"},
        {"echo first > out; $CLI -a 5 backup /dev/stdout >> out", 0, "",
         "[ \"$(head -1 out)\" = first ] && " + backupOfFive + "out"},
        {"$CLI backup-site - --addresses 5 > out", 0, "Площадка сохранена в -: считывателей 1\n",
         "[ ! -e ./- ] && grep -q '\"format\": \"kestrel-site\"' out"},
        {"ln -s loop2 loop1; ln -s loop1 loop2; $CLI -a 5 backup loop1", 4,
         "не удалось записать loop1: слишком много уровней символических ссылок\n",
         "[ \"$(readlink loop1)\" = loop2 ]"},
        {"trap '' XFSZ; exec prlimit --fsize=300 $CLI -a 5 backup keep.json", 4,
         "не удалось записать keep.json: файл слишком велик\n", "grep -qx 'the good backup' keep.json"},
        {"$CLI -a 5 backup no/such/folder.json", 4,
         "не удалось записать no/such/folder.json: нет такого файла или папки\n", "[ ! -e no ]"},
        {"$CLI -a 5 backup > /dev/full", 4, "не удалось записать стандартный вывод: нет места на диске\n",
         "[ -c /dev/full ]"},
        {"$CLI --json -a 5 identify > /dev/full", 4,
         "не удалось записать стандартный вывод: нет места на диске\n", "true"},
        // A reader that has gone is the normal end of a pipeline: no word, the documented code.
        {"$CLI inventory | true; exit ${PIPESTATUS[0]}", 4, "", "true"},
        {"$CLI --log-file . -a 5 identify > /dev/null", 0,
         "Не удалось записать журнал в файл .: это папка. Запись журнала в файл выключена.\n", "true"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.shell.toStdString());
        QFile old(keep);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("the good backup\n");
        old.close();
        QProcess p;
        p.setWorkingDirectory(dir.path());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("CLI", QStringLiteral(KESTREL_CLI_EXE " --port ") + host.slavePath());
        p.setProcessEnvironment(env);
        p.start("bash", {"-c", row.shell});
        ASSERT_TRUE(p.waitForFinished());
        EXPECT_EQ(p.exitCode(), row.exitCode);
        const QString error = QString::fromUtf8(p.readAllStandardError());
        EXPECT_TRUE(row.error.isEmpty() ? error.isEmpty() : error.endsWith(row.error)) << error.toStdString();
        QProcess check;
        check.setWorkingDirectory(dir.path());
        check.start("bash", {"-c", row.check});
        ASSERT_TRUE(check.waitForFinished());
        EXPECT_EQ(check.exitCode(), 0) << "left on disk: " << row.check.toStdString();
        QProcess::execute("bash",
                          {"-c", "cd " + dir.path() + " && rm -f link.json pipe lonely got out loop1 loop2"});
    }
}

// The monitor on the simulated bus, as a script runs it: a JSON object per reader per round, and at
// Ctrl-C a summary per reader; a reader that never answered makes the exit code 1. Reader 6 was given
// reader 5's serial number: both are flagged.
TEST(CliProgram, MonitorWritesEveryReaderEachRoundAndEndsWithItsSummary) {
    sim::PtyHost host;
    host.withBus([](sim::Bus& b) { return b.addReader(sim::Bus::defaultReader(6, 0)); });
    ASSERT_TRUE(host.start());
    QProcess p;
    p.start(KESTREL_CLI_EXE, {"--port", host.slavePath(), "--json", "monitor", "--addresses", "5,6,9",
                              "--interval", "20", "--timeout", "150", "--retries", "0"});
    std::map<int, QJsonObject> lastRow;  // by address
    while (lastRow.size() < 3 || lastRow[9].value("round").toInt() < 3) {
        ASSERT_TRUE(p.canReadLine() || p.waitForReadyRead(5000));
        while (p.canReadLine()) {
            QJsonParseError error;
            const QJsonObject o = QJsonDocument::fromJson(p.readLine(), &error).object();
            ASSERT_EQ(error.error, QJsonParseError::NoError);
            lastRow[o.value("address").toInt()] = o;
        }
    }
    EXPECT_EQ(lastRow[5].value("serial").toInt(), 123456);
    EXPECT_EQ(lastRow[5].value("state").toString(), QStringLiteral("answering"));
    EXPECT_TRUE(lastRow[5].contains("level"));
    EXPECT_EQ(lastRow[9].value("state").toString(), QStringLiteral("noReply"));
    EXPECT_EQ(lastRow[9].value("good").toInt(), 0);
    EXPECT_EQ(lastRow[5].value("duplicateSerial"), QJsonValue(true));
    EXPECT_EQ(lastRow[6].value("duplicateSerial"), QJsonValue(true));
    EXPECT_FALSE(lastRow[9].contains("duplicateSerial"));
    ::kill(pid_t(p.processId()), SIGINT);
    ASSERT_TRUE(p.waitForFinished());
    EXPECT_EQ(p.exitCode(), kDeviceFailed);
    QList<QByteArray> lines = p.readAllStandardOutput().trimmed().split('\n');
    ASSERT_GE(lines.size(), 4);  // the summaries of 5, 6 and 9, then the failure
    const QJsonObject five = QJsonDocument::fromJson(lines[lines.size() - 4]).object();
    const QJsonObject nine = QJsonDocument::fromJson(lines[lines.size() - 2]).object();
    EXPECT_EQ(QJsonDocument::fromJson(lines.last()).object().value("exitCode").toInt(), kDeviceFailed);
    EXPECT_TRUE(five.value("summary").toBool());
    EXPECT_EQ(five.value("good").toInt(), five.value("requests").toInt());
    EXPECT_EQ(nine.value("noReply").toInt(), nine.value("requests").toInt());
    EXPECT_GE(nine.value("requests").toInt(), 3);
    EXPECT_TRUE(p.readAllStandardError().endsWith("ни разу не ответили адреса: 9\n"));

    // Without --json and not on a terminal: a line per reader per round; SIGTERM ends it as Ctrl-C does.
    p.start(KESTREL_CLI_EXE, {"--port", host.slavePath(), "monitor", "--interval", "20"});
    while (!p.canReadLine()) ASSERT_TRUE(p.waitForReadyRead(5000));
    const QByteArray first = p.readLine();
    EXPECT_TRUE(first.contains(" адрес 5: серийный номер 123456*, уровень ")) << first.toStdString();
    ::kill(pid_t(p.processId()), SIGTERM);
    ASSERT_TRUE(p.waitForFinished());
    EXPECT_EQ(p.exitCode(), kDone);
    const QRegularExpression summary(QStringLiteral(
        "(^|\n)адрес 6: запросов (\\d+), ответов \\2, без ответа 0, ошибок проверки 0, чужих ответов 0\n$"));
    const QString plain = QString::fromUtf8(p.readAllStandardOutput());
    EXPECT_TRUE(summary.match(plain).hasMatch()) << plain.right(300).toStdString();
}

// On a terminal the monitor draws the roster as a table each round, a repeated serial number marked and
// explained. The first Ctrl-C waits for the exchange in progress (reader 6, fallen silent, is given 10 s);
// a second one ends it at once.
TEST(CliProgram, OnATerminalTheMonitorDrawsATableAndASecondCtrlCEndsItAtOnce) {
    sim::PtyHost host;
    host.withBus([](sim::Bus& b) { return b.addReader(sim::Bus::defaultReader(6, 0)); });
    ASSERT_TRUE(host.start());
    // Runs the monitor with a terminal for its output until its second screen begins; gives the first.
    auto firstScreen = [&](QProcess& p, const QString& addresses) {
        const int terminal = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        EXPECT_TRUE(terminal >= 0 && ::grantpt(terminal) == 0 && ::unlockpt(terminal) == 0);
        p.setStandardOutputFile(QString::fromLocal8Bit(::ptsname(terminal)));
        p.start(KESTREL_CLI_EXE, {"--port", host.slavePath(), "monitor", "--addresses", addresses,
                                  "--timeout", "10000", "--retries", "0"});
        QString screen;
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                char buffer[4096];
                for (ssize_t n; (n = ::read(terminal, buffer, sizeof buffer)) > 0;)
                    screen += QString::fromUtf8(buffer, int(n)).remove(QLatin1Char('\r'));
                return screen.contains(QStringLiteral("monitor: круг 2, "));
            },
            15000))
            << screen.toStdString();
        ::close(terminal);
        return screen.left(screen.indexOf(QStringLiteral("\x1b[H"), 1));
    };
    QProcess alone;
    const QString five = firstScreen(alone, QStringLiteral("5"));
    EXPECT_TRUE(five.startsWith("\x1b[H\x1b[2Jkestrel-cli monitor: круг 1, ")) << five.toStdString();
    EXPECT_TRUE(five.contains("\nАдрес  Серийный  Уровень  Темп.    Текущее  Успешно    Ответ  Состояние\n"));
    EXPECT_TRUE(five.contains("\n    5    123456      ")) << five.toStdString();
    EXPECT_FALSE(five.contains(QStringLiteral("повторяется"))) << five.toStdString();
    alone.terminate();
    ASSERT_TRUE(alone.waitForFinished(3000));

    QProcess p;
    const QString both = firstScreen(p, QStringLiteral("5,6"));
    EXPECT_TRUE(both.contains("\n    5   123456*      ")) << both.toStdString();
    EXPECT_TRUE(both.contains("\n    6   123456*      ")) << both.toStdString();
    EXPECT_TRUE(both.endsWith("\n* серийный номер повторяется у другого считывателя\n"))
        << both.toStdString();
    host.injectFault(sim::FaultKind::Silence, sim::kUntilCleared, 6);
    QTest::qWait(300);  // reader 5's exchange is over, reader 6's has begun
    ::kill(pid_t(p.processId()), SIGINT);
    EXPECT_FALSE(p.waitForFinished(300));
    ::kill(pid_t(p.processId()), SIGINT);
    ASSERT_TRUE(p.waitForFinished(5000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
}

// Watching with no reading at all did not succeed; each failure line carries its time.
TEST(CliProgram, WatchingThatNeverGotAReadingEndsWithExitCode1) {
    sim::PtyHost host;
    ASSERT_TRUE(host.start());
    QProcess p;
    p.start(KESTREL_CLI_EXE, {"--port", host.slavePath(), "-a", "9", "live", "--watch", "--interval", "10",
                              "--timeout", "20", "--retries", "0"});
    p.setReadChannel(QProcess::StandardError);
    ASSERT_TRUE(p.waitForReadyRead());
    ::kill(pid_t(p.processId()), SIGINT);
    ASSERT_TRUE(p.waitForFinished());
    EXPECT_EQ(p.exitCode(), kDeviceFailed);
    const QStringList lines = QString::fromUtf8(p.readAllStandardError()).trimmed().split('\n');
    ASSERT_GE(lines.size(), 2);
    const QRegularExpression timed(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d "));
    EXPECT_TRUE(timed.match(lines.first()).hasMatch()) << lines.first().toStdString();
    EXPECT_TRUE(lines.first().endsWith(QStringLiteral("адрес 9: нет ответа (попыток: 1)")));
    EXPECT_TRUE(lines.last().endsWith(QStringLiteral("адрес 9: ни одного показания")));
}

// --lang en: every text the client prints is English (the translation is found beside the program); an
// unknown language is named on standard error and the client goes on in Russian.
TEST(CliProgram, SpeaksEnglishWhenAskedAndSaysWhichLanguagesThereAre) {
    sim::PtyHost host;
    ASSERT_TRUE(host.start());
    const QRegularExpression cyrillic(QStringLiteral("[\\x{0400}-\\x{04FF}]"));
    const QString port = host.slavePath();
    const QList<QStringList> english = {{"--help"},
                                        {"tag", "--help"},
                                        {"--port", port, "-a", "5", "identify"},
                                        {"--port", port, "-a", "5", "settings"},
                                        {"--port", port, "-a", "5", "set-address", "300"},
                                        {"--port", port, "-a", "9", "identify", "--retries", "0"},
                                        {"-a", "5", "frobnicate"}};
    QProcess p;
    for (const QStringList& arguments : english) {
        p.start(KESTREL_CLI_EXE, QStringList{"--lang", "en"} + arguments);
        ASSERT_TRUE(p.waitForFinished());
        const QString out = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
        EXPECT_FALSE(out.isEmpty()) << arguments.join(' ').toStdString();
        EXPECT_FALSE(out.contains(cyrillic))
            << arguments.join(' ').toStdString() << ": " << out.toStdString();
    }
    p.start(KESTREL_CLI_EXE, {"--lang", "de", "--help"});
    ASSERT_TRUE(p.waitForFinished());
    EXPECT_EQ(p.exitCode(), kDone);
    EXPECT_TRUE(p.readAllStandardError().contains("unknown language 'de' (available: ru, en)"));
    EXPECT_TRUE(p.readAllStandardOutput().startsWith("Использование: kestrel-cli"));
    p.start(KESTREL_CLI_EXE, {"--help", "--lang"});
    ASSERT_TRUE(p.waitForFinished());
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << "--lang last, without its value";
    EXPECT_TRUE(p.readAllStandardError().contains("у параметра --lang нет значения"));

    // Installed, the client finds its translation in the share folder beside its own.
    QTemporaryDir installed;
    ASSERT_TRUE(QDir().mkpath(installed.filePath("bin")));
    ASSERT_TRUE(QDir().mkpath(installed.filePath("share/kestrel-tool/translations")));
    ASSERT_TRUE(QFile::copy(KESTREL_CLI_EXE, installed.filePath("bin/kestrel-cli")));
    ASSERT_TRUE(QFile::copy(KESTREL_QM_DIR "/kestrel_en.qm",
                            installed.filePath("share/kestrel-tool/translations/kestrel_en.qm")));
    p.start(installed.filePath("bin/kestrel-cli"), {"--lang", "en", "--help"});
    ASSERT_TRUE(p.waitForFinished());
    EXPECT_TRUE(p.readAllStandardOutput().startsWith("Usage: kestrel-cli"));
    EXPECT_EQ(p.readAllStandardError(), QByteArray());
}

TEST(CliProgram, StatsPrintsALogsCountsPerAddressWithoutAPortAndNamesItsBadRows) {
    QTemporaryDir dir;
    const QString log = dir.filePath("site.csv"), foreign = dir.filePath("other.csv");
    QFile file(log);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(
        "time,address,command,code,request,reply,reply_ms,outcome,meaning\r\n"
        "2026-12-07T10:00:00.000+03:00,5,current-params,F0,31 05 F0 FE,3E 05 F0 00 9C,12,decoded,x\r\n"
        "2026-12-07T10:00:00.500+03:00,5,current-params,F0,31 05 F0 FE,,,no-reply,\r\n"
        "2026-12-07T10:00:01.000+03:00,5,current-params,F0,31 05 F0 FE,3E 05 F0 00,20,bad-crc,\r\n"
        "garbage\r\n"
        "2026-12-07T10:00:01.500+03:00,7,identify,FC,31 07 FC 00,3E 07 FC 00 11,8,decoded,y\r\n");
    file.close();
    ASSERT_TRUE(file.copy(foreign) && QFile::resize(foreign, 20));  // "time,address,command": another header
    // A file of one endless line, a site file past the limit, and a loop of links.
    const QString oneLine = dir.filePath("one.csv"), big = dir.filePath("big.json"),
                  loop = dir.filePath("loop");
    for (const auto& [path, size] : {std::pair(oneLine, 3 << 20), std::pair(big, (1 << 20) + 1)}) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly) &&
                    f.write(QByteArray(size, path == big ? ' ' : 'a')) == size);
    }
    ASSERT_TRUE(QFile::link(loop, loop));
    const QString fifo = dir.filePath("fifo");  // a named pipe nobody writes: read as empty, never waited on
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const struct {
        QStringList arguments;
        int exitCode;
        QString out, err;
    } rows[] = {
        {{"stats", log},
         0,
         "Журнал " + log +
             ": строк 4 (событий 0, с ошибками 1)\n"
             "адрес запросов ответов нет_ответа ошибка_CRC мусор прочие успех,% мс_мин мс_медиана мс_макс "
             "эхо_убрано\n"
             "5 3 1 1 1 0 0 33.3 12 12 20 0\n7 1 1 0 0 0 0 100.0 8 8 8 0\n",
         log + ", строка 5: ячеек 1, в заголовке 9\n"},
        {{"--json", "stats", log},
         0,
         R"({"addresses":[{"address":5,"decoded":1,"echoRemoved":0,"garbage":0,"maxReplyMs":20,"medianReplyMs":12,)"
         R"("minReplyMs":12,"noReply":1,"other":0,"requests":3,"successPercent":33.3,"wrongCheckByte":1},)"
         R"({"address":7,"decoded":1,"echoRemoved":0,"garbage":0,"maxReplyMs":8,"medianReplyMs":8,"minReplyMs":8,"noReply":0,)"
         R"("other":0,"requests":1,"successPercent":100,"wrongCheckByte":0}],"badRows":1,"command":"stats",)"
         R"("events":0,"file":")" +
             log +
             R"(","ok":true,"rows":4})"
             "\n",
         log + ", строка 5: ячеек 1, в заголовке 9\n"},
        {{"stats", foreign},
         2,
         "",
         "Файл " + foreign +
             " не загружен: строка 1: «time,address,command» - не заголовок журнала обмена этой "
             "программы (файл другой программы или версии).\n"},
        {{"stats", dir.path()}, 4, "", "Не удалось прочитать файл " + dir.path() + ": это папка.\n"},
        {{"stats", oneLine},
         2,
         "",
         "Файл " + oneLine +
             " не загружен: строка 1: первая строка длиннее 16384 байт - не заголовок журнала обмена.\n"},
        {{"stats", loop},
         4,
         "",
         "Не удалось прочитать файл " + loop + ": слишком много уровней символических ссылок.\n"},
        {{"restore-site", big},
         2,
         "",
         big + ": файл больше 1 МиБ (1048576 байт); файл копии или площадки не бывает больше\n"},
        {{"restore-site", fifo},
         2,
         "",
         fifo + ": не файл площадки (нужен объект JSON: недопустимое значение)\n"},
        // Under --json a line that cannot be read is an object too.
        {{"--json", "monitor", "--interval", "0"},
         2,
         R"({"command":"monitor","error":"--interval: нужно число миллисекунд от 10 до 3600000","exitCode":2,"ok":false})"
         "\n",
         "--interval: нужно число миллисекунд от 10 до 3600000\n"},
        {{"--json", "--silence", "0", "scan"},
         2,
         R"({"command":"scan","error":"--silence: нужно целое число от 1 до 10000","exitCode":2,"ok":false})"
         "\n",
         "--silence: нужно целое число от 1 до 10000\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.arguments.join(' ').toStdString());
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("KESTREL_PORT");
        p.setProcessEnvironment(env);
        p.start(KESTREL_CLI_EXE, row.arguments);
        ASSERT_TRUE(p.waitForFinished());
        EXPECT_EQ(p.exitCode(), row.exitCode);
        EXPECT_EQ(QString::fromUtf8(p.readAllStandardOutput()), row.out);
        EXPECT_EQ(QString::fromUtf8(p.readAllStandardError()), row.err);
    }
}

}  // namespace
}  // namespace kestrel::cli

namespace kestrel::cli {
namespace {

// The client through the simulator as real adapters make the line: one that echoes every request, and
// one whose USB chip hands bytes over in chunks 16 ms apart. Every exchange is answered at the first try.
TEST(CliProgram, ReadsTheBusThroughAnEchoingAdapterAndOneThatDeliversInChunks) {
    const struct {
        QStringList sim;
        QString echoCell;  // the log's echo column on every row
    } cases[] = {{{"--echo"}, "removed"}, {{"--latency", "16", "--turnaround", "3"}, ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sim.join(' ').toStdString());
        QProcess sim;
        sim.start(KESTREL_SIM_EXE, QStringList{"--readers", "5,7"} + c.sim);
        ASSERT_TRUE(sim.waitForReadyRead(5000));
        const QString path = QString::fromUtf8(sim.readLine()).trimmed();
        QTemporaryDir dir;
        QProcess cli;
        cli.start(KESTREL_CLI_EXE, {"--port", path, "inventory", "--log-file", dir.filePath("log.csv")});
        ASSERT_TRUE(cli.waitForFinished(20000));
        EXPECT_EQ(cli.exitCode(), kDone) << cli.readAllStandardError().toStdString();
        EXPECT_EQ(QString::fromUtf8(cli.readAllStandardOutput()).count(QStringLiteral("сер. №")), 2);
        QFile log(dir.filePath("log.csv"));
        ASSERT_TRUE(log.open(QIODevice::ReadOnly));
        const QList<QStringList> rows = csv::parse(QString::fromUtf8(log.readAll())).mid(1);
        EXPECT_EQ(rows.size(), 5) << "the scan, and identification and settings of each reader, each once";
        for (const QStringList& row : rows) {
            EXPECT_EQ(row.value(7), QStringLiteral("decoded")) << row.join(',').toStdString();
            EXPECT_EQ(row.value(9), c.echoCell);
        }
        sim.terminate();
        sim.waitForFinished();
    }
}

// A site commissioned from its plan: the bus checked against it, then the plan applied. A reader with
// another serial and a silent one are named and never written; what is already as planned is not written.
TEST_F(CliOnSimBus, ThePlanIsCheckedAgainstTheBusAndAppliedOnlyWhereTheSerialMatches) {
    host.withBus([](sim::Bus& b) {
        for (int i : {1, 2, 3}) b.addReader(sim::Bus::defaultReader(quint8(i == 3 ? 9 : 5 + i), i));
    });
    QTemporaryDir dir;
    const QString plan = dir.filePath("site.csv");
    ASSERT_TRUE(test::writeFile(plan,
                                "\xEF\xBB\xBF"
                                "address;name;serial;network;channel;power;mode;tags\r\n"
                                "5;A;123456;1;5;10;2;\r\n"
                                "6;B;;1000;7;;;A1\r\n"
                                "7;C;999;;;;;\r\n"
                                "8;D;;;;;;\r\n"));
    const QString fast = QStringLiteral("--retries 0 --timeout 100 --scan-wait 100 ");
    ASSERT_EQ(run(fast + "plan check " + plan), kDeviceFailed) << err.toStdString();
    EXPECT_EQ(out,
              "адрес 5 (A): ok: как в плане, серийный номер 123456\n"
              "адрес 6 (B): differs: серийный номер 123457; network 1, по плану 1000; channel 5, по плану 7; "
              "tags 1123456 1ABCDEF, по плану 00000A1\n"
              "адрес 7 (C): other-serial: серийный номер 123458, по плану 999\n"
              "адрес 8 (D): missing: не отвечает\n"
              "адрес 9: extra: серийный номер 123459; в плане его нет\n"
              "План " +
                  plan + ": как в плане 1 из 4, лишних на шине 1\n");
    ASSERT_EQ(run(fast + "--json plan check " + plan), kDeviceFailed);
    const QJsonObject six = QJsonDocument::fromJson(out.split('\n')[1].toUtf8()).object();
    EXPECT_EQ(six["state"].toString(), "differs");
    EXPECT_EQ(six["serial"].toInt(), 123457);
    EXPECT_EQ(six["differences"].toArray()[0].toObject(),
              (QJsonObject{{"field", "network"}, {"planned", "1000"}, {"found", "1"}}));

    ASSERT_EQ(run(fast + "plan apply " + plan + " --verify"), kDeviceFailed);
    EXPECT_EQ(out,
              "адрес 5 (A), серийный номер 123456: уже как в плане, ничего не записано; проверено\n"
              "адрес 6 (B), серийный номер 123457: записано radio, bound-ids 1, bound-ids 2; проверено; в "
              "плане серийного номера нет: взят считыватель, найденный по адресу\n"
              "План " +
                  plan + ": применён к 2 из 4\n");
    EXPECT_EQ(err,
              "адрес 7 (C), серийный номер 123458: серийный номер 123458, по плану 999; ничего не записано\n"
              "адрес 8 (D), -: не отвечает; ничего не записано\n");
    const QStringList toSeven = wire.filter(QRegularExpression("^31 07 "));
    EXPECT_EQ(toSeven, (QStringList{frame(7, 0xFC), frame(7, 0xF0)})) << "read, never written";
    EXPECT_EQ(wire.filter(QRegularExpression("^31 06 ")).size(), 3 + 3 + 3) << wire.join(" | ").toStdString();
    ASSERT_EQ(run(fast + "plan check " + plan), kDeviceFailed);
    EXPECT_TRUE(
        out.startsWith("адрес 5 (A): ok: как в плане, серийный номер 123456\n"
                       "адрес 6 (B): ok: как в плане, серийный номер 123457\n"))
        << out.toStdString();
    // The journal beside the plan holds every write, in the plan's own separator.
    QFile journal(dir.filePath("site.journal.csv"));
    ASSERT_TRUE(journal.open(QIODevice::ReadOnly));
    QStringList actions;
    for (const QStringList& record : csv::parse(QString::fromUtf8(journal.readAll()), ';'))
        actions << record.mid(1).join(' ');
    EXPECT_EQ(actions, (QStringList{"address serial action outcome", "5 123456 verify verified",
                                    "6 123457 radio written", "6 123457 bound-ids 1 written",
                                    "6 123457 bound-ids 2 written", "6 123457 verify verified"}));
    // The report: a row per planned reader and the extra one, with what the journal says was done.
    const QString report = dir.filePath("report.csv");
    ASSERT_EQ(run(fast + "plan report " + plan + " --out " + report), kDone) << err.toStdString();
    QFile r(report);
    ASSERT_TRUE(r.open(QIODevice::ReadOnly));
    const QList<QStringList> rows = csv::parse(QString::fromUtf8(r.readAll()), ';');
    ASSERT_EQ(rows.size(), 2 + 5);
    EXPECT_EQ(rows[0].mid(0, 2), (QStringList{"Площадка", "site"}));
    EXPECT_EQ(rows[1], (QStringList{"Имя", "Адрес", "Серийный номер", "По плану", "Найдено",
                                    "Записано и проверено", "Состояние"}));
    EXPECT_EQ(rows[3].mid(0, 5), (QStringList{"B", "6", "123457", "network 1000, channel 7, tags 00000A1",
                                              "network 1000, channel 7, power 10, mode 2, tags 00000A1"}));
    EXPECT_TRUE(rows[3][5].startsWith("radio: written ")) << rows[3][5].toStdString();
    EXPECT_EQ(rows[3][6], "ok");
    EXPECT_EQ(rows[4][6], "other-serial");
    EXPECT_EQ(rows[6].mid(1, 3), (QStringList{"9", "123459", ""}));
    EXPECT_EQ(rows[6][6], "extra");
    const QString html = dir.filePath("report.html");
    ASSERT_EQ(run(fast + "plan report " + plan + " --out " + html), kDone);
    QFile h(html);
    ASSERT_TRUE(h.open(QIODevice::ReadOnly));
    const QString page = QString::fromUtf8(h.readAll());
    EXPECT_EQ(page.count("<tr>"), 1 + 5);
    EXPECT_FALSE(page.contains("<script"));
    EXPECT_EQ(run("plan report " + plan + " --out report.pdf"), kUsageError);
    // As JSON, an applied reader says what was written and that it was read back.
    ASSERT_EQ(run(fast + "--json plan apply " + plan + " --verify"), kDeviceFailed);
    const QJsonObject five = QJsonDocument::fromJson(out.split('\n')[0].toUtf8()).object();
    EXPECT_EQ(five["serial"].toInt(), 123456);
    EXPECT_EQ(five["written"].toArray(), QJsonArray());
    EXPECT_EQ(five["verified"], QJsonValue(true));
}

// A planned reader that answers with garbage is missing too, and its line says what came.
TEST_F(CliOnSimBus, APlannedReaderAnsweringGarbageIsMissingAndSaysSo) {
    QTemporaryDir dir;
    const QString plan = dir.filePath("site.csv");
    ASSERT_TRUE(test::writeFile(plan, "address,name\n5,A\n"));
    host.injectFault(sim::FaultKind::Garbage, sim::kUntilCleared, 5);
    ASSERT_EQ(run("--retries 0 --timeout 100 --scan-wait 50 plan check " + plan), kDeviceFailed);
    EXPECT_TRUE(out.startsWith("адрес 5 (A): missing: не отвечает понятно: мусор\n")) << out.toStdString();
    // A plan file too large for any site is refused as a plan, before anything is sent.
    ASSERT_TRUE(test::writeFile(plan, QByteArray(2 << 20, '\n')));
    ASSERT_EQ(run("plan check " + plan), kUsageError);
    EXPECT_EQ(err, plan + ": файл больше 1 МиБ (1048576 байт); план площадки не бывает больше\n");
    EXPECT_TRUE(wire.isEmpty());
}

// A reader that falls silent in the middle of an apply: the output says what was written and what may
// have been; the same command run again writes only what is not there yet.
TEST_F(CliOnSimBus, AnApplyCutShortIsFinishedByTheSameCommandWithoutWritingTwice) {
    host.withBus([](sim::Bus& b) { return b.addReader(sim::Bus::defaultReader(6, 1)); });
    QTemporaryDir dir;
    const QString plan = dir.filePath("site.csv");
    ASSERT_TRUE(test::writeFile(plan, "address,name,network,tags\n6,B,1000,A1\n"));
    const QString radio = device::setRadioParamsRequest(6, {"1000", "5", "10"}).frame.toHex(' ').toUpper();
    const auto silence = QObject::connect(&transactor, &Transactor::attempted, [&](const Transaction& t) {
        if (t.request.toHex(' ').toUpper() == radio)
            host.injectFault(sim::FaultKind::Silence, sim::kUntilCleared, 6);
    });
    ASSERT_EQ(run("--retries 0 --timeout 100 plan apply " + plan + " --verify"), kDeviceFailed);
    EXPECT_EQ(err,
              "адрес 6 (B), серийный номер 123457: адрес 6: нет ответа (попыток: 1); записано: radio; "
              "неизвестно, записано ли: bound-ids 1; не записано: bound-ids 2\n");
    QObject::disconnect(silence);
    host.clearFaults();
    ASSERT_EQ(run("--retries 0 --timeout 100 plan apply " + plan + " --verify"), kDone) << err.toStdString();
    EXPECT_TRUE(out.startsWith("адрес 6 (B), серийный номер 123457: записано bound-ids 2; проверено"))
        << out.toStdString() << "the silent reader took bound-ids 1 all the same";
    EXPECT_TRUE(wire.filter(radio).isEmpty()) << "the radio parameters are not written twice";
}

// New readers, one at a time at the factory address 0, each moved to the first free row of the plan, whose
// serial is filled into the file. A garbled answer at 0, or a plan with no free row, writes nothing.
TEST_F(CliOnSimBus, NewReadersAreAssignedTheirPlannedAddressesOneAtATime) {
    host.withBus([](sim::Bus& b) {
        b.removeReader(5);
        return b.addReader(sim::Bus::defaultReader(0, 10));
    });
    QTemporaryDir dir;
    const QString plan = dir.filePath("site.csv");
    ASSERT_TRUE(test::writeFile(plan, "address,name,serial,network\r\n1,Tank 1,,1000\r\n2,Tank 2,,\r\n"));
    const auto planText = [&] {
        QFile p(plan);
        return p.open(QIODevice::ReadOnly) ? p.readAll() : QByteArray();
    };
    ASSERT_EQ(run("--retries 0 --timeout 100 plan assign " + plan + " --from 0"), kDone) << err.toStdString();
    EXPECT_EQ(out,
              "адрес 1 (Tank 1): серийный номер 123466 записан в план\n"
              "адрес 1 (Tank 1): считыватель 123466 перенесён с адреса 0\n"
              "адрес 1 (Tank 1), серийный номер 123466: записано radio; проверено\n");
    EXPECT_EQ(planText(),
              QByteArray("address,name,serial,network\r\n1,Tank 1,123466,1000\r\n2,Tank 2,,\r\n"));
    EXPECT_EQ(host.withBus([](sim::Bus& b) { return b.addresses(); }), QList<quint8>{1});

    host.withBus([](sim::Bus& b) { return b.addReader(sim::Bus::defaultReader(0, 11)); });
    host.injectFault(sim::FaultKind::Garbage, sim::kUntilCleared, 0);
    ASSERT_EQ(run("--retries 1 plan assign " + plan + " --from 0"), kDeviceFailed);
    EXPECT_EQ(err, "по адресу 0 ответ искажён: отвечает не один считыватель? Ничего не записано\n");
    EXPECT_EQ(wire, (QStringList{frame(0, 0xFC), frame(0, 0xFC)})) << "asked who it is, nothing else";
    host.clearFaults();
    ASSERT_EQ(run("--retries 0 --timeout 100 plan assign " + plan + " --from 0"), kDone) << err.toStdString();
    EXPECT_EQ(planText(),
              QByteArray("address,name,serial,network\r\n1,Tank 1,123466,1000\r\n2,Tank 2,123467,\r\n"));
    EXPECT_EQ(host.withBus([](sim::Bus& b) { return b.addresses(); }), (QList<quint8>{1, 2}));

    host.withBus([](sim::Bus& b) { return b.addReader(sim::Bus::defaultReader(0, 12)); });
    ASSERT_EQ(run("plan assign " + plan + " --from 0"), kUsageError);
    EXPECT_EQ(
        err, plan + ": в плане нет строки без серийного номера для считывателя 123468; ничего не записано\n");
    EXPECT_EQ(wire, QStringList{frame(0, 0xFC)});
}

// Every tag the site hears, one line each, with the reader that hears it best: reader 5's two tags, and
// reader 7's own tag and one of reader 5's, which 7 hears more strongly. Each reader is searched until a tag
// comes round again.
TEST_F(CliOnSimBus, TagsListsEveryTagOfTheSiteWithTheReaderThatHearsItBest) {
    host.withBus([](sim::Bus& b) {
        sim::Reader seven = sim::Bus::defaultReader(7, 1, 1);
        sim::Tag shared = b.reader(5)->tags[1];
        shared.level = -20;
        seven.tags.push_back(shared);
        return b.addReader(seven);
    });
    const auto tagsOf = [&](quint8 a) {
        return host.withBus([a](sim::Bus& b) { return b.reader(a)->tags; });
    };
    const std::vector<sim::Tag> five = tagsOf(5), seven = tagsOf(7);
    ASSERT_EQ(five.size(), 2u);
    ASSERT_EQ(seven.size(), 2u);
    ASSERT_EQ(run("tags"), kDone) << err.toStdString();
    // The reception levels flicker by a count as the simulated bus runs: the line up to the level.
    const auto line = [](const sim::Tag& t, int reader) {
        return QStringLiteral("метка %1: серийный номер %2, считыватель %3, уровень ")
            .arg(formatHexId(t.identifier))
            .arg(t.serial)
            .arg(reader);
    };
    const QStringList lines = out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4) << out.toStdString();
    EXPECT_TRUE(lines[0].startsWith(line(five[0], 5))) << lines[0].toStdString();
    EXPECT_TRUE(lines[1].startsWith(line(seven[1], 7))) << "heard better by 7: " << lines[1].toStdString();
    EXPECT_GE(lines[1].section(QStringLiteral("уровень "), 1).section(',', 0, 0).toInt(), -22);
    EXPECT_TRUE(lines[2].startsWith(line(seven[0], 7))) << lines[2].toStdString();
    EXPECT_EQ(lines[3], "Меток на площадке: 3, считывателей опрошено: 2");
    const QString search5 = frame(5, 0xE0, "7A7A7A7A"), search7 = frame(7, 0xE0, "7A7A7A7A");
    EXPECT_EQ(wire.count(search5), 3) << "two tags, then the first again";
    EXPECT_EQ(wire.count(search7), 3);
    ASSERT_EQ(run("--json tags --addresses 7"), kDone);
    EXPECT_EQ(QJsonDocument::fromJson(out.split('\n')[0].toUtf8()).object()["reader"].toInt(), 7);
    // A reader that hears more tags than it is searched for: 16 searches, 16 tags.
    host.withBus([](sim::Bus& b) { return b.addReader(sim::Bus::defaultReader(8, 2, 20)); });
    ASSERT_EQ(run("tags --addresses 8"), kDone);
    EXPECT_EQ(out.count(QStringLiteral(", считыватель 8, ")), 16);
    EXPECT_EQ(wire.count(frame(8, 0xE0, "7A7A7A7A")), 16);
}

}  // namespace
}  // namespace kestrel::cli
