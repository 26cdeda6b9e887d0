#pragma once
// What a feature (a reader or tag command and its reply decoders) gets from the window: the exchange
// cycle, the dialogs, the window's controls by name, and a few window routines.

#include <QByteArray>
#include <QString>
#include <QWidget>
#include <functional>
#include <optional>

#include "protocol/exchange.h"
#include "ui/dialogs.h"

namespace kestrel {

// Texts that reader and tag commands share.
inline const QString kMsgNoListedAddress = QStringLiteral("Установите существующий сетевой адрес");
inline const QString kMsgSerialRange = QStringLiteral("Введите число в диапазоне 0....2 000 000");

class FeatureContext {
public:
    FeatureContext(ExchangeCycle& cycle, Dialogs& dialogs, QWidget& window) : cycle(cycle), dialogs(dialogs), window(window) {}

    ExchangeCycle& cycle;
    Dialogs& dialogs;
    QWidget& window;
    // Shows a mode byte in the mode options and check boxes (and ends a settings refresh).
    std::function<void(quint8)> Out_modes;
    // Releases the panel sets for a device type.
    std::function<void(int)> applyDeviceType;

    ExchangeState& state() const { return cycle.state(); }
    // The selected address as a byte, or nothing when no listed address is selected.
    std::optional<quint8> address() const { return cycle.selectedAddress(); }
    // The selected address; without one, the refusal message and nothing.
    std::optional<quint8> addressOrRefuse() const {
        const auto a = address();
        if (!a) dialogs.message(kMsgNoListedAddress);
        return a;
    }

    // The control named `name`; a missing control is a programming error.
    template <typename T>
    T* get(const QString& name) const {
        T* w = window.findChild<T*>(name);
        if (!w) qFatal("no control named %s", qPrintable(name));
        return w;
    }

    void setStatus(const QString& text) const;           // MsgCom
    void setTxtRec(const QString& text) const;           // the trace box
    void out_win(const QByteArray& bytes) const;         // the trace box: hex, blank line, printable form
    void setCmdBoxText(const QString& text) const;       // the request box
    // The request box as a command shows the request it built: each byte in hex and a blank.
    void showRequestHex(const QByteArray& bytes) const;
};

}  // namespace kestrel
