// The real window against the simulated bus over a pseudo-terminal: the demo, the typical road (search the
// bus, identify the reader found, see its live data, give it a new address) and a pulled adapter with
// reconnecting off. The other faults at the port are in test_port_faults.cpp.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProgressBar>
#include <QTemporaryDir>
#include <csignal>

#include "app/demo.h"
#include "app/quitsignals.h"
#include "sim/replay.h"
#include "traffic/csv.h"
#include "ui/trafficlog.h"
#include "ui/trend.h"
#include "window_harness.h"

using namespace kestrel;
using namespace kestrel::test;

namespace {
class EndToEnd : public WindowOnSimBus {};
}  // namespace

TEST(Demo, OpeningTheDemoPortBringsTheReaderTabAliveWithRealTicks) {
    QString error;
    auto bus = startDemoBus(&error);
    ASSERT_TRUE(bus) << error.toStdString();
    QtSerialPort serial;
    serial.setLeadingPaths({bus->slavePath()});
    ScriptedDialogs dialogs;
    MainWindow::Options options;
    options.showStartupPicture = false;
    // The real 500 ms ticks and read window.
    MainWindow window(std::make_unique<DeviceSession>(serial, DeviceSession::Options{}), serial, dialogs,
                      options);
    window.scanPorts();
    auto* ports = window.findChild<QComboBox*>(QStringLiteral("CmbPort"));
    ASSERT_EQ(ports->currentIndex(), 0);
    EXPECT_EQ(ports->currentText(), bus->slavePath()) << "the simulated bus is listed first and selected";
    window.findChild<QPushButton*>(QStringLiteral("BTNOpenCom"))->click();
    auto label = [&](const char* name) {
        return window.findChild<QLabel*>(QString::fromLatin1(name))->text();
    };
    EXPECT_TRUE(QTest::qWaitFor([&] { return label("MsgCom") == QStringLiteral("Приняты данные"); }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return label("tek") != QStringLiteral("нет данных"); }, 5000));
    EXPECT_EQ(label("ne"), QStringLiteral("0"));
    auto* network = window.findChild<QLineEdit*>(QStringLiteral("num_net"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return network->text() == QStringLiteral("1"); }, 5000))
        << "the second long reply loads the radio parameters";
    EXPECT_TRUE(dialogs.messages.empty());
    window.close();
    EXPECT_FALSE(serial.isOpen());
}

TEST_F(EndToEnd, PullingTheAdapterClosesThePortOnceAndTheScanResumes) {
    ASSERT_TRUE(started);
    window->findChild<QAction*>(QStringLiteral("actionReconnect"))->setChecked(false);
    openPort();
    const QString path = host.slavePath();
    chooseAddress(QStringLiteral("5"));
    exchange();
    host.injectFault(sim::FaultKind::HangUp, 1);
    for (int i = 0; i < 4 && serial.isOpen(); ++i) exchange();
    EXPECT_TRUE(QTest::qWaitFor([this] { return !dialogs.messages.empty(); }, 2000));
    QTest::qWait(200);
    EXPECT_EQ(dialogs.messageTexts(), QStringList{QStringLiteral("ошибка чтения из порта")})
        << "why the port went, as the client says it";
    EXPECT_FALSE(serial.isOpen());
    EXPECT_FALSE(partOf<ExchangeCycle>(*window).isRunning());
    EXPECT_TRUE(partOf<PortPanel>(*window).scanTimer().isActive()) << "the port scan resumes";
    EXPECT_TRUE(ctl(QStringLiteral("BTNOpenCom"))->isEnabled());
    // The kernel removes the node a moment after the hang-up; another test's pty may take its number
    // again at once, and a path that exists is listed, so the check holds while the node is gone.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !QFile::exists(path); }, 3000));
    window->scanPorts();
    const bool listed = ctl<QComboBox>(QStringLiteral("CmbPort"))->findText(path) >= 0;
    EXPECT_TRUE(!listed || QFile::exists(path)) << "the vanished device is no longer listed";
}

