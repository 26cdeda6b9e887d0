// Faults at the port, end to end: the real window and the real kestrel-cli against the simulated bus over
// a pseudo-terminal reached through a link (as /dev/serial/by-id reaches an adapter). For each fault, what
// the window shows (its status line or its box), what its traffic log notes, and what the client prints
// and returns.
#include <sys/stat.h>
#include <unistd.h>

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include "cli/arguments.h"
#include "cli/client.h"
#include "ui/trafficlog.h"
#include "window_harness.h"

using namespace kestrel;
using namespace kestrel::test;

namespace {

enum class Fault { Busy, NoPermission, VanishInReadWindow, VanishInWrite, ReplugNewName, NeverAnswers };

struct Row {
    const char* name;
    Fault fault;
    // %1 is the port, %2 what the system said about it.
    const char* window;  // the first box, or else the status line
    const char* log;     // the last note of the traffic log, or else the outcome of its last exchange
    int clientExit;
    const char* client;  // the client's standard error, or else its standard output
};

const Row kRows[] = {
    {"Busy", Fault::Busy, "Com Port %1 недоступен. Установите нужный порт.\n%2", "Порт %1 не открыт: %2", 3,
     "порт %1 недоступен: %2\n"},
    {"NoPermission", Fault::NoPermission, "Com Port %1 недоступен. Установите нужный порт.\n%2",
     "Порт %1 не открыт: %2", 3, "порт %1 недоступен: %2\n"},
    {"VanishInReadWindow", Fault::VanishInReadWindow, "Порт %1 потерян (%2), ожидание его возвращения",
     "Порт %1 потерян (%2), ожидание его возвращения", 3, "порт потерян: ошибка чтения из порта\n"},
    {"VanishInWrite", Fault::VanishInWrite, "Порт %1 потерян (%2), ожидание его возвращения",
     "Порт %1 потерян (%2), ожидание его возвращения", 3,
     "порт потерян: устройство недоступно (отключено)\n"},
    {"ReplugNewName", Fault::ReplugNewName, "Порт %1 снова открыт", "Порт %1 снова открыт", 0,
     "сер. № 123456, тип 134, версия 1.3.4.\n"},
    {"NeverAnswers", Fault::NeverAnswers, "Нет данных со считывателя с номером 5", "нет ответа", 1,
     "адрес 5: нет ответа (попыток: 3)\n"},
};

// Set in a copy of the suite run as an unprivileged user: the port it may not open.
const char* const kNoAccessPort = "KESTREL_NO_ACCESS_PORT";

class PortFaults : public WindowOnSimBus, public ::testing::WithParamInterface<Row> {
  protected:
    void SetUp() override {
        ASSERT_TRUE(started);
        link = dir.filePath(QStringLiteral("ttyRS485"));
        pointLink();
        serial.setLeadingPaths({link});
        window->scanPorts();
    }
    // The adapter is plugged in again: a new pty, and the link points at it.
    void replug() {
        host.stop();
        ASSERT_TRUE(host.start());
        pointLink();
    }
    // The link (as /dev/serial/by-id has one) leads to the bus's present pty.
    void pointLink() {
        QFile::remove(link);
        ASSERT_TRUE(QFile::link(host.slavePath(), link));
    }
    void pullOutDuringTheReadWindow() {
        host.injectFault(sim::FaultKind::HangUp, 1);
        for (int i = 0; i < 4 && !partOf<DeviceSession>(*window).waitingForPort(); ++i) exchange();
        ASSERT_TRUE(
            QTest::qWaitFor([this] { return partOf<DeviceSession>(*window).waitingForPort(); }, 2000));
    }
    void openAtFive() {
        click(QStringLiteral("BTNOpenCom"));
        ASSERT_TRUE(serial.isOpen());
        chooseAddress(QStringLiteral("5"));
        exchange(2);
    }
    // What the window's traffic log noted last: a note's text, or an exchange's outcome.
    QString lastLogged() {
        window->trafficLog().flush();
        const TrafficLogModel& m = window->trafficLog().model();
        if (m.rowCount() == 0) return {};
        const traffic::Record& r = m.record(m.rowCount() - 1);
        return r.event ? r.meaning : traffic::outcomeText(r.outcome);
    }
    struct Run {
        int exit = -1;
        QString out, err;
    };
    // kestrel-cli with `arguments`.
    static Run client(const QStringList& arguments) {
        QProcess p;
        p.start(QStringLiteral(KESTREL_CLI_EXE), arguments);
        EXPECT_TRUE(p.waitForFinished(10000));
        return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
                QString::fromUtf8(p.readAllStandardError())};
    }
    // The client's own code in this process, so that the line can go between two of its commands: it
    // answers once, then `meanwhile` runs, then it is asked again.
    Run clientAcrossAFault(const QString& line, const std::function<void()>& meanwhile) {
        QtSerialPort port;
        Transactor transactor{port, {}};
        Run run;
        QTextStream out{&run.out}, err{&run.err};
        cli::Output output{out, err, false};
        cli::Client c{transactor, output, [&] { return port.open(link).ok ? cli::kDone : cli::kPortError; }};
        const auto invocation = cli::parseArguments(*cli::splitLine(line)).invocation;
        EXPECT_EQ(c.run(invocation), cli::kDone);
        run.out.clear();
        meanwhile();
        run.exit = c.run(invocation);
        return run;
    }

    QTemporaryDir dir;
    QString link;
};

