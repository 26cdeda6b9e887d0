// kestrel-cli's command lines: a batch file of any bytes through the line splitting, the argument reading
// and every command's checks. The port never opens (every command that would send fails as a device
// failure), so what runs is all the input handling before the wire.
#include <QBuffer>
#include <QTextStream>
#include <cstddef>
#include <cstdint>

#include "cli/client.h"
#include "serial/qtserialport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kestrel;
    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer input(&bytes);
    input.open(QIODevice::ReadOnly);
    QtSerialPort port;
    Transactor transactor(port, {});
    QString out, err;
    QTextStream outStream(&out), errStream(&err);
    cli::Output output(outStream, errStream, false);
    cli::Client client(transactor, output, [] { return int(cli::kDeviceFailed); });
    cli::Invocation base;
    base.keepGoing = true;
    const int code = client.runBatch(input, QStringLiteral("fuzz"), base);
    if (code < cli::kDone || code > cli::kPortError) __builtin_trap();
    if (port.isOpen()) __builtin_trap();
    return 0;
}
