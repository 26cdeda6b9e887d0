// What the window remembers between runs: port, address, tab, reconnect choice and the views; the
// remembered port selected but not opened; --reset-settings; a damaged or unreadable file.

#include <QAction>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include "session/settings.h"
#include "ui/busoverviewwindow.h"
#include "ui/trafficlog.h"
#include "ui/trend.h"
#include "window_harness.h"

using namespace kestrel;
using namespace kestrel::test;

namespace {

// What the window said on the terminal about its settings during the last run started.
QStringList windowWarnings;
void keepWindowWarnings(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtWarningMsg && QLatin1String(context.category) == QLatin1String("kestrel.window"))
        windowWarnings << message;
}

class Settings : public WindowOnFakePort {
  protected:
    // A new run of the window on the same settings file; `contents`, when given, replace the file the
    // last run left.
    void restart(bool reset = false, const std::optional<QByteArray>& contents = {}) {
        window->close();
        window.reset();
        if (contents) {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(*contents);
        }
        MainWindow::Options o = testOptions();
        o.settingsPath = path;
        o.resetSettings = reset;
        windowWarnings.clear();
        window = windowOn(port, dialogs, o);
    }
    Settings() : previousHandler(qInstallMessageHandler(keepWindowWarnings)) {}
    ~Settings() override { qInstallMessageHandler(previousHandler); }
    const QtMessageHandler previousHandler;
    QString settingsProblem() const { return windowWarnings.join(QLatin1Char('\n')); }
    QAction* reconnect() { return window->findChild<QAction*>(QStringLiteral("actionReconnect")); }
    QTemporaryDir dir;
    const QString path = dir.filePath("kestrel-tool.ini");
};

TEST_F(Settings, TheNextRunStartsWhereTheEngineerLeftOffButOpensNoPortWithoutAClick) {
    restart();
    port.ports = {QStringLiteral("ttyUSB0")};
    port.infos = {adapter(QStringLiteral("ttyUSB0"))};
    openPort();
    chooseAddress(QStringLiteral("7"));
    selectTab(TabBridge);
    reconnect()->setChecked(false);
    window->trafficLog().show();
    window->trafficLog().move(40, 50);
    window->move(30, 20);
    click(
        QStringLiteral("BTNCloseCom"));  // closed before quitting, as usual: the address is kept all the same
    restart();
    EXPECT_TRUE(settingsProblem().isEmpty());
    EXPECT_EQ(ctl<QComboBox>(QStringLiteral("CmbNet"))->currentText(), QStringLiteral("7"));
    EXPECT_EQ(window->openTab(), TabBridge);
    EXPECT_FALSE(reconnect()->isChecked());
    EXPECT_TRUE(window->trafficLog().isVisible());
    EXPECT_EQ(window->trafficLog().pos(), QPoint(40, 50));
    EXPECT_EQ(window->pos(), QPoint(30, 20));
    // The adapter is back under another name, after another port: selected, not opened.
    port.ports = {QStringLiteral("ttyS0"), QStringLiteral("ttyUSB2")};
    port.infos = {PortInfo{QStringLiteral("ttyS0"), {}, {}, {}, {}, {}, {}},
                  adapter(QStringLiteral("ttyUSB2"))};
    window->scanPorts();
    EXPECT_EQ(ctl<QComboBox>(QStringLiteral("CmbPort"))->currentText(), QStringLiteral("ttyUSB2"));
    EXPECT_FALSE(port.isOpen());

    restart(true);  // --reset-settings
    EXPECT_EQ(ctl<QComboBox>(QStringLiteral("CmbNet"))->currentText(), QStringLiteral("0"));
    EXPECT_EQ(window->openTab(), TabReader);
    EXPECT_TRUE(reconnect()->isChecked());
    EXPECT_FALSE(window->trafficLog().isVisible());

    // Quitting with the port open keeps the address chosen last, not the one of an earlier close.
    openPort();
    chooseAddress(QStringLiteral("7"));
    click(QStringLiteral("BTNCloseCom"));
    openPort();
    chooseAddress(QStringLiteral("9"));
    restart();
    EXPECT_EQ(ctl<QComboBox>(QStringLiteral("CmbNet"))->currentText(), QStringLiteral("9"));
}

