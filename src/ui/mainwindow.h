#pragma once
// The main window, the composition root: the port panel, the addressed device's panel (address list,
// bus search, identification, live read-outs, status line, lamp), the three tab views and the status bar,
// wired to the device session. The window passes the engineer's intent to the session and renders its model;
// the link, its reconnect, the log file and the rules of what a reply means live in the session.

#include <QPointer>
#include <QWidget>
#include <memory>

#include "session/devicesession.h"
#include "ui/viewservices.h"

class QAction;
class QComboBox;
class QMenuBar;
class QLabel;
class QTabWidget;

namespace kestrel {

class SerialPort;
class Lamp;
class LevelBar;
class SplashWindow;
class StatusBar;
class PortPanel;
class ReaderTab;
class TagTab;
class BridgeTab;
class TrafficLogWindow;
class TrendWindow;
class LogOpener;
class BusOverviewWindow;

class MainWindow : public QWidget {
    Q_OBJECT
  public:
    struct Options {
        bool showStartupPicture = true;  // the splash stands alone until the second scan
        int scanMs = 1000;               // the port scan
        ExchangeTiming timing{};         // the exchange's period and read window
        QString logFile;                 // every exchange appended to this CSV file while a port is open
        bool reconnect = true;           // a lost port is waited for and opened again
        QString settingsPath;            // what the window remembers between runs; empty: nothing
        bool resetSettings = false;      // start from the defaults whatever the file holds
        QString language = QStringLiteral("ru");  // the language the window speaks (installed by main())
        bool portNamed = false;  // a port named on the command line is selected, not the remembered one
        // The first port named on the command line when it is not there: said at start, and selected when
        // it appears, unless the engineer has chosen or opened another port by then.
        QString awaitedPort;
        // How much the traffic log and the trend keep (a soak run keeps less, so its memory settles soon).
        int logRows = 100000;
        qint64 trendKeepMs = 65 * 60 * 1000;
    };

    MainWindow(SerialPort& port, Dialogs& dialogs, QWidget* parent = nullptr);
    MainWindow(SerialPort& port, Dialogs& dialogs, Options options, QWidget* parent = nullptr);
    ~MainWindow() override;

    TrafficLogWindow& trafficLog() { return *trafficLog_; }
    TrendWindow& trend() { return *trend_; }
    QWidget& servicePanel() { return *servicePanel_; }
    // Opens recorded logs ("Файл → Открыть журнал…", --open).
    LogOpener& logOpener() { return *logOpener_; }
    BusOverviewWindow& busOverview() { return *busOverview_; }

    // Window actions.
    void scanPorts();
    void openPort();
    void closePort();

    // The tab shown, which is the view the session polls.
    int openTab() const;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildControls();
    void buildServicePanel();
    void buildMenu();
    void showAbout();
    void connectSession();
    void linkChanged(DeviceSession::Link link);
    void showLinkEvent(const QString& text);
    void addNetworkPort();
    void record(const traffic::Record& r);
    void startUp();
    void addressEntered();
    void changeNetAddress();
    void searchBus();
    void showSilence(int tab);
    void endSilence();
    void render(const device::DeviceValue& value);
    void renderLive();
    void renderIdentity();
    void render(const device::PollAnswer& value);
    void renderRotation();
    void showStaleness();

    SerialPort& port_;
    Dialogs& dialogs_;
    Options options_;
    ViewServices services_;
    DeviceSession* session_ = nullptr;
    LogOpener* logOpener_ = nullptr;
    DeviceSession::Link shownLink_ = DeviceSession::Link::Closed;  // the link state the controls show
    PortPanel* portPanel_ = nullptr;
    ReaderTab* readerTab_ = nullptr;
    TagTab* tagTab_ = nullptr;
    BridgeTab* bridgeTab_ = nullptr;
    QMenuBar* menuBar_ = nullptr;
    StatusBar* statusBar_ = nullptr;  // below the window
    QWidget* client_ = nullptr;       // the window below the menu bar
    QWidget* servicePanel_ = nullptr;
    TrafficLogWindow* trafficLog_ = nullptr;
    TrendWindow* trend_ = nullptr;
    BusOverviewWindow* busOverview_ = nullptr;
    int scans_ = 0;  // port scans since start-up
    QPointer<SplashWindow> splash_;
    // The no-reply message and the status text it replaced.
    bool silenceShown_ = false;
    QString statusBeforeSilence_;
    QAction* reconnect_ = nullptr;
    QAction* networkPort_ = nullptr;  // a serial device server added to the port list
    // "Связь": the request's echo (by its key) and the direction line (none, rts, dtr).
    QMap<QString, QAction*> echoActions_;
    QMap<QString, QAction*> directionActions_;
    // The port to select when it is listed, from the last run, until the engineer chooses or opens one.
    QString rememberedPort_;
    QString awaitedPort_;  // a port named on the command line, selected by its name when it appears
    QString language_ = QStringLiteral("ru");  // the language to start in next time
    QString lastAddress_;  // the address of the last port open, kept when it closes or goes away
    QString lastRunPort_;  // the identity remembered from the last run, kept when no port is opened now
    void restoreSettings();
    void saveSettings();
    void shutDownPort();
    void selectAddress(std::optional<quint8> address);
    // Lists an address: its text, and the number the session is told when it is selected.
    void addAddress(quint8 address);

    QComboBox* addressList_ = nullptr;  // CmbNet
    QLabel* devicesFound_ = nullptr;    // netdev
    Lamp* lamp_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    LevelBar* levelBar_ = nullptr;
    QLabel* serial_ = nullptr;           // sn
    QLabel* firmware_ = nullptr;         // vv
    QLabel* rotationCaption_ = nullptr;  // vra
    QLabel* rotation_ = nullptr;         // vraa
    QLabel* truck_ = nullptr;
    QLabel* arrowRight_ = nullptr;
    QLabel* arrowLeft_ = nullptr;
    QLabel* stopSign_ = nullptr;
    // The live read-outs: ne, hi, lo, ko, tek, temp, uroven.
    QLabel* address_ = nullptr;
    QLabel* tagId_ = nullptr;
    QLabel* emptyLevel_ = nullptr;
    QLabel* second_ = nullptr;
    QLabel* current_ = nullptr;
    QLabel* temperature_ = nullptr;
    QLabel* level_ = nullptr;
};

}  // namespace kestrel
