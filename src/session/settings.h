#pragma once
// What the tool remembers between runs, in one INI file in the user's configuration folder: the link's
// settings (the session's: the last port by the identity that finds its adapter again, its address, the
// reconnect, echo and direction choices, the serial device servers used), the window's own (tab, language,
// where the windows were) and the bus overview's readers and choices.

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include "session/linksettings.h"

namespace kestrel {

struct RememberedState {
    LinkSettings link;  // the session's
    int tab = 0;
    QString language = QStringLiteral("ru");  // chosen in "Вид" → "Язык", in effect from the next start
    QByteArray geometry;                      // the main window's
    struct View {
        bool open = false;
        QByteArray geometry;
    };
    View log, trend, panel;
    // The bus overview: its window, the readers it listed, and how it polls them.
    struct Bus : View {
        QList<quint8> readers;  // in the order listed, no address twice: the bus of `port`
        QString port;           // the identity of the port whose readers `readers` are; empty: none yet
        // Each other bus's readers, by the identity of its port (an adapter, a serial device server).
        QMap<QString, QList<quint8>> readersByPort;
        int settingsEvery = 10;   // the settings are read every this many rounds
        bool autoSearch = false;  // the bus is searched every few minutes
    };
    Bus bus;
};

// The range of the overview's "settings every N-th round".
inline constexpr int kMaxSettingsEvery = 1000;

// ~/.config/kestrel-tool/kestrel-tool.ini on Linux.
QString defaultSettingsPath();

// A settings file read: what it holds, and what of it was not taken.
struct LoadedSettings {
    RememberedState state;
    QStringList notTaken;  // the keys whose values were not taken: each of them is its default
    QString problem;       // the same for the program's log, in English; empty when everything was taken
    QString notice;        // the same for the engineer, in the user's language
};

// Reads `path`. A missing file gives the defaults quietly; an unreadable or damaged file gives the defaults
// for all, a value out of its range or malformed its own default alone, and the rest is taken.
LoadedSettings loadSettings(const QString& path);
// loadSettings(), its state and its problem.
RememberedState loadState(const QString& path, QString* problem);
// Writes `state` to `path`; false, with the reason in `problem`, when it cannot.
bool saveState(const QString& path, const RememberedState& state, QString* problem);

}  // namespace kestrel