// A serial device server typed in "Связь" joins the list, is selected, and is offered again on the next run;
// an address that is not tcp://HOST:PORT is refused and changes nothing.
TEST_F(Settings, AServerTypedInIsListedSelectedAndOfferedOnTheNextRun) {
    restart();
    port.ports = {QStringLiteral("ttyS0")};
    QAction* server = window->findChild<QAction*>(QStringLiteral("actionNetworkPort"));
    dialogs.inputs = {QStringLiteral("tcp://10.0.0.7"), QStringLiteral(" 10.0.0.7:4001 ")};
    server->trigger();
    EXPECT_EQ(dialogs.messageTexts(),
              QStringList{QStringLiteral("Адрес сервера портов «tcp://10.0.0.7» не понят.\n"
                                         "Нужно УЗЕЛ:ПОРТ, например 192.168.0.7:4001,\n"
                                         "порт от 1 до 65535.")});
    EXPECT_TRUE(port.servers.isEmpty());
    server->trigger();
    EXPECT_EQ(ctl<QComboBox>(QStringLiteral("CmbPort"))->currentText(), QStringLiteral("tcp://10.0.0.7:4001"))
        << "typed without its scheme";
    openPort();
    EXPECT_FALSE(server->isEnabled()) << "not while a port is open";
    click(QStringLiteral("BTNCloseCom"));
    restart();
    EXPECT_EQ(QSettings(path, QSettings::IniFormat).value(QStringLiteral("port/servers")).toStringList(),
              QStringList{QStringLiteral("tcp://10.0.0.7:4001")});
    port.servers.clear();
    restart(
        false,
        QByteArray("[port]\naddress=0\nidentity=path:tcp://10.0.0.7:4001\nservers=tcp://10.0.0.7:4001\n"));
    window->scanPorts();
    EXPECT_EQ(port.servers, QStringList{QStringLiteral("tcp://10.0.0.7:4001")});
    EXPECT_EQ(ctl<QComboBox>(QStringLiteral("CmbPort"))->currentText(), QStringLiteral("tcp://10.0.0.7:4001"))
        << "the port open last, selected by its identity";
    restart(false, QByteArray("[port]\naddress=0\nservers=tcp://ok:1, /dev/ttyS0\n"));
    EXPECT_TRUE(settingsProblem().contains(QStringLiteral("port/servers")))
        << settingsProblem().toStdString();
}

TEST_F(Settings, APortNamedButNotThereIsSaidAndSelectedWhenItAppearsUnlessAnotherWasChosen) {
    const QString later = QStringLiteral("/tmp/ttyLATER");
    for (const bool chooseAnother : {false, true}) {
        SCOPED_TRACE(chooseAnother ? "another port chosen meanwhile" : "nothing chosen");
        port.ports = {QStringLiteral("ttyS0")};
        window.reset();
        MainWindow::Options o = testOptions();
        o.portNamed = true;
        o.awaitedPort = later;
        window = windowOn(port, dialogs, o);
        window->scanPorts();
        EXPECT_EQ(text(QStringLiteral("MsgCom")),
                  QStringLiteral("Порт /tmp/ttyLATER не найден; он будет выбран, когда появится."));
        auto* list = ctl<QComboBox>(QStringLiteral("CmbPort"));
        if (chooseAnother) emit list->activated(0);
        port.ports = {QStringLiteral("ttyS0"), later};
        window->scanPorts();
        EXPECT_EQ(list->currentText(), chooseAnother ? QStringLiteral("ttyS0") : later);
        EXPECT_FALSE(port.isOpen());
    }
}

