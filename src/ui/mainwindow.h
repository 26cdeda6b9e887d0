#pragma once
// The main window, the composition root of the views: the port panel, the addressed device's panel (address
// list, bus search, identification, live read-outs, status line, lamp), the three tab views, the menu and
// the status bar, over one device session. The window passes the engineer's intent to the session and
// renders what it publishes; the link, its settings and reconnect, the log file and the rules of what a
// reply means live in the session. Ports are listed through the port catalogue; the link is never seen here.

#include <QPointer>
#include <QWidget>
#include <memory>

#include "session/devicesession.h"
#include "ui/viewservices.h"

class QMenuBar;
class QLabel;
class QTabWidget;

namespace kestrel {

class PortCatalogue;
class Lamp;
class SplashWindow;
class StatusBar;
class PortPanel;
class AddressPanel;
class DeviceReadouts;
class MainMenu;
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
        bool showStartupPicture = true;           // the splash stands alone until the second scan
        int scanMs = 1000;                        // the port scan
        QString settingsPath;                     // what the tool remembers between runs; empty: nothing
        bool resetSettings = false;               // start from the defaults whatever the file holds
        QString language = QStringLiteral("ru");  // the language the window speaks (installed by main())
        bool portNamed = false;  // a port named on the command line is selected, not the remembered one
        // The first port named on the command line when it is not there: said at start, and selected when
        // it appears, unless the engineer has chosen or opened another port by then.
        QString awaitedPort;
        // How much the traffic log and the trend keep (a soak run keeps less, so its memory settles soon).
        int logRows = 100000;
        qint64 trendKeepMs = 65 * 60 * 1000;
    };

    // The window takes `session` over (it lives as long as the window) and lists the ports of `ports`.
    MainWindow(std::unique_ptr<DeviceSession> session, PortCatalogue& ports, Dialogs& dialogs,
               Options options, QWidget* parent = nullptr);
    ~MainWindow() override;

    DeviceSession& session() { return *session_; }
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
    void connectSession();
    void linkChanged(DeviceSession::Link link);
    void showLinkEvent(const QString& text);
    void record(const traffic::Record& r);
    void startUp();
    void showSilence(int tab);
    void endSilence();
    void render(const device::DeviceValue& value);
    void showStaleness();
    void restoreSettings();
    void saveSettings();
    void shutDownPort();

    PortCatalogue& ports_;
    Dialogs& dialogs_;
    Options options_;
    ViewServices services_;
    DeviceSession* session_ = nullptr;  // a child of the window
    LogOpener* logOpener_ = nullptr;
    PortPanel* portPanel_ = nullptr;
    AddressPanel* addressPanel_ = nullptr;
    DeviceReadouts* readouts_ = nullptr;
    ReaderTab* readerTab_ = nullptr;
    TagTab* tagTab_ = nullptr;
    BridgeTab* bridgeTab_ = nullptr;
    QMenuBar* menuBar_ = nullptr;
    MainMenu* menu_ = nullptr;
    StatusBar* statusBar_ = nullptr;  // below the window
    QWidget* client_ = nullptr;       // the window below the menu bar
    QWidget* servicePanel_ = nullptr;
    TrafficLogWindow* trafficLog_ = nullptr;
    TrendWindow* trend_ = nullptr;
    BusOverviewWindow* busOverview_ = nullptr;
    int scans_ = 0;  // port scans since start-up: the splash stands alone until the second
    QPointer<SplashWindow> splash_;
    Lamp* lamp_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    std::unique_ptr<StatusLine> statusLine_;  // MsgCom
};

}  // namespace kestrel
