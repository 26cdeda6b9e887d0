// Opens a port with the tool's real port and prints how the open ended: "ok", or the failure kind and
// its cause. Run by the tests as another user, to see what an engineer without access is told.
#include <QCoreApplication>
#include <cstdio>

#include "serial/qtserialport.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) return 2;
    kestrel::QtSerialPort port;
    const kestrel::OpenResult r = port.open(QString::fromLocal8Bit(argv[1]));
    if (r.ok) {
        std::printf("ok\n");
        return 0;
    }
    std::printf("%d %s\n", static_cast<int>(r.failure), qPrintable(r.cause));
    return 1;
}
