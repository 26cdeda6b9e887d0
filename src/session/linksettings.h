#pragma once
// The link's settings as one value: what the session keeps between runs (the settings file stores it) and
// what the menus show. The port and the address are those of the last port open; the rest are the
// engineer's choices in "Связь".

#include <QString>
#include <QStringList>
#include <optional>

#include "exchange/echo.h"
#include "serial/linkvalues.h"

namespace kestrel {

struct LinkSettings {
    QString portIdentity;               // the adapter open last: the next run selects it when it is listed
    std::optional<quint8> address = 0;  // the address of the last port open, kept when it closes
    bool reconnect = true;              // a lost port is waited for and opened again
    QStringList servers;                // serial device servers used, tcp://HOST:PORT, the latest last
    EchoMode echo = EchoMode::Auto;
    DirectionLine direction = DirectionLine::None;
};

// The direction line as the settings file and the menu's control names keep it: "none", "rts", "dtr".
QString directionLineKey(DirectionLine line);
std::optional<DirectionLine> directionLineFromKey(const QString& key);

}  // namespace kestrel
