// Kestrel Tool: the service tool's window, optionally with a simulated bus for a demonstration.
#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <cstdio>

#include "app/demo.h"
#include "app/heap.h"
#include "app/quitsignals.h"
#include "protocol/translation.h"
#include "serial/networkport.h"
#include "serial/qtserialport.h"
#include "session/settings.h"
#include "sim/ptyhost.h"
#include "ui/dialogs.h"
#include "ui/mainwindow.h"
#include "ui/openedlog.h"

namespace {

struct Options {
    QCommandLineOption demo{
        QStringLiteral("demo"),
        QStringLiteral("Start a simulated bus (readers at addresses 0 and 5, each with two tags "
                       "and a bridge slave) on a pseudo-terminal, listed first and selected: "
                       "press \"Открыть порт\" and the reader tab comes alive.")};
    QCommandLineOption port{
        QStringLiteral("port"),
        QStringLiteral("Add PATH to the port list, first and selected (a socat pty, a symlink "
                       "such as /dev/ttyRS485). May be given more than once. A path that does not exist is "
                       "said at start and selected when it appears."),
        QStringLiteral("PATH")};
    QCommandLineOption resetSettings{
        QStringLiteral("reset-settings"),
        QStringLiteral("Start from the default settings (port, address, tab, windows, reconnect) instead of "
                       "the remembered ones; they are remembered anew on exit.")};
    QCommandLineOption language{
        QStringLiteral("lang"),
        QStringLiteral("The window's language: ru (Russian, the default) or en (English). Without it, the "
                       "language chosen in the window's menu is used."),
        QStringLiteral("LANG")};
    QCommandLineOption logFile{
        QStringLiteral("log-file"),
        QStringLiteral("Append every exchange to the CSV file PATH (the traffic log's columns), "
                       "one flushed row per exchange, while a port is open."),
        QStringLiteral("PATH")};
    QCommandLineOption openLog{
        QStringLiteral("open"),
        QStringLiteral(
            "Open the recorded traffic log FILE (a CSV file written by the window or by kestrel-cli "
            "--log-file) in a log window of its own, with a trend of its readings; as "
            "\"Файл → Открыть журнал…\" does."),
        QStringLiteral("FILE")};
};

void describe(QCommandLineParser& parser, const Options& o) {
    parser.setApplicationDescription(QStringLiteral(
        "Kestrel Tool: service tool for readers, radio tags and bridge readers on one serial bus.\n"
        "Without options the window starts with its start-up picture and lists the system's serial ports."));
    parser.addHelpOption();
    parser.addOption(o.demo);
    parser.addOption(o.port);
    parser.addOption(o.logFile);
    parser.addOption(o.openLog);
    parser.addOption(o.resetSettings);
    parser.addOption(o.language);
    parser.addVersionOption();
}

// Reads the options; false (with the message printed) when they are wrong.
bool readOptions(QCommandLineParser& parser, const QStringList& arguments) {
    if (!parser.parse(arguments)) {
        std::fprintf(stderr, "kestrel-tool: %s\nTry 'kestrel-tool --help'.\n",
                     qPrintable(parser.errorText()));
        return false;
    }
    if (!parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "kestrel-tool: unexpected argument '%s'\nTry 'kestrel-tool --help'.\n",
                     qPrintable(parser.positionalArguments().first()));
        return false;
    }
    return true;
}

bool displayAvailable(int argc, char** argv) {
#if defined(Q_OS_LINUX)
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "-platform") == 0) return true;
    }
    return qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY") ||
           qEnvironmentVariableIsSet("QT_QPA_PLATFORM");
#else
    Q_UNUSED(argc);
    Q_UNUSED(argv);
    return true;
#endif
}

