// The settings file the window reads at start: any bytes as the INI file. Loading never crashes and gives
// values in their ranges (or the defaults, with a reason); what is saved loads back the same.
#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>

#include "protocol/translation.h"
#include "session/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kestrel;
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("kestrel-tool.ini"));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) __builtin_trap();
        f.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    QString problem;
    const RememberedState s = loadState(path, &problem);
    if (s.tab < 0 || s.tab > 2) __builtin_trap();
    if (!availableLanguages().contains(s.language)) __builtin_trap();
    const QString copy = dir.filePath(QStringLiteral("again.ini"));
    QFile::remove(copy);
    if (!saveState(copy, s, &problem)) __builtin_trap();
    QString again;
    const RememberedState t = loadState(copy, &again);
    if (!again.isEmpty() || t.link.portIdentity != s.link.portIdentity || t.link.address != s.link.address ||
        t.link.reconnect != s.link.reconnect || t.link.servers != s.link.servers ||
        t.link.echo != s.link.echo || t.link.direction != s.link.direction || t.tab != s.tab ||
        t.language != s.language || t.geometry != s.geometry)
        __builtin_trap();
    return 0;
}
