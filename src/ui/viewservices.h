#pragma once
// What the tab views share: the device session (the addressed device, its rules, the pending request), the
// dialogs, the status line and the two trace boxes.

#include <QLabel>
#include <utility>

#include "device/requests.h"
#include "protocol/trace.h"
#include "session/devicesession.h"
#include "ui/dialogs.h"
#include "ui/widgets.h"

namespace kestrel {

// The status line (`MsgCom`): the last text set, and the no-reply message that stands in for it while the
// device is silent (the text set before the silence comes back with the first reply).
class StatusLine {
  public:
    explicit StatusLine(QLabel* label) : label_(label) {}
    void set(const QString& text) {
        text_ = text;
        label_->setText(text);
    }
    void showSilence(const QString& text) {
        if (!silent_) before_ = text_;
        silent_ = true;
        label_->setText(text);
    }
    void endSilence() {
        if (std::exchange(silent_, false)) set(before_);
    }

  private:
    QLabel* label_;
    QString text_;
    QString before_;
    bool silent_ = false;
};

struct ViewServices {
    DeviceSession* session = nullptr;
    Dialogs* dialogs = nullptr;
    StatusLine* status = nullptr;    // MsgCom
    TraceBox* trace = nullptr;       // txtRec
    TraceBox* requestBox = nullptr;  // CmdBoxText

    device::Address address() const { return session->address(); }
    void setStatus(const QString& text) const { status->set(text); }
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
