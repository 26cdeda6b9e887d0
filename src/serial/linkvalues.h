#pragma once
// What the link's users see of it without reaching it: why an open failed, and the line that switches an
// adapter to send.

#include <QString>

namespace kestrel {

// Why an open failed; the window turns each into the message the user sees.
enum class OpenFailure {
    None,
    NotFound,          // the device does not exist (any more)
    Busy,              // another program holds the port
    PermissionDenied,  // the user may not open the device node
    Settings,          // the port opened but refused 19200 8N1
    Other,
};

struct OpenResult {
    bool ok = false;
    OpenFailure failure = OpenFailure::None;
    QString cause;  // a short description of the cause for the user, empty on success
    int code = 0;   // the platform's error code, where there is one
};

// The modem line that switches an adapter's line driver on to send, for adapters without automatic
// direction: none (the adapter does it itself), RTS or DTR.
enum class DirectionLine { None, Rts, Dtr };
// "RTS", "DTR"; empty for none.
QString directionLineName(DirectionLine line);
// "Порт не управляет линией RTS: …", said once when a port cannot drive the direction line.
QString directionRefusedText(DirectionLine line);

}  // namespace kestrel