TEST_F(EndToEnd, SearchIdentifyLiveDataThenNewAddress) {
    ASSERT_TRUE(started);
    openPort();
    click(QStringLiteral("Opros"));
    EXPECT_EQ(pending(), hex("31 FF DC"));
    auto* cmb = ctl<QComboBox>(QStringLiteral("CmbNet"));
    for (int i = 0; i < 3 && text(QStringLiteral("MsgCom")) != QStringLiteral("Произошел опрос сети."); ++i)
        exchange();
    ASSERT_EQ(text(QStringLiteral("MsgCom")), QStringLiteral("Произошел опрос сети."));
    ASSERT_EQ(cmb->count(), 1);
    EXPECT_EQ(cmb->currentText(), QStringLiteral("5"));
    EXPECT_EQ(text(QStringLiteral("netdev")), QStringLiteral("5 "));

    // The reader tab comes alive.
    QSet<quint32> lampColours;
    for (int i = 0; i < 8; ++i) {
        exchange();
        lampColours.insert(ctl<Lamp>(QStringLiteral("Pic"))->colour());
    }
    const quint32 serial = host.withBus([](sim::Bus& b) { return b.reader(5)->serial; });
    EXPECT_EQ(text(QStringLiteral("sn")), QString::number(serial));
    EXPECT_EQ(text(QStringLiteral("vv")), QStringLiteral("1.3.4."));
    EXPECT_EQ(text(QStringLiteral("ne")), QStringLiteral("5"));
    EXPECT_NE(text(QStringLiteral("tek")), QStringLiteral("нет данных"));
    const int level = text(QStringLiteral("uroven")).toInt();
    EXPECT_EQ(ctl<QProgressBar>(QStringLiteral("ProgressBar1"))->value(), level);
    EXPECT_TRUE(lampColours.contains(0x0000FF)) << "red when replies arrive";

    dialogs.inputs = {QStringLiteral("7")};
    click(QStringLiteral("net"));
    EXPECT_TRUE(pending().endsWith(hex("31 05 FB 07 CB")));
    bool shown = false;
    for (int i = 0; i < 4 && !shown; ++i) {
        exchange();
        shown = text(QStringLiteral("MsgCom")) == QStringLiteral(" Установлен сетевой номер.");
    }
    EXPECT_TRUE(shown);
    EXPECT_TRUE(host.withBus([](sim::Bus& b) { return b.reader(7) != nullptr; }));
    EXPECT_TRUE(host.withBus([](sim::Bus& b) { return b.reader(5) == nullptr; }));
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(EndToEnd, FaultsTheBusWasToldToMakeShowExactlyInTheStatisticsAndTheLogFile) {
    ASSERT_TRUE(started);
    QTemporaryDir dir;
    const QString logPath = dir.filePath("bus.csv");
    reopenWithLogFile(serial, logPath);
    host.injectFault(sim::FaultKind::BadCrc, 3, 5);
    host.injectFault(sim::FaultKind::Silence, 2, 5);
    openPort();
    chooseAddress(QStringLiteral("5"));
    for (int i = 0; i < 16; ++i) exchange();
    EXPECT_TRUE(host.withBus([](sim::Bus& b) { return b.faults().empty(); })) << "every fault was made";
    window->closePort();

    const traffic::LinkCounts& five = window->trafficLog().statistics().byAddress().at(5);
    EXPECT_EQ(five.wrongCheckByte, 3);
    EXPECT_EQ(five.noReply, 2);
    EXPECT_EQ(five.garbage + five.other, 0);
    EXPECT_EQ(five.decoded, five.requests - 5);
    QFile file(logPath);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QMap<QString, int> outcomes;
    int rows = 0;
    const QList<QStringList> logged = csv::parse(QString::fromUtf8(file.readAll())).mid(1);
    for (const QStringList& r : logged)
        if (r.value(1) == QStringLiteral("5")) ++rows, ++outcomes[r.value(7)];
    EXPECT_EQ(rows, five.requests);
    EXPECT_EQ(outcomes.value("bad-crc"), 3);
    EXPECT_EQ(outcomes.value("no-reply"), 2);
    EXPECT_EQ(outcomes.value("decoded"), five.decoded);
    const auto replay = sim::Replay::load(logPath, nullptr);  // the log as the tool wrote it plays back
    ASSERT_TRUE(replay);
    EXPECT_EQ(replay->rowCount(), logged.size());
    EXPECT_FALSE(window->trend().series().samples().empty()) << "the live values reach the trend";
    EXPECT_TRUE(dialogs.messages.empty());
}

// The adapter pulled and plugged in again behind the same stable link (as /dev/serial/by-id gives one):
// the window waits without a box, opens it again by itself and goes on at the same address and tab. A
// failed open before it leaves the scan running.

// A logout's SIGTERM, a closed terminal's SIGHUP and Ctrl-C each end the tool as its close button does:
// the settings saved, the port closed and its lock file gone.
TEST_F(EndToEnd, QuitSignalsCloseThePortRemoveItsLockAndSaveTheSettings) {
    const auto locks = [this] {
        const QString name = QFileInfo(host.slavePath()).fileName();
        QStringList found;
        for (const QString& folder : {QStringLiteral("/var/lock"), QStringLiteral("/run/lock")})
            for (const QString& f : QDir(folder).entryList({QStringLiteral("LCK..*")}, QDir::Files))
                if (f.endsWith(name)) found << f;
        return found;
    };
    for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
        QTemporaryDir dir;
        MainWindow::Options o = testOptions();
        o.settingsPath = dir.filePath("kestrel-tool.ini");
        window = windowOn(serial, dialogs, o);
        window->show();
        openPort();
        ASSERT_FALSE(locks().isEmpty()) << "the open port holds a lock file";
        bool closed = false;
        QuitSignals quit([&] { closed = window->close(); });
        ASSERT_TRUE(quit.installed());
        ::raise(signal);
        QTRY_VERIFY_WITH_TIMEOUT(closed, 2000);
        EXPECT_FALSE(serial.isOpen()) << signal;
        EXPECT_EQ(locks(), QStringList()) << signal;
        EXPECT_TRUE(QFileInfo(o.settingsPath).size() > 0) << signal;
    }
}