// A hand-edited file: a value that cannot be taken is its default alone, the rest is taken, and the window
// says once, in its status line and its log, which values it did not take. A file that is not settings at
// all gives every default, and says so.
TEST_F(Settings, ABadValueFallsBackAloneAndTheWindowSaysWhichOnce) {
    const QString values =
        "Файл настроек " + path + ": не приняты значения %1; для них взяты значения по умолчанию.";
    const struct {
        QByteArray file;
        int tab;
        QString address;
        bool reconnect;
        QList<quint8> readers;
        QString notice;
    } rows[] = {
        {"[window]\ntab=9\n[port]\naddress=7\nreconnect=false\n",
         TabReader,
         "7",
         false,
         {},
         values.arg("window/tab")},
        {"[window]\ntab=abc\n[port]\naddress=999\nidentity=usb:0403:6001:GONE\n",
         TabReader,
         "0",
         true,
         {},
         values.arg("port/address, window/tab")},
        {"[port]\naddress=7\nservers=tcp://a "
         "b:3\n[window]\ntab=2\n[bus]\nreaders=5,6\nsettingsEvery=2147483648\n",
         TabBridge,
         "7",
         true,
         {5, 6},
         values.arg("port/servers, bus/settingsEvery")},
        {QByteArray("\x00\x01\x02[[[\n=\n", 9),
         TabReader,
         "0",
         true,
         {},
         "Файл настроек " + path + " повреждён; взяты настройки по умолчанию."},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.file.toStdString());
        restart(false, row.file);
        EXPECT_EQ(window->openTab(), row.tab);
        EXPECT_EQ(ctl<QComboBox>(QStringLiteral("CmbNet"))->currentText(), row.address);
        EXPECT_EQ(reconnect()->isChecked(), row.reconnect);
        EXPECT_EQ(partOf<BusOverviewWindow>(*window).remembered().readers, row.readers);
        EXPECT_EQ(ctl<QLabel>(QStringLiteral("MsgCom"))->text(), row.notice);
        window->trafficLog().flush();
        const TrafficLogModel& log = window->trafficLog().model();
        QStringList events;
        for (int i = 0; i < log.rowCount(); ++i)
            if (log.record(i).event) events << log.record(i).meaning;
        EXPECT_EQ(events, QStringList{row.notice});
        window->close();  // the file is written anew, whole, and says nothing of a failed write
        EXPECT_TRUE(windowWarnings.filter(QStringLiteral("cannot be written")).isEmpty())
            << settingsProblem().toStdString();
        restart();
        EXPECT_TRUE(settingsProblem().isEmpty());
        EXPECT_EQ(window->openTab(), row.tab) << "the values taken are kept";
    }
    window->close();
    QFile::remove(path);
    QDir().mkpath(path);  // a folder where the file should be: cannot be read
    restart();
    EXPECT_TRUE(settingsProblem().contains(QStringLiteral("cannot be read")));
    EXPECT_EQ(window->openTab(), TabReader);
    QString problem;
    EXPECT_FALSE(saveState(path, RememberedState{}, &problem));
    EXPECT_EQ(problem, QStringLiteral("the settings file %1 cannot be written").arg(path));
    EXPECT_TRUE(saveState(path + QStringLiteral(".new"), RememberedState{}, &problem));
}

// The link's settings in the file: written and read back whole; a bad value is its default alone, named,
// and the others are taken.
TEST(LinkSettingsFile, WrittenReadBackAndEachBadValueFallsBackAlone) {
    QTemporaryDir dir;
    const QString path = dir.filePath("k.ini");
    RememberedState saved;
    saved.link = {QStringLiteral("usb:0403:6001:A10K3X"),  254,          false,
                  {QStringLiteral("tcp://10.0.0.7:4001")}, EchoMode::On, DirectionLine::Rts};
    QString problem;
    ASSERT_TRUE(saveState(path, saved, &problem));
    const LinkSettings back = loadState(path, &problem).link;
    EXPECT_TRUE(problem.isEmpty()) << problem.toStdString();
    EXPECT_EQ(back.portIdentity, QStringLiteral("usb:0403:6001:A10K3X"));
    EXPECT_EQ(back.address, std::optional<quint8>(254));
    EXPECT_FALSE(back.reconnect);
    EXPECT_EQ(back.servers, QStringList{QStringLiteral("tcp://10.0.0.7:4001")});
    EXPECT_EQ(back.echo, EchoMode::On);
    EXPECT_EQ(back.direction, DirectionLine::Rts);
    const QStringList good = {"identity=path:/dev/ttyS1", "address=3", "reconnect=false", "echo=off",
                              "direction=dtr"};
    const std::pair<const char*, const char*> bad[] = {
        {"address=255", "port/address"},     {"address=x", "port/address"},
        {"reconnect=yes", "port/reconnect"}, {"echo=sometimes", "port/echo"},
        {"direction=cts", "port/direction"}, {"servers=tcp://a:1, /dev/ttyS0", "port/servers"},
    };
    for (const auto& [line, key] : bad) {
        SCOPED_TRACE(line);
        // The good values with the bad one in place of its key's.
        QStringList lines = {"[window]", "tab=0", "[port]"};
        const QString badLine = QString::fromUtf8(line);
        for (const QString& g : good)
            if (g.section('=', 0, 0) != badLine.section('=', 0, 0)) lines << g;
        lines << badLine;
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write((lines.join('\n') + '\n').toUtf8());
        f.close();
        const LinkSettings s = loadState(path, &problem).link;
        EXPECT_TRUE(problem.contains(QLatin1String(key))) << problem.toStdString();
        EXPECT_EQ(problem.count(QStringLiteral("port/")), 1) << "the others are taken";
        const QString k = QLatin1String(key);
        EXPECT_EQ(s.portIdentity, QStringLiteral("path:/dev/ttyS1"));
        EXPECT_EQ(s.address, k == "port/address" ? std::optional<quint8>(0) : std::optional<quint8>(3));
        EXPECT_EQ(s.reconnect, k == "port/reconnect");
        EXPECT_EQ(s.echo, k == "port/echo" ? EchoMode::Auto : EchoMode::Off);
        EXPECT_EQ(s.direction, k == "port/direction" ? DirectionLine::None : DirectionLine::Dtr);
        EXPECT_TRUE(s.servers.isEmpty());
    }
}