TEST_P(PortFaults, WindowLogAndClientShowIt) {
    const Row& row = GetParam();
    QString port = link;  // the port named in the texts
    QString cause;        // what the system said
    QStringList arguments{"--port", link, "-a", "5", "identify"};
    std::function<Run()> runClient = [&] { return client(arguments); };
    QtSerialPort holder;
    switch (row.fault) {
        case Fault::Busy:
            ASSERT_TRUE(holder.open(link).ok);  // another program holds the port
            cause = QStringLiteral("порт занят другой программой (PID %1, %2)")
                        .arg(QCoreApplication::applicationPid())
                        .arg(QFileInfo(QCoreApplication::applicationFilePath()).fileName());
            click(QStringLiteral("BTNOpenCom"));
            break;
        case Fault::NoPermission: {
            const QByteArray given = qgetenv(kNoAccessPort);
            if (given.isEmpty() && ::geteuid() == 0) {
                // Root opens anything: the row runs again in a copy of the suite as an unprivileged user,
                // on a pty only root may use.
                if (!QFile::exists(QStringLiteral("/usr/sbin/runuser")))
                    GTEST_SKIP() << "needs runuser to act as an unprivileged user";
                ASSERT_EQ(::chmod(QFile::encodeName(host.slavePath()).constData(), 0600), 0);
                QProcess copy;
                copy.start(QStringLiteral("/usr/sbin/runuser"),
                           {"-u", "nobody", "--", "env",
                            QStringLiteral("%1=%2").arg(kNoAccessPort, host.slavePath()),
                            "QT_QPA_PLATFORM=offscreen", QCoreApplication::applicationFilePath(),
                            "--gtest_filter=*PortFaults.WindowLogAndClientShowIt/NoPermission"});
                ASSERT_TRUE(copy.waitForFinished(60000));
                const QString said = QString::fromUtf8(copy.readAll());
                EXPECT_EQ(copy.exitCode(), 0) << said.toStdString();
                EXPECT_TRUE(said.contains(QStringLiteral("[  PASSED  ] 1 test."))) << said.toStdString();
                return;
            }
            if (given.isEmpty()) {
                ASSERT_EQ(::chmod(QFile::encodeName(host.slavePath()).constData(), 0), 0);
            } else {
                port = arguments[1] = QString::fromLocal8Bit(given);
                serial.setLeadingPaths({port});
                window->scanPorts();
            }
            cause = QStringLiteral("нет прав доступа; пользователь должен состоять в группе dialout");
            click(QStringLiteral("BTNOpenCom"));
            break;
        }
        case Fault::VanishInReadWindow:
            openAtFive();
            cause = QStringLiteral("ошибка чтения из порта");  // one name for one fault, as the client says
            pullOutDuringTheReadWindow();
            runClient = [&] {
                replug();
                host.injectFault(sim::FaultKind::HangUp, 1);  // the request is taken, then the line goes
                return client(arguments);
            };
            break;
        case Fault::VanishInWrite:
            openAtFive();
            // The answer to the last tick's request is being read when the line goes: the read fails first.
            cause = QStringLiteral("ошибка чтения из порта");
            host.stop();  // gone between ticks: the next tick writes before it can notice
            partOf<ExchangeCycle>(*window).tick();
            ASSERT_TRUE(
                QTest::qWaitFor([this] { return partOf<DeviceSession>(*window).waitingForPort(); }, 2000));
            runClient = [&] {
                replug();
                // Gone between two of the client's commands: with no quiet time before it, the next
                // request is written before anything is read.
                return clientAcrossAFault(QStringLiteral("-a 5 --gap 0 identify"), [this] { host.stop(); });
            };
            break;
        case Fault::ReplugNewName:
            openAtFive();
            selectTab(TabBridge);
            pullOutDuringTheReadWindow();
            replug();
            // The session looks for the lost port on its own.
            ASSERT_TRUE(QTest::qWaitFor([this] { return serial.isOpen(); }, 2000));
            EXPECT_EQ(ctl<QComboBox>(QStringLiteral("CmbNet"))->currentText(), QStringLiteral("5"));
            EXPECT_EQ(window->openTab(), TabBridge);
            break;
        case Fault::NeverAnswers:
            openAtFive();
            host.injectFault(sim::FaultKind::Silence);
            exchange(2);
            break;
    }
    auto filled = [&](const char* text) {
        return QString::fromUtf8(text)
            .replace(QStringLiteral("%1"), port)
            .replace(QStringLiteral("%2"), cause);
    };
    EXPECT_EQ(serial.isOpen(), row.fault == Fault::ReplugNewName || row.fault == Fault::NeverAnswers);
    EXPECT_NE(partOf<PortPanel>(*window).scanTimer().isActive(), serial.isOpen())
        << "the port list is scanned whenever no port is open, after a failed open too";
    EXPECT_EQ(dialogs.messages.empty() ? text(QStringLiteral("MsgCom")) : dialogs.messageTexts().first(),
              filled(row.window));
    EXPECT_EQ(lastLogged(), filled(row.log));

    partOf<ExchangeCycle>(*window).stop();
    serial.close();  // the client's turn
    const Run run = runClient();
    EXPECT_EQ(run.exit, row.clientExit) << run.err.toStdString();
    EXPECT_EQ(row.clientExit == 0 ? run.out : run.err, filled(row.client));
}

INSTANTIATE_TEST_SUITE_P(Table, PortFaults, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<Row>& info) { return info.param.name; });

}  // namespace
