#pragma once
// The exchange cycle: every 500 ms one read of the answer to the previous request and one write of the
// pending request (or, with nothing pending, the poll of the open tab), then the answer is routed by its
// command code to the decoder that a feature registered.
//
// The read never blocks the event loop: a tick opens a read window that takes the bytes already waiting
// and ends 20 ms after the last byte (or 256 ms after it opened when nothing comes), then does the rest of
// the tick in one go with what it read. A click during the window is handled as if it came before the tick.

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <array>
#include <functional>
#include <map>
#include <optional>

#include "protocol/reply.h"

namespace kestrel {

class SerialPort;

inline const QString kMsgWriteFailure = QStringLiteral("Ошибка записи в порт");
inline const QString kMsgNoReaderData = QStringLiteral("Нет данных со считывателя с номером ");
inline const QString kMsgNoTag = QStringLiteral("Нет связи с меткой ");
inline const QString kMsgNoBridge = QStringLiteral("Нет связи с удаленным считывателем");

// Lamp colours, 0xBBGGRR.
inline constexpr quint32 kLampWhite = 0xFFFFFF;
inline constexpr quint32 kLampGrey = 0x808080;
inline constexpr quint32 kLampRed = 0x0000FF;

enum Tab { TabReader = 0, TabTag = 1, TabBridge = 2 };

inline constexpr quint32 kTagSearchId = 0x7A7A7A7A;  // "zzzz": any tag in range may answer
inline constexpr quint8 kCmdCurrentParams = 0xF0;
inline constexpr quint8 kCmdIdentify = 0xFC;
inline constexpr quint8 kCmdTagSearch = 0xE0;
inline constexpr quint8 kCmdBridgeData = 0xE8;
inline constexpr quint8 kCmdBridgeRs485 = 0x06;

// What the cycle keeps between ticks; features read and change it as their commands say.
struct ExchangeState {
    QByteArray wrs;          // the pending request: complete frame(s) for the next write
    quint8 last_net = 0;     // the address whose identification was last requested
    quint8 CointWrs = 0;     // bridge tab: 0 = 0xE8 next, 1 = 0x06 next
    bool no_data = false;    // a no-reply message is showing
    QString last_msg;        // the status text that the first no-reply message replaced
    bool net_opr = false;    // a network poll is in progress
    quint8 mode_yes = 2;     // settings refresh: 2 asked, 1 copy next, 0 nothing
    quint8 TagParamsPending = 0;
};

// The window pieces the cycle needs.
class ExchangeHost {
public:
    virtual ~ExchangeHost() = default;
    // Text of the selected address-list item; nothing when no item is selected.
    virtual std::optional<QString> selectedAddressText() const = 0;
    virtual int openTab() const = 0;
    virtual QString statusText() const = 0;
    virtual void setStatusText(const QString& text) = 0;
    virtual quint32 lampColour() const = 0;
    virtual void setLampColour(quint32 bgr) = 0;
    virtual void setCmdBoxText(const QString& text) = 0;  // the request box
    virtual void setTxtRec(const QString& text) = 0;      // the trace box
    virtual void showWriteFailure(const QString& message) = 0;
    virtual void runCloseAction() = 0;  // the close-port action: timer off, port closed, displays reset
};

class ExchangeCycle : public QObject {
    Q_OBJECT
public:
    using Decoder = std::function<void(const Reply&)>;

    struct Timing {
        int periodMs = 500;     // TMRComm
        int windowMs = 256;     // longest read window
        int silenceMs = 20;     // the window ends this long after the last byte
    };

    ExchangeCycle(SerialPort& port, ExchangeHost& host, QObject* parent = nullptr);
    ExchangeCycle(SerialPort& port, ExchangeHost& host, Timing timing, QObject* parent = nullptr);

    ExchangeState& state() { return state_; }
    const ExchangeState& state() const { return state_; }
    const Timing& timing() const { return timing_; }

    // The reply codes with a decoder, in the order they are tested.
    static const std::array<quint8, 18>& dispatchOrder();
    // Registers the decoder of a reply code of the dispatch table; false for a code not in it.
    bool registerDecoder(quint8 code, Decoder decoder);
    // Called with a non-empty unframed reply while a network poll is in progress (and shorter than 20).
    void setPollAnswerHandler(std::function<void(const QByteArray&)> handler) { pollAnswer_ = std::move(handler); }

    // TMRComm on and off. stop() during a read window ends the tick without a write.
    void start();
    void stop();
    bool isRunning() const { return timer_.isActive(); }
    bool tickInProgress() const { return inTick_; }
    QTimer& timer() { return timer_; }

    // The selected address as a byte, or nothing when no item is selected or its text is not 0..255.
    std::optional<quint8> selectedAddress() const;
    // The identification request for the selected address, or empty.
    QByteArray Zapros_ser_num() const;
    // Replaces the pending request with a tag request (4 identifier bytes, most significant first) and
    // shows it in the request box. False, with nothing pending, when no address can be taken.
    bool CMD_zapros_metki(quint32 SerialN, quint8 cmdd);

public slots:
    // One tick: opens the read window; the rest of the tick follows when it closes.
    void TMRComm_Timer();

signals:
    void tickFinished();

private:
    bool inReadWindow() const { return inTick_ && windowClock_.isValid(); }
    void takeAvailable();
    void collect();
    void onReadyRead();
    void onWindowTimeout();
    void finishTick();
    void runTickBody(const QByteArray& reply);
    void failConnection();
    void onPortGone();
    void dispatch(const QByteArray& reply);

    SerialPort& port_;
    ExchangeHost& host_;
    Timing timing_;
    ExchangeState state_;
    QTimer timer_;
    QTimer window_;
    QElapsedTimer windowClock_;
    QByteArray rx_;
    bool inTick_ = false;
    std::map<quint8, Decoder> decoders_;
    std::function<void(const QByteArray&)> pollAnswer_;
};

}  // namespace kestrel
