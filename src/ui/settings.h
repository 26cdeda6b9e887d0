#pragma once
// What the window remembers between runs: the last port (by the identity that finds its adapter again),
// the address and tab, the reconnect choice, the serial device servers used, the echo and direction choices,
// where the windows were, and the bus overview's readers and choices. Kept as an INI file in the user's
// configuration folder.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace kestrel {

struct RememberedState {
    QString portIdentity;
    QString address;  // the selected address's text
    int tab = 0;
    bool reconnect = true;
    QStringList servers;  // serial device servers used before, tcp://HOST:PORT, the latest last
    QString echo = QStringLiteral("auto");       // "Связь" → the request's echo: auto, on, off
    QString direction = QStringLiteral("none");  // "Связь" → the direction line: none, rts, dtr
    QString language = QStringLiteral("ru");  // chosen in "Вид" → "Язык", in effect from the next start
    QByteArray geometry;                      // the main window's
    struct View {
        bool open = false;
        QByteArray geometry;
    };
    View log, trend, panel;
    // The bus overview: its window, the readers it listed, and how it polls them.
    struct Bus : View {
        QList<quint8> readers;    // in the order listed, no address twice
        int settingsEvery = 10;   // the settings are read every this many rounds
        bool autoSearch = false;  // the bus is searched every few minutes
    };
    Bus bus;
};

// The range of the overview's "settings every N-th round".
inline constexpr int kMaxSettingsEvery = 1000;

// ~/.config/kestrel-tool/kestrel-tool.ini on Linux.
QString defaultSettingsPath();

// Reads `path`. A missing file gives the defaults quietly; an unreadable or damaged file, or a value out of
// its range, gives the defaults (for that value, or for all) and says why in `problem`.
RememberedState loadState(const QString& path, QString* problem);
// Writes `state` to `path`; false, with the reason in `problem`, when it cannot.
bool saveState(const QString& path, const RememberedState& state, QString* problem);

}  // namespace kestrel
