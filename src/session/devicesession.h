#pragma once
// One device session: the link to the bus as the engineer sees it, with no widget. It owns the port's use
// (open, close, and reconnect after a loss), the exchange cycle, the addressed device and the polled view
// as plain values, the settings-refresh and tag-follow-up rules, the feed of traffic records and the log
// file. What the replies say of the addressed device lands in its DeviceModel.
//
// The window is a tenant: it passes the engineer's intent in (open this port, address that device, show
// this view, read that tag) and renders the model and the signals; nothing here reads a widget.

#include <QObject>
#include <QStringList>
#include <QTimer>
#include <optional>

#include "device/requests.h"
#include "exchange/cycle.h"
#include "exchange/exchangequeue.h"
#include "serial/serialport.h"
#include "session/devicemodel.h"
#include "session/linksettings.h"
#include "traffic/logfile.h"
#include "traffic/record.h"
#include "traffic/statistics.h"

namespace kestrel {

// The main window's exchange timing: the period, the read window, the silence that ends a read.
using ExchangeTiming = ExchangeCycle::Timing;

class DeviceSession : public QObject {
    Q_OBJECT
  public:
    struct Options {
        ExchangeCycle::Timing timing{};
        QString logFile;        // every exchange appended to this CSV file while a port is open
        bool reconnect = true;  // a lost port is waited for and opened again
        int lookForLostPortMs = 250;
        EchoMode echo = EchoMode::Auto;                 // how the echo of a request is told and taken off
        DirectionLine direction = DirectionLine::None;  // the line that switches the adapter to send
    };
    // Closed: no port. Open: the cycle runs. Waiting: the open port went away and is looked for.
    enum class Link { Closed, Open, Waiting };
    // Who answers a request to the addressed reader: the reader itself, a tag it hears, or its bridge's
    // slave.
    enum class Answerer { Reader, Tag, Slave };

    DeviceSession(SerialPort& port, Options options, QObject* parent = nullptr);
    ~DeviceSession() override;

    // The exchange queue and the cycle, for the session layer's other scheduler (the bus overview).
    ExchangeQueue& queue() { return queue_; }
    ExchangeCycle& cycle() { return cycle_; }
    const DeviceModel& model() const { return model_; }

    // The link.
    Link link() const { return link_; }
    bool waitingForPort() const { return link_ == Link::Waiting; }
    // The open port, or the lost one while it is waited for (empty when closed), and the identity of the
    // adapter open last (kept after a close: it is what the next run looks for).
    QString portName() const { return portName_; }
    QString portIdentity() const { return portIdentity_; }
    void setReconnect(bool on);
    bool reconnect() const { return options_.reconnect; }
    // The link's settings as they stand: the port open now or last (or the one remembered from the last run
    // while none has been opened), the address of the port open or of the last one open, and the choices.
    LinkSettings linkSettings() const;
    // Takes the settings remembered from the last run. The remembered port is selected once it is listed,
    // unless `selectRememberedPort` is false (a port was named for this run).
    void restore(const LinkSettings& settings, bool selectRememberedPort);
    // A serial device server joins the port list, the latest last, under the name returned: `typed` is
    // "tcp://HOST:PORT" or "HOST:PORT". Nothing, with the reason in `refusal`, when it names no server.
    std::optional<QString> addServer(const QString& typed, QString* refusal = nullptr);
    // A port named for this run that is not there yet: said now, and selected by its name once it is listed,
    // unless the engineer chooses or opens another one first.
    void awaitPort(const QString& name);
    // Of the ports listed now, the one the list is to select (empty: none): the remembered port by its
    // identity, or the awaited one by its name (which is said). Each is selected once, and only while no
    // port is open.
    QString portToSelect(const QList<PortInfo>& listed);
    // The engineer chose a port: neither the remembered nor the awaited one is selected for them any more.
    void forgetPortToSelect();
    // The echo of a request in front of its reply (echo.h): from the next tick on.
    void setEchoMode(EchoMode mode);
    EchoMode echoMode() const { return options_.echo; }
    // The line that switches the adapter's driver to send: from the next open on. A port that cannot drive
    // it is said once (linkEvent) and used without it.
    void setDirectionLine(DirectionLine line);
    DirectionLine directionLine() const { return options_.direction; }
    // Opens the port `name` (the adapter `identity`) and starts the exchange. While a lost port is waited
    // for, only that port is tried, never another one: the result is then that try's.
    OpenResult open(const QString& name, const QString& identity);
    // Stops the exchange and closes the port; ends any waiting. Usable in every state.
    void close();
    // One look for the lost port while waiting: opened again when it is back under any name.
    void lookForLostPort();
    // Polling paused: the port stays open and the link Open, but the cycle writes nothing until it is
    // resumed (for whoever needs the bus for a while). Only while the link is Open; a close or a loss ends
    // it. While paused a port that goes away is noticed when polling resumes.
    void setPollingPaused(bool paused);
    bool pollingPaused() const { return paused_; }
    // The engineer's requests to the addressed device: the pending request replaced, or appended to (both
    // go out in one write), or dropped; sent at the next tick, or at once between two exchanges of the bus
    // overview while it holds the bus. Its reply reaches the model and the window as a tick's does.
    void send(const QByteArray& frames);
    void sendAlso(const QByteArray& frames);
    void dropPending();
    const QByteArray& pendingRequest() const;
    // Searches the bus (the network poll); its answer addresses the first reader found and refreshes the
    // settings panels.
    void searchBus();
    // Writes the reader mode of the addressed device, after what is pending, and refreshes the settings
    // panels with what the device then says. False without an addressed device (nothing is sent).
    bool writeMode(quint8 mode);
    // The port failed while lent (polling paused): taken as the cycle's loss would be (waited for, or
    // linkFailed with reconnecting off). Only while the link is Open.
    void portLostWhileLent(const QString& reason);

