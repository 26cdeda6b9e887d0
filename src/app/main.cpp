// Kestrel Tool: the service tool's window, optionally with a simulated bus for a demonstration.
#include <QApplication>
#include <QCommandLineParser>
#include <QTextStream>
#include <cstdio>

#include "app/demo.h"
#include "serial/qtserialport.h"
#include "sim/ptyhost.h"
#include "ui/dialogs.h"
#include "ui/frmserial.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(kestrel::kAppTitle);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Kestrel Tool: service tool for readers, radio tags and bridge readers on one serial bus.\n"
        "Without options the window starts with its start-up picture and lists the system's serial ports."));
    parser.addHelpOption();
    QCommandLineOption demo(QStringLiteral("demo"),
                            QStringLiteral("Start a simulated bus (readers at addresses 0 and 5, each with two "
                                           "tags and a bridge slave) on a pseudo-terminal, listed first and "
                                           "selected: press \"Открыть порт\" and the reader tab comes alive."));
    QCommandLineOption port(QStringLiteral("port"),
                            QStringLiteral("Add PATH to the port list (a socat pty, a symlink such as "
                                           "/dev/ttyRS485). May be given more than once."),
                            QStringLiteral("PATH"));
    parser.addOption(demo);
    parser.addOption(port);
    if (!parser.parse(QApplication::arguments())) {
        std::fprintf(stderr, "kestrel-tool: %s\nTry 'kestrel-tool --help'.\n", qPrintable(parser.errorText()));
        return 2;
    }
    if (parser.isSet(QStringLiteral("help"))) parser.showHelp(0);
    if (!parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "kestrel-tool: unexpected argument '%s'\nTry 'kestrel-tool --help'.\n",
                     qPrintable(parser.positionalArguments().first()));
        return 2;
    }

    kestrel::QtSerialPort serial;
    serial.setExtraPaths(parser.values(port));
    std::unique_ptr<kestrel::sim::PtyHost> bus;
    if (parser.isSet(demo)) {
        QString error;
        bus = kestrel::startDemoBus(&error);
        if (!bus) {
            std::fprintf(stderr, "kestrel-tool: cannot start the simulated bus: %s\n", qPrintable(error));
            return 1;
        }
        serial.setLeadingPaths({bus->slavePath()});
        std::fprintf(stdout, "Simulated bus on %s\n", qPrintable(bus->slavePath()));
        std::fflush(stdout);
    }

    kestrel::QtDialogs dialogs;
    kestrel::frmSerial window(serial, dialogs);
    dialogs.setParent(&window);
    const int rc = QApplication::exec();
    if (bus) bus->stop();
    return rc;
}