bool asksForHelpOrVersion(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const QByteArray a(argv[i]);
        if (a == "-h" || a == "--help" || a == "-?" || a == "--help-all" || a == "-v" || a == "--version")
            return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    const Options options;
    // Help and mistakes in the options are answered on the terminal, also where no window can open.
    if (asksForHelpOrVersion(argc, argv) || !displayAvailable(argc, argv)) {
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("kestrel-tool"));
        QCoreApplication::setApplicationVersion(QStringLiteral(KESTREL_VERSION));
        QCommandLineParser parser;
        describe(parser, options);
        if (!readOptions(parser, QCoreApplication::arguments())) return 2;
        if (parser.isSet(QStringLiteral("help"))) parser.showHelp(0);
        if (parser.isSet(QStringLiteral("version"))) parser.showVersion();
        std::fprintf(stderr, "kestrel-tool: no display to open the window on (DISPLAY is not set)\n");
        return 1;
    }

    kestrel::keepLargeBuffersOutOfTheHeap();
    QApplication app(argc, argv);
    QApplication::setApplicationName(kestrel::kAppTitle);
    QApplication::setApplicationVersion(QStringLiteral(KESTREL_VERSION));
    QCommandLineParser parser;
    describe(parser, options);
    if (!readOptions(parser, QApplication::arguments())) return 2;

    // The language: --lang, else the one chosen in the menu last time (the window reports a damaged file).
    QString language = parser.value(options.language);
    if (!parser.isSet(options.language) && !parser.isSet(options.resetSettings)) {
        QString ignored;
        language = kestrel::loadState(kestrel::defaultSettingsPath(), &ignored).language;
    }
    const kestrel::LanguageChoice choice = kestrel::useLanguage(language);
    for (const QString& problem : {choice.problem, choice.qtTexts})
        if (!problem.isEmpty()) std::fprintf(stderr, "kestrel-tool: %s\n", qPrintable(problem));

    kestrel::QtSerialPort serial;
    QStringList leading = parser.values(options.port);
    std::unique_ptr<kestrel::sim::PtyHost> bus;
    if (parser.isSet(options.demo)) {
        QString error;
        bus = kestrel::startDemoBus(&error);
        if (!bus) {
            std::fprintf(stderr, "kestrel-tool: cannot start the simulated bus: %s\n", qPrintable(error));
            return 1;
        }
        leading.prepend(bus->slavePath());
        std::fprintf(stdout, "Simulated bus on %s\n", qPrintable(bus->slavePath()));
        std::fflush(stdout);
    }
    // Ports named on the command line come first, so the first of them is selected.
    serial.setLeadingPaths(leading);

    kestrel::QtDialogs dialogs;
    kestrel::MainWindow::Options windowOptions;
    windowOptions.settingsPath = kestrel::defaultSettingsPath();
    windowOptions.resetSettings = parser.isSet(options.resetSettings);
    windowOptions.portNamed = !leading.isEmpty();
    // A mistyped or not yet plugged port is said at once, on the terminal and in the window.
    for (const QString& name : leading) {
        QString refusal;
        if (kestrel::isNetworkPortName(name) && !kestrel::parseNetworkPortName(name, &refusal)) {
            std::fprintf(stderr, "kestrel-tool: %s\n", qPrintable(refusal));
            return 2;
        }
    }
    if (!leading.isEmpty() && !kestrel::isNetworkPortName(leading.first()) &&
        !QFileInfo::exists(leading.first())) {
        windowOptions.awaitedPort = leading.first();
        std::fprintf(stderr, "kestrel-tool: %s does not exist; it is selected when it appears\n",
                     qPrintable(leading.first()));
    }
    windowOptions.language = choice.language;
    kestrel::DeviceSession::Options sessionOptions;
    sessionOptions.logFile = parser.value(options.logFile);
    kestrel::MainWindow window(std::make_unique<kestrel::DeviceSession>(serial, sessionOptions), serial,
                               dialogs, windowOptions);
    dialogs.setParent(&window);
    if (parser.isSet(options.openLog)) window.logOpener().open(parser.value(options.openLog));
    // A logout or kill ends the tool as its close button does; a box open at the time is left with it.
    const kestrel::QuitSignals quitSignals([&window] {
        if (window.close()) QApplication::exit(0);
    });
    const int rc = QApplication::exec();
    if (bus) bus->stop();
    return rc;
}