    // How the addressed device answers: when its last good (decoded) reply came, and since when it has not
    // answered (the first request left without a good reply after it). Both are forgotten when another
    // device is addressed or the engineer opens a port; invalid when not known.
    QDateTime lastReplyAt() const { return lastReplyAt_; }
    QDateTime silentSince() const { return silentSince_; }
    // While silent: bytes came for the addressed device, but none made a good reply (noise, or an echo of
    // each request left in the reply).
    bool silentWithBytes() const { return silentSince_.isValid() && bytesWhileSilent_; }
    // Requests and their outcomes per address since the engineer opened the port (kept across a lost port
    // and its return).
    const traffic::LinkStatistics& linkStatistics() const { return statistics_; }
    // The window's last write to a device since the engineer opened the port, and whether the reply read
    // for it confirmed it (writeCheckOf, exchange/classify.h); nothing before the first. It stands until the
    // next write.
    std::optional<WriteCheck> lastWrite() const { return lastWrite_; }

    // The addressed device (nothing: none) and the polled view, as the engineer chose them. Another device
    // addressed marks every value shown as another device's, and asks for a settings refresh (its settings
    // then fill the panels).
    void setAddress(std::optional<quint8> address);
    std::optional<quint8> address() const { return address_; }
    void setView(Tab view);
    Tab view() const { return view_; }
    // The addressed device is asked for its identification next, replacing what was pending.
    void identifyAgain();
    // The tag mode the frame holds (typed or read): in modes 4 and 5 the live reading's state byte is the
    // drum's rotation. Nothing: no mode given, and the rotation shown is left as it is.
    void setTagMode(std::optional<int> mode) { tagMode_ = mode; }

    // The settings refresh: the next long current-parameters reply is announced, the one after fills the
    // settings panels; then the panels are the engineer's again. A mode acknowledgement ends it.
    void requestSettingsRefresh() { refresh_ = SettingsRefresh::Asked; }
    bool settingsRefreshPending() const { return refresh_ != SettingsRefresh::Idle; }

    // The current tag's parameters are read; after it, the next search answer also gives the frame its
    // identifier. The request names the current tag by its identifier ("0" before any tag answered).
    device::Request readTagParameters();
    // A new serial number for the current tag.
    device::Request setTagSerialRequest(const QString& serial) const;
    // The serial number a parameter write goes to: the tag whose parameters were read (its reply fills the
    // frame), or before any read the current tag ("0" before any tag answered).
    QString tagWriteSerial() const;