// The program itself: SIGTERM, once it is caught (the process's caught-signal mask says so), ends it
// normally with its settings written.
TEST(Program, SigtermEndsTheWindowNormallyWithItsSettingsSaved) {
    QTemporaryDir config;
    QProcess tool;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    tool.setProcessEnvironment(env);
    tool.start(QStringLiteral(KESTREL_TOOL_EXE), QStringList());
    ASSERT_TRUE(tool.waitForStarted());
    const auto catchesSigterm = [&] {
        QFile status(QStringLiteral("/proc/%1/status").arg(tool.processId()));
        if (!status.open(QIODevice::ReadOnly)) return false;
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("SigCgt:"))
                return ((line.mid(7).trimmed().toULongLong(nullptr, 16) >> (SIGTERM - 1)) & 1) == 1;
        return false;
    };
    ASSERT_TRUE(QTest::qWaitFor(catchesSigterm, 10000));
    ::kill(pid_t(tool.processId()), SIGTERM);
    ASSERT_TRUE(tool.waitForFinished(10000));
    EXPECT_EQ(tool.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(tool.exitCode(), 0);
    QFile settings(config.filePath("kestrel-tool/kestrel-tool.ini"));
    ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
    const QByteArray saved = settings.readAll();
    EXPECT_TRUE(saved.contains("[window]") && saved.contains("reconnect=true")) << saved.toStdString();
}