TEST(BusOverviewSettings, TheReadersAndOptionsComeBackAndBadValuesGiveTheirDefaults) {
    QTemporaryDir dir;
    const QString path = dir.filePath("k.ini");
    RememberedState saved;
    saved.bus.readers = {9, 5, 200};
    saved.bus.port = QStringLiteral("usb:0403:6001:A10K3X");
    saved.bus.readersByPort = {{QStringLiteral("tcp://10.0.0.7:4001"), {3}},
                               {QStringLiteral("path:/dev/ttyS0"), {1, 2}}};
    saved.bus.settingsEvery = 3;
    saved.bus.autoSearch = true;
    QString problem;
    ASSERT_TRUE(saveState(path, saved, &problem));
    const RememberedState back = loadState(path, &problem);
    EXPECT_EQ(back.bus.readers, (QList<quint8>{9, 5, 200}));
    EXPECT_EQ(back.bus.port, saved.bus.port);
    EXPECT_EQ(back.bus.readersByPort, saved.bus.readersByPort) << "each bus its own readers";
    EXPECT_EQ(back.bus.settingsEvery, 3);
    EXPECT_TRUE(back.bus.autoSearch);
    EXPECT_TRUE(problem.isEmpty());
    // Hand-edited: each bad value is its default, and the problem names it.
    const std::pair<const char*, const char*> bad[] = {
        {"readers=5,7,5", "bus/readers"},         {"readers=5,255", "bus/readers"},
        {"readers=5.5", "bus/readers"},           {"settingsEvery=0", "bus/settingsEvery"},
        {"settingsEvery=x", "bus/settingsEvery"}, {"autoSearch=yes", "bus/autoSearch"},
    };
    for (const auto& [line, key] : bad) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(QByteArray("[window]\ntab=0\n[bus]\n") + line + "\n");
        f.close();
        const RememberedState s = loadState(path, &problem);
        EXPECT_TRUE(problem.contains(QLatin1String(key))) << line;
        EXPECT_TRUE(s.bus.readers.isEmpty()) << line;
        EXPECT_EQ(s.bus.settingsEvery, 10) << line;
        EXPECT_FALSE(s.bus.autoSearch) << line;
    }
}

}  // namespace

// The "Связь" menu's echo and direction choices reach the exchange and the port, and the next run keeps them.
TEST_F(Settings, TheEchoAndDirectionChoicesReachTheExchangeAndAreRemembered) {
    restart();
    openAtFive();
    const QByteArray poll = hex("31 05 F0 FE"), reply = hex("3E 05 F0 19 00 02 01 00 00 00 7E");
    const auto lastRow = [this] {
        window->trafficLog().flush();
        TrafficLogModel& m = window->trafficLog().model();
        return m.rowCount() > 0 ? m.record(m.rowCount() - 1) : traffic::Record{};
    };
    ASSERT_EQ(tickWritten(), poll);
    receive(poll + reply);
    EXPECT_EQ(lastRow().outcome, Outcome::Decoded) << "auto by default: the echo is taken off";
    EXPECT_TRUE(lastRow().echoRemoved);
    window->findChild<QAction*>(QStringLiteral("actionEchooff"))->trigger();
    window->findChild<QAction*>(QStringLiteral("actionDirectionrts"))->trigger();
    receive(poll + reply);
    EXPECT_EQ(lastRow().outcome, Outcome::Unframed) << "off: the echo is judged with the reply";
    EXPECT_EQ(port.directionLine(), DirectionLine::Rts);
    restart();
    EXPECT_TRUE(window->findChild<QAction*>(QStringLiteral("actionEchooff"))->isChecked());
    EXPECT_TRUE(window->findChild<QAction*>(QStringLiteral("actionDirectionrts"))->isChecked());
    EXPECT_EQ(port.directionLine(), DirectionLine::Rts);
    // A port that cannot drive the line is said once in the status line and the log, and used without it.
    openPort();
    for (int i = 0; i < 2; ++i) emit port.directionRefused(directionRefusedText(DirectionLine::Rts));
    EXPECT_EQ(text(QStringLiteral("MsgCom")),
              QStringLiteral("Порт не управляет линией RTS: направление передачи не переключается"));
    EXPECT_EQ(lastRow().meaning, text(QStringLiteral("MsgCom")));
    EXPECT_EQ(window->trafficLog().model().rowCount(), 1);
}