  signals:
    void linkChanged(kestrel::DeviceSession::Link link);
    // The window's exchange, as the cycle reports it: the request box's text, a reply's trace, the write
    // (the lamp blinks), a reply or silence (the open tab given), the reply handled (the lamp turns red),
    // and the end of each tick.
    void requestShown(const QString& text);
    void traceText(const QString& text);
    void written();
    void replyArrived();
    void silence(int tab);
    void replyHandled();
    void tickFinished();
    // Polling paused or resumed (setPollingPaused; a close or a loss also ends a pause).
    void pollingPausedChanged(bool paused);
    // Another device is addressed (by the engineer, a search's answer, a close or a port back again).
    void addressChanged();
    // Reconnect, echo, direction or the servers changed.
    void linkSettingsChanged();
    // A note about the link for the status line and the traffic log (lost, back but not opening, open again).
    void linkEvent(const QString& text);
    // The port failed with reconnecting off: the cycle has stopped; the engineer is told, then close() runs.
    void linkFailed(const QString& reason);
    // The port opened again after a loss: the address and view are back as they were.
    void reopened();
    // Every transaction, as the row the traffic log shows (also written to the log file).
    void recorded(const kestrel::traffic::Record& record, const kestrel::Transaction& transaction);
    // A reply value the model does not keep (tables, acknowledgements, the bus search's answer).
    void answered(const kestrel::device::DeviceValue& value);
    // The log file could not be written: it stays off; the text says why, once.
    void logFileFailed(const QString& text);
    // The settings refresh: the first reply announced, then the settings for the panels.
    void settingsAnnounced();
    void settingsForPanels(const kestrel::device::LiveReading::Settings& settings);
    // The follow-up of a tag read: the identifier the search answer named, for the frame.
    void tagIdForFrame(quint32 identifier);

  private:
    struct LostPort {
        LostAdapter adapter;
        std::optional<quint8> address;
        Tab view = TabReader;
        QString lastFailure;
    };
    enum class SettingsRefresh { Idle, Asked, CopyNext };

    void setLink(Link link);
    void startExchange(ExchangeCycle::Start first);
    void stopExchange();
    void connectionLost(const QString& reason);
    void handle(const Transaction& t);
    void feed(const Transaction& t);
    void record(const traffic::Record& r, const Transaction& t);
    void take(const device::DeviceValue& value);
    void take(const device::LiveReading& value, const QDateTime& at);
    void stopLogFile(const QString& reason);
    // The staleness rule: what the views show is marked old when the addressed device leaves a request
    // without a good reply (what that request's answerer tells: a silent reader leaves everything
    // unconfirmed, a silent tag or slave its own values), when the link goes down, and when another device
    // is addressed. A good reply ends the silence of its answerer and of the reader, and a reply of a kind
    // makes that kind current.
    void judgeReply(const Transaction& t, const traffic::Record& r, bool panelsFilled);
    void markStale(Staleness::Why why, const QDateTime& since, Answerer silent = Answerer::Reader);
    QDateTime shownAt(Reading reading) const;

    SerialPort& port_;
    Options options_;
    bool directionRefusalTold_ = false;  // the port's refusal of the direction line was said
    ExchangeQueue queue_;
    ExchangeCycle cycle_;
    DeviceModel model_;
    Link link_ = Link::Closed;
    QString portName_;
    QString portIdentity_;
    std::optional<LostPort> lost_;
    // While a port is waited for, it is looked for four times a second (a look costs a few stat() calls
    // while nothing changes), so it is open again soon after it reappears.
    QTimer lookForLostPort_;
    std::optional<quint8> address_ = 0;
    std::optional<quint8> addressKept_;  // the address of the last port open, once one has closed
    QString rememberedIdentity_;         // the adapter of the last run, until a port is opened
    QString portToSelect_;               // its identity, to select once listed
    QString awaitedPort_;                // a port named for this run, to select by name once listed
    Tab view_ = TabReader;
    std::optional<int> tagMode_;
    SettingsRefresh refresh_ = SettingsRefresh::Asked;
    bool tagIdFollows_ = false;
    bool paused_ = false;
    bool losing_ = false;  // a loss is being handled (its box may be open)
    QDateTime lastReplyAt_;
    QDateTime silentSince_;
    bool bytesWhileSilent_ = false;
    QDateTime panelsFilledAt_;  // when the settings refresh last filled the panels
    std::array<Answerer, kReadingCount> silentAnswerer_{};  // whose silence a NoReply mark is
    traffic::LinkStatistics statistics_;
    std::optional<WriteCheck> lastWrite_;
    traffic::LogFile logFile_;
    bool logFileFailed_ = false;  // after one message the log file stays off
};

}  // namespace kestrel
