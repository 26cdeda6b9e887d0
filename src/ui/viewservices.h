#pragma once
// What the tab views share: the device session (the addressed device, its rules, the pending request), the
// dialogs, the status line and the two trace boxes.

#include <QLabel>

#include "device/requests.h"
#include "protocol/trace.h"
#include "session/devicesession.h"
#include "ui/dialogs.h"
#include "ui/widgets.h"

namespace kestrel {

struct ViewServices {
    DeviceSession* session = nullptr;
    Dialogs* dialogs = nullptr;
    QLabel* status = nullptr;        // MsgCom
    TraceBox* trace = nullptr;       // txtRec
    TraceBox* requestBox = nullptr;  // CmdBoxText

    device::Address address() const { return session->address(); }
    void setStatus(const QString& text) const { status->setText(text); }
    // The trace box shows bytes a command built: hex, a blank line, the printable form.
    void traceBytes(const QByteArray& bytes) const { trace->setTraceText(requestTraceText(bytes)); }
    // The request box shows a built request: each byte in hex and a blank.
    void showRequestHex(const QByteArray& bytes) const {
        requestBox->setTraceText(hexDump(bytes, QLatin1Char(' ')));
    }
    // Shows a refusal's message, when it has one.
    void tellRefusal(const device::Request& r) const {
        if (!r.refusal.isEmpty()) dialogs->message(r.refusal);
    }
};

}  // namespace kestrel
